// Search in the stored documents' text: the "i v dokumentech" switch beside the filter box, the
// index kept up to date off the user-interface thread, and the matching document of the current
// item in the status bar.

#include "fmMain.h"
#include "helperwidgets.h"

#include "data/uDM.h"
#include "search/docmatch.h"
#include "search/indexer.h"
#include "toolkit/guard.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace {

const QString kSettingsKey = QStringLiteral("search/documents");
const QString kSwitchText = QStringLiteral("i &v dokumentech");

}  // namespace

// The window's side of the document search; a child of the window.
class TDocumentSearch : public QObject {
public:
    TDocumentSearch(TfMain* window, const TIndexFiles& files, const std::optional<TExtractChild>& child)
        : QObject(window)
        , runner(child ? new TIndexRunner(files, *child, this) : nullptr)
        , matcher(files.Index, files.Driver)
    {
    }

    TIndexRunner* runner;  // none without a child to extract with (a test of something else)
    TDocumentMatcher matcher;
    QLabel* match = nullptr;
};

void TfMain::ConnectDocumentSearch()
{
    documentSearch = new TDocumentSearch(this, {dm->db.DatabaseFile(), WorkPath(QStringLiteral("fulltext.db3")), dm->db.Driver()},
                                         TExtractChild::OfThisProgram());
    cbDocuments = new QCheckBox(kSwitchText, tool);
    cbDocuments->setObjectName(QStringLiteral("cbDocuments"));
    cbDocuments->setToolTip(QStringLiteral("Filtr hledá i v textu uložených dokumentů"));
    cbDocuments->setChecked(dm->SettingsFile().value(kSettingsKey, false).toBool());
    const QList<QAction*> actions = tool->actions();
    const auto box = std::find_if(actions.begin(), actions.end(), [this](QAction* a) { return tool->widgetForAction(a) == edFilter; });
    if (box != actions.end() && box + 1 != actions.end())
        tool->insertWidget(*(box + 1), cbDocuments);
    else
        tool->addWidget(cbDocuments);
    documentSearch->match = new ExcerptPanel(status);
    documentSearch->match->setObjectName(QStringLiteral("lblDocumentMatch"));
    documentSearch->match->setTextFormat(Qt::PlainText);
    documentSearch->match->setMinimumWidth(1);  // a long excerpt must not widen the window
    // Only as wide as its text: empty, it must not squeeze the item's description.
    status->addWidget(documentSearch->match);
    connect(cbDocuments, &QCheckBox::toggled, this, [this](bool on) {
        Guarded([this, on] {
            dm->SettingsFile().setValue(kSettingsKey, on);
            if (!filterText.isEmpty())
                toolFilterClick();  // the list again, with or without the documents
        });
    });
    if (!documentSearch->runner)
        return;
    connect(documentSearch->runner, &TIndexRunner::Progress, this, [this](int done, int total) {
        const QLocale czech(QLocale::Czech);
        cbDocuments->setText(kSwitchText + QStringLiteral(" (indexuji %1 / %2 dokumentů)")
                                               .arg(czech.toString(done), czech.toString(total)));
    });
    connect(documentSearch->runner, &TIndexRunner::Finished, this, [this](const TIndexFigures&, const QString& error) {
        cbDocuments->setText(kSwitchText);
        cbDocuments->setToolTip(error.isEmpty() ? QStringLiteral("Filtr hledá i v textu uložených dokumentů")
                                                : QStringLiteral("Index dokumentů nelze obnovit: ") + error);
        documentSearch->matcher.Forget();
        // A filter through the documents lists what the new index finds; the box's unconfirmed
        // text stays unapplied and the list keeps its current row.
        if (cbDocuments->isChecked() && !filterText.isEmpty() && table.Filtered())
            Guarded([this] { table.Requery(); });
    });
    QTimer::singleShot(0, this, [this] { RequestIndexing(); });
}

void TfMain::RequestIndexing()
{
    if (documentSearch && documentSearch->runner && dm->db.Connected())
        documentSearch->runner->Request();
}

bool TfMain::MatchesDocuments()
{
    if (!documentSearch || !cbDocuments->isChecked())
        return false;
    documentSearch->matcher.Prepare(filterText);
    const QByteArray content = tableOBSAH->AsBytes();
    return documentSearch->matcher.Matches(tablePATH_DOK->AsString(), content, [this] { return tableOBSAH->AsString(); });
}

void TfMain::ShowDocumentMatch()
{
    if (!documentSearch)
        return;
    const bool shown = cbDocuments->isChecked() && !filterText.isEmpty() && !table.IsEmpty();
    documentSearch->match->setText(
        shown ? documentSearch->matcher.ExcerptOf(tablePATH_DOK->AsString(), tableOBSAH->AsString()) : QString());
}
