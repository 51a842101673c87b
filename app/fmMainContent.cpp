// The content view and links: the main document strip, the read-only content editor with its
// links, and the work folder, help and About commands.

#include "fmMain.h"

#include "helperwidgets.h"

#include "data/docstore.h"
#include "toolkit/guard.h"
#include "data/uDM.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/codeeditor.h"
#include "toolkit/messagebox.h"
#include "toolkit/programfiles.h"
#include "toolkit/shell.h"

#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

const QString kWebSchemes[] = {QStringLiteral("http://"), QStringLiteral("https://")};

// Shows the current row's main document path and content. The content editor is fed through
// SetText, which takes the stored CR LF line ends, and keeps its own read-only mode (a generic
// binding would switch the caret off); the path label is sized to its text.
class TContentLink : public QObject, private TDataLink {
public:
    TContentLink(TMeral3Command& dataSet, QLabel* path, TCodeEditor* content)
        : QObject(content), path_(path), content_(content)
    {
        SetDataSet(&dataSet);
        Show();
    }

private:
    void ActiveChanged(bool) override { Show(); }
    void DataSetChanged() override { Show(); }
    void RecordChanged(TField*) override { Show(); }
    void DataSetScrolled() override { Show(); }
    void StateChanged(TDataSetState) override { Show(); }

    QString FieldText(const char* name) const
    {
        TMeral3Command* ds = DataSet();
        if (!ds || ds->IsEmpty())
            return QString();
        TField* field = ds->FindField(QString::fromLatin1(name));
        return field ? field->AsString() : QString();
    }

    void Show()
    {
        QString path;
        QString content;
        try {
            path = FieldText("PATH_DOK");
            content = FieldText("OBSAH");
        } catch (const Exception& e) {
            HandleError(e);
        }
        if (path_->text() != path) {
            path_->setText(path);
            path_->adjustSize();
            path_->setToolTip(path);  // a long path runs past the strip's edge
        }
        // Rows fetched while the list scrolls must not throw the reader's caret away.
        if (!shown_ || content != shownContent_) {
            content_->SetText(content);
            shownContent_ = content;
            shown_ = true;
        }
    }

    QLabel* path_;
    TCodeEditor* content_;
    QString shownContent_;
    bool shown_ = false;
};

bool IsWebLink(const QString& text, Qt::CaseSensitivity cs)
{
    for (const QString& scheme : kWebSchemes)
        if (text.startsWith(scheme, cs))
            return true;
    return false;
}

}  // namespace

void TfMain::CreateContentArea()
{
    panelMemo = new QWidget(splitterH);
    panelMemo->setObjectName(QStringLiteral("panelMemo"));
    auto* layout = new QVBoxLayout(panelMemo);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    panelDoc = new QFrame(panelMemo);
    panelDoc->setObjectName(QStringLiteral("panelDoc"));
    panelDoc->setFixedHeight(32);
    panelDoc->setFrameShape(QFrame::StyledPanel);
    panelDoc->setAccessibleName(QStringLiteral("Hlavní dokument"));
    panelDocCaption = new QLabel(QStringLiteral("     Hlavní dokument:"), panelDoc);
    panelDocCaption->setObjectName(QStringLiteral("panelDocCaption"));
    QFont captionFont(QStringLiteral("Arial Narrow"), 8);
    captionFont.setBold(true);
    panelDocCaption->setFont(captionFont);
    panelDocCaption->setGeometry(0, 0, 100, 32);
    textPath = new QLabel(panelDoc);
    textPath->setObjectName(QStringLiteral("textPath"));
    textPath->setFont(ArialFont(9));
    textPath->setStyleSheet(QStringLiteral("color: palette(link)"));  // blue in a light scheme
    textPath->setCursor(Qt::PointingHandCursor);
    textPath->move(100, 8);
    layout->addWidget(panelDoc);

    memo = new TCodeEditor(panelMemo);
    memo->setObjectName(QStringLiteral("memo"));
    memo->setAccessibleName(QStringLiteral("Obsah položky"));
    memo->setAccessibleDescription(QStringLiteral("Podrobnosti vybrané položky, jen ke čtení; odkazy na soubory se otevírají"));
    memo->SetReadOnly(true);
    memo->setFont(QFont(QStringLiteral("Courier New"), 10));
    memo->setMinimumHeight(80);
    layout->addWidget(memo);
}

void TfMain::ConnectContentPane()
{
    new TContentLink(table, textPath, memo);
    memo->SetHighlighting(&dm->synURI);
    memo->installEventFilter(this);
    textPath->installEventFilter(this);
    connect(memo, &TCodeEditor::LeftClicked, this, GuardedSlot(this, &TfMain::memoClick));
    connect(memo, &TCodeEditor::MouseMoved, this, [this](const QPoint& point, int, int) {
        memoMousePoint = point;
        Guarded([this] { memoMouseMove(); });
    });

    popupMemo = new QMenu(memo);
    popupMemo->setObjectName(QStringLiteral("popupMemo"));
    openMemo = popupMemo->addAction(QStringLiteral("Otevři dokument"));
    openMemo->setObjectName(QStringLiteral("openMemo"));
    connect(openMemo, &QAction::triggered, this, GuardedSlot(this, &TfMain::openMemoClick));
    openFolder = popupMemo->addAction(QStringLiteral("Ukaž ve složce"));
    openFolder->setObjectName(QStringLiteral("openFolder"));
    connect(openFolder, &QAction::triggered, this, GuardedSlot(this, &TfMain::openFolderClick));
    connect(popupMemo, &QMenu::aboutToShow, this, GuardedSlot(this, &TfMain::popupMemoPopup));
    // The editor has put the caret where the right click was before this runs.
    memo->OnContextMenu = [this](const QPoint& globalPos) { popupMemo->popup(globalPos); };
}

bool TfMain::ContentEvent(QObject* watched, QEvent* event)
{
    if (watched == memo && event->type() == QEvent::FocusIn) {
        grpMistaExit();
    } else if (watched == textPath && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && textPath->rect().contains(mouse->position().toPoint()))
            toolDocClick();
    }
    return false;
}

int TfMain::LinkAtCaret(QString& target)
{
    target.clear();
    const std::optional<TLinkToken> token = memo->TokenAtCaret();
    if (!token)
        return 0;
    // Both tests are case-sensitive: "FILE://" is highlighted but never opened.
    if (token->text.startsWith(QLatin1String(FileLinkPrefix))) {
        target = DecodeFileLink(token->text);
        return 1;
    }
    if (IsWebLink(token->text, Qt::CaseSensitive)) {
        target = token->text;
        return 2;
    }
    return 0;
}

void TfMain::memoClick()
{
    QString target;
    switch (LinkAtCaret(target)) {
    case 1: {
        ShowProgress(true, false, QStringLiteral("Rozbaluji dokument"));
        const auto hide = qScopeGuard([this] { ShowProgress(false, false, QString()); });
        currentFile->setText(target);
        const QString local = dm->GetDocument(target);
        if (!local.isEmpty() && QFileInfo(local).isFile())
            OpenDocumentOrSay(this, local);
        break;
    }
    case 2:
        OpenUrl(target);
        break;
    default:
        break;
    }
}

void TfMain::memoMouseMove()
{
    if (memoMousePoint.y() <= 0)
        return;
    const std::optional<TLinkToken> token = memo->TokenAtPoint(memoMousePoint);
    bool link = false;
    if (token)
        link = token->text.contains(QLatin1String(FileLinkPrefix)) || token->text.contains(kWebSchemes[0])
            || token->text.contains(kWebSchemes[1]);
    memo->viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

void TfMain::popupMemoPopup()
{
    QString target;
    const bool onLink = LinkAtCaret(target) != 0;
    openMemo->setEnabled(onLink);
    openFolder->setEnabled(onLink);
}

void TfMain::openMemoClick()
{
    memoClick();
}

void TfMain::openFolderClick()
{
    QString target;
    if (LinkAtCaret(target) != 1)
        return;
    // The link keeps its "/" separators; the store finds a path stored with "\" as well.
    ShowProgress(true, false, QStringLiteral("Rozbaluji dokument"));
    const auto hide = qScopeGuard([this] { ShowProgress(false, false, QString()); });
    currentFile->setText(target);
    const QString local = dm->GetDocument(target);
    if (!local.isEmpty() && QFileInfo(local).isFile())
        dm->ShowInFolder(local);
}

void TfMain::toolDocClick()
{
    OpenMainDocument(false);
}

void TfMain::docFolderClick()
{
    OpenMainDocument(true);
}

void TfMain::OpenMainDocument(bool showInFolder)
{
    if (table.IsEmpty())
        return;
    const QString path = tablePATH_DOK->AsString();
    if (TrimControls(path).isEmpty())
        return;
    ShowProgress(true, false, QString());
    const auto hide = qScopeGuard([this] { ShowProgress(false, false, QString()); });
    currentFile->setText(path);
    // As stored, leading blanks included: that is the key of its stored copy.
    const QString local = dm->GetDocument(path);
    if (local.isEmpty() || !QFileInfo(local).isFile())
        return;
    if (showInFolder)
        dm->ShowInFolder(local);
    else
        OpenDocumentOrSay(this, local);
}

void TfMain::workAreaClick()
{
    ExploreFolder(QFileInfo(dm->SettingsFile().fileName()).absolutePath());
}

void TfMain::toolHelpClick()
{
    OpenDocumentOrSay(this, HelpDocumentPath());
}

void TfMain::toolOprogClick()
{
    const QStringList lines{
        QStringLiteral("Velmi jednoduchý univerzální regalon."),
        QStringLiteral("verze 1.28"),
        QString(),
        QStringLiteral("Projekt Regalon pro Linux"),
        QStringLiteral("2026 Projekt Regalon"),
    };
    ShowMessage(this, lines.join(u'\n'), QStringLiteral("O programu..."), QMessageBox::Information);
}
