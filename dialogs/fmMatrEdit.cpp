#include "fmMatrEdit.h"

#include "dialogwidgets.h"

#include "codepage.h"
#include "storedtext.h"
#include "toolkit/guard.h"

#include "data/bz2.h"
#include "data/docstore.h"
#include "data/grouptree.h"
#include "data/progress.h"
#include "data/uDM.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/codeeditor.h"
#include "toolkit/fieldbinding.h"
#include "toolkit/filedialog.h"
#include "toolkit/icons.h"
#include "toolkit/messagebox.h"

#include <QComboBox>
#include <QCompleter>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kPathSeparator = QStringLiteral(" > ");
const QString kPathSql = QStringLiteral("SELECT IDENT, PARENT, NAZEV FROM TYPY WHERE IDENT=:ident");

TFileSelectExec& FileSelectExec()
{
    static TFileSelectExec exec;
    return exec;
}

int ExecFileSelect(QFileDialog& dialog)
{
    return FileSelectExec() ? FileSelectExec()(dialog) : dialog.exec();
}

void Refuse(QWidget* owner, const QString& path, const QString& reason)
{
    ShowMessage(owner,
                QStringLiteral("Cestu k souboru \"%1\" nelze v katalogu uložit (%2).").arg(MessageValue(path), reason),
                QStringLiteral("Varování"), QMessageBox::Warning);
}

}  // namespace

void SetFileSelectExec(TFileSelectExec exec)
{
    FileSelectExec() = std::move(exec);
}

TfMatrEdit::TfMatrEdit(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fMatrEdit"));
    setWindowFlags(Qt::Dialog | Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(784, 441);
    FormCreate();
}

TfMatrEdit::~TfMatrEdit() = default;

void TfMatrEdit::FormCreate()
{
    query = dm->NewQuery(
        QStringLiteral("SELECT IDENT,IDTYP,NAZEV,POPIS,MISTO,PATH_DOK,OBSAH FROM MATR WHERE IDENT=:ident"));
    CreateControls();
    auto bind = [this](QWidget* control, const char* field) {
        auto* binding = new TFieldBinding(control, *query, QString::fromLatin1(field));
        binding->OnError = [](const Exception& e) { HandleError(e); };
        textBindings_.push_back(binding);
    };
    bind(edNazev, "NAZEV");
    bind(edPopis, "POPIS");
    bind(edPath, "PATH_DOK");
    bind(edMisto, "MISTO");
    // A listed place longer than the box's limit (another item's, made elsewhere) is taken whole.
    connect(edMisto, &QComboBox::textActivated, textBindings_.back(), &TFieldBinding::ShowWhole);
    FIsNew = false;
    QStringList places;
    dm->ListPlaces(places);
    edMisto->addItems(places);
    edMisto->setCurrentIndex(-1);

    connect(bOK, &QPushButton::clicked, this, GuardedSlot(this, &TfMatrEdit::bOKClick));
    connect(bCan, &QPushButton::clicked, this, &QDialog::reject);
    connect(btn, &QToolButton::clicked, this, GuardedSlot(this, &TfMatrEdit::btnClick));
    connect(btnLink, &QToolButton::clicked, this, GuardedSlot(this, &TfMatrEdit::btnLinkClick));
    memo->OnKeyDown = [this](QKeyEvent* event) { memoKeyDown(event); };
    memo->InputFilter = [](const QString& text) { return CodePageText(text); };
    memo->SetLineNumberText([this](int line) { return memoLineNumber(line); });
    memo->SetHighlighting(&dm->synURI);
}

void TfMatrEdit::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("pages"));
    pages->addTab(CreateBasicPage(), QStringLiteral("&Základní"));
    pages->addTab(CreateDetailsPage(), QStringLiteral("Po&drobnosti"));
    pages->tabBar()->setAccessibleName(QStringLiteral("Stránky položky"));
    pages->setCurrentIndex(0);
    layout->addWidget(pages, 1);
    layout->addLayout(CreateButtonBar());

    fileSelect = new QFileDialog(this);
    fileSelect->setObjectName(QStringLiteral("fileSelect"));
    fileSelect->setWindowTitle(QStringLiteral("Otevřít"));
    fileSelect->setFileMode(QFileDialog::ExistingFile);
    fileSelect->setAcceptMode(QFileDialog::AcceptOpen);
    fileSelect->setSizeGripEnabled(true);
    PrepareFileDialog(*fileSelect);

    setTabOrder(edNazev, edPopis);
    setTabOrder(edPopis, edPath);
    setTabOrder(edPath, btn);
    setTabOrder(btn, edMisto);
    setTabOrder(edMisto, bOK);
    setTabOrder(bOK, bCan);
}

QWidget* TfMatrEdit::CreateBasicPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabZakladni"));
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(16, 16, 16, 16);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    grid->setColumnStretch(1, 1);

    labelRoot = Label(page, NoGroupText(), "labelRoot");
    labelGrp = BoldLabel(page, QStringLiteral("Neurčená skupina"), "labelGrp", 1.25);
    grid->addWidget(BoldLabel(page, QStringLiteral("Skupina:"), nullptr), 0, 0);
    grid->addWidget(labelRoot, 0, 1);
    grid->addWidget(labelGrp, 1, 1);
    grid->setRowMinimumHeight(2, 6);

    edNazev = Edit(page, "edNazev");
    edNazev->setFixedWidth(280);
    edPopis = Edit(page, "edPopis");
    edPath = Edit(page, "edPath");
    btn = new QToolButton(page);
    btn->setObjectName(QStringLiteral("btn"));
    btn->setIcon(DialogIcon(DialogPicture::ChooseFile));
    btn->setToolTip(QStringLiteral("Vyber soubor"));
    btn->setAccessibleName(QStringLiteral("Vybrat soubor dokumentu"));
    btn->setAccessibleDescription(QStringLiteral("Otevře okno pro výběr hlavního dokumentu položky"));
    btn->setFixedSize(edPath->sizeHint().height(), edPath->sizeHint().height());
    auto* pathRow = new QHBoxLayout;
    pathRow->setSpacing(2);
    pathRow->addWidget(edPath, 1);
    pathRow->addWidget(btn);

    edMisto = new QComboBox(page);
    edMisto->setObjectName(QStringLiteral("edMisto"));
    edMisto->setEditable(true);
    edMisto->setInsertPolicy(QComboBox::NoInsert);
    // A place typed in another case than a listed one ("Dílna", "DÍLNA") stays as typed; the
    // box would otherwise take the listed one when it loses the focus.
    edMisto->completer()->setCaseSensitivity(Qt::CaseSensitive);
    edMisto->setFixedWidth(280);

    auto addRow = [&](int row, const QString& caption, QWidget* buddy, QLayout* content) {
        QLabel* label = Label(page, caption);
        label->setBuddy(buddy);
        grid->addWidget(label, row, 0);
        if (content)
            grid->addLayout(content, row, 1);
        else
            grid->addWidget(buddy, row, 1, buddy == edPopis ? Qt::Alignment() : Qt::AlignLeft);
    };
    addRow(3, QStringLiteral("&Označení:"), edNazev, nullptr);
    addRow(4, QStringLiteral("&Popis:"), edPopis, nullptr);
    addRow(5, QStringLiteral("&Cesta na dokument:"), edPath, pathRow);
    addRow(6, QStringLiteral("&Umístění:"), edMisto, nullptr);
    grid->setRowStretch(7, 1);
    return page;
}

QWidget* TfMatrEdit::CreateDetailsPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabPodrobnosti"));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);

    auto* strip = new QToolBar(page);
    strip->setObjectName(QStringLiteral("toolLink"));
    strip->setAccessibleName(QStringLiteral("Vložení odkazu"));
    strip->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnLink = new QToolButton(strip);
    btnLink->setObjectName(QStringLiteral("btnLink"));
    btnLink->setText(QStringLiteral("&vložit soubor"));
    btnLink->setAccessibleDescription(QStringLiteral("Vloží do podrobností odkaz na vybraný soubor"));
    btnLink->setIcon(DialogIcon(DialogPicture::InsertFile));
    btnLink->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnLink->setAutoRaise(true);
    QPalette link = btnLink->palette();
    link.setColor(QPalette::ButtonText, link.color(QPalette::Link));  // legible in a dark scheme too
    btnLink->setPalette(link);
    strip->addWidget(btnLink);
    column->addWidget(strip);

    memo = new TCodeEditor(page);
    memo->setObjectName(QStringLiteral("memo"));
    memo->setAccessibleName(QStringLiteral("Podrobnosti položky"));
    memo->setAccessibleDescription(QStringLiteral("Volný text o položce; odkazy na soubory vloží tlačítko vložit soubor"));
    column->addWidget(memo, 1);
    return page;
}

QLayout* TfMatrEdit::CreateButtonBar()
{
    labelProgress = Label(this, QString(), "labelProgress");
    labelProgress->hide();
    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setAccessibleName(QStringLiteral("Průběh"));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setFixedWidth(220);
    progressBar->hide();
    bOK = Button(this, "bOK", QStringLiteral("O&K"));
    bCan = Button(this, "bCan", QStringLiteral("&Storno"));

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 0, 4, 4);
    bar->addWidget(labelProgress);
    bar->addWidget(progressBar);
    bar->addStretch(1);
    bar->addWidget(bOK);
    bar->addWidget(bCan);
    return bar;
}

bool TfMatrEdit::event(QEvent* event)
{
    if (event->type() == WM_PROGRESS) {
        WMProgress(static_cast<const TProgressEvent&>(*event));
        return true;
    }
    return QDialog::event(event);
}

void TfMatrEdit::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TfMatrEdit::FormShow()
{
    edNazev->setFocus();
}

void TfMatrEdit::InsertNew()
{
    FIsNew = true;
    FIdent = dm->NewIdent(QStringLiteral("MATR"));
    dm->NewExec(QStringLiteral("INSERT INTO MATR (IDENT, IDTYP) VALUES(") + QString::number(FIdent) + u','
                + QString::number(FGroup) + u')')
        ->Execute();
}

void TfMatrEdit::OpenRecord()
{
    query->ParamByName(QStringLiteral("ident")).SetAsInteger(FIdent);
    query->Open();
    // Writing an item that is not there would change nothing and still look saved.
    if (query->IsEmpty())
        throw Exception(QStringLiteral("Položka %1 v katalogu není.").arg(FIdent));
    FGroup = query->FieldByName(QStringLiteral("IDTYP")).AsInteger();
    memo->SetText(query->FieldByName(QStringLiteral("OBSAH")).AsString());
    if (!FIsNew) {
        ShowStoredTexts(QStringLiteral("MATR"), FIdent, textBindings_);
        ShowStoredPath();
    }
    // Edit mode only opens the bound boxes for typing; SaveRecord writes the row itself.
    query->Edit();
}

void TfMatrEdit::ShowTreePath(QTreeWidgetItem* node)
{
    labelGrp->setText(node->text(0));
    QString path;
    for (QTreeWidgetItem* ancestor = node->parent(); ancestor; ancestor = ancestor->parent())
        path = ancestor->text(0) + kPathSeparator + path;
    labelRoot->setText(path);
}

void TfMatrEdit::ShowStoredPath()
{
    pathQuery = dm->NewQuery(kPathSql);
    const auto closer = qScopeGuard([this] { pathQuery->Close(); });
    QString path;
    QSet<qint32> seen;  // a damaged tree whose parents run in a circle must not hang the dialog
    qint32 ident = FGroup;
    bool first = true;
    do {
        seen.insert(ident);
        pathQuery->ParamByName(QStringLiteral("ident")).SetAsInteger(ident);
        pathQuery->Open();
        const bool found = !pathQuery->IsEmpty();
        const QString name = found ? pathQuery->FieldByName(QStringLiteral("NAZEV")).AsString() : QString();
        if (first)
            labelGrp->setText(name);
        else
            path = name + kPathSeparator + path;
        first = false;
        ident = found ? pathQuery->FieldByName(QStringLiteral("PARENT")).AsInteger() : 0;
        pathQuery->Close();
    } while (ident >= 1 && !seen.contains(ident));
    labelRoot->setText(path);
}

QString TfMatrEdit::ContentText() const
{
    QString content;
    for (const QString& line : memo->Lines())
        content += line + QStringLiteral("\r\n");
    return content;
}

void TfMatrEdit::SaveRecord()
{
    const QString name = edNazev->text();
    const QString description = edPopis->text();
    const QString place = edMisto->currentText();
    const QString document = edPath->text();
    const QString content = ContentText();
    CheckCodePage(name, QStringLiteral("Označení"));
    CheckCodePage(description, QStringLiteral("Popis"));
    CheckCodePage(document, QStringLiteral("Cesta na dokument"));
    CheckCodePage(place, QStringLiteral("Umístění"));
    CheckCodePage(content, QStringLiteral("Obsah"));
    // Bound, so that every text is stored as it stands (a NUL, quotes, line breaks).
    TParams values;
    values.Add(QStringLiteral("nazev")).SetAsString(name);
    values.Add(QStringLiteral("idtyp")).SetAsLargeInt(FGroup);
    values.Add(QStringLiteral("popis")).SetAsString(description);
    values.Add(QStringLiteral("misto")).SetAsString(place);
    values.Add(QStringLiteral("path")).SetAsString(document);
    values.Add(QStringLiteral("obsah")).SetAsString(content);
    values.Add(QStringLiteral("ident")).SetAsLargeInt(FIdent);
    dm->db.ExecSQL(QStringLiteral("UPDATE MATR SET NAZEV=:nazev,IDTYP=:idtyp,POPIS=:popis,MISTO=:misto,"
                                  "PATH_DOK=:path,OBSAH=:obsah WHERE IDENT=:ident"),
                   &values);
}

void TfMatrEdit::bOKClick()
{
    if (SaveAndCommit(this, [this] { SaveRecord(); }))
        done(1);
}

QString TfMatrEdit::ChooseFile(int maxLength)
{
    if (ExecFileSelect(*fileSelect) != QDialog::Accepted)
        return QString();
    const QString path = fileSelect->selectedFiles().value(0);
    if (path.isEmpty())
        return QString();
    if (!FitsCodePage(path)) {
        Refuse(this, path, QStringLiteral("obsahuje znaky mimo kódovou stránku Windows-1250"));
        return QString();
    }
    // The box would cut a longer path, and the item would name a file that was never stored.
    if (maxLength > 0 && path.size() > maxLength) {
        Refuse(this, path, QStringLiteral("je delší než %1 znaků").arg(maxLength));
        return QString();
    }
    return path;
}

void TfMatrEdit::StoreChosen(const QString& path, const std::function<void()>& putPath)
{
    SetProgressWindow(this);
    progressBar->show();
    labelProgress->show();
    const auto hide = qScopeGuard([this] {
        SetProgressWindow(nullptr);
        progressBar->hide();
        labelProgress->hide();
    });
    labelProgress->setText(QStringLiteral("Ukládám ") + DocumentFileName(path));
    putPath();
    if (QFileInfo(path).isFile())
        dm->StoreDocument(path, 0, [this](int index, const QString& file) { return StoreStep(index, file); });
}

void TfMatrEdit::btnClick()
{
    fileSelect->selectFile(edPath->text());
    const QString path = ChooseFile(edPath->maxLength());
    if (!path.isEmpty())
        StoreChosen(path, [this, &path] { edPath->setText(path); });
}

void TfMatrEdit::btnLinkClick()
{
    // Taken before the file dialog, which may move the focus and the caret.
    const int line = std::max(memo->CaretPos().line, 0);
    const QString path = ChooseFile(0);
    if (!path.isEmpty())
        StoreChosen(path, [this, line, &path] { memo->InsertLine(line, EncodeFileLink(path)); });
}

bool TfMatrEdit::StoreStep(int, const QString&)
{
    PumpMessages(this);
    return true;  // storing from the dialog cannot be cancelled
}

void TfMatrEdit::WMProgress(const TProgressEvent& event)
{
    if (progressBar->value() < event.Position())
        progressBar->setValue(int(std::min<qint64>(event.Position(), progressBar->maximum())));
}

void TfMatrEdit::memoKeyDown(QKeyEvent* event)
{
    const bool erases = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
    memo->SetReadOnly(memo->LineCount() > kMaxLines && !erases);
}

int TfMatrEdit::memoLineNumber(int line) const
{
    return line > kMaxLines ? 0 : line;
}

int ItemDialog(int ident, int group, QTreeWidgetItem* node, const QString& caption, int& newIdent, QWidget* owner)
{
    // The guard outlives the dialog, so the dialog's queries are gone before a rollback.
    WorkGuard work(*dm);
    TfMatrEdit dialog(owner ? owner : MainWindow());
    if (const TTreeData* data = TreeData(node); data && data->Ident > 0)
        dialog.ShowTreePath(node);
    dialog.setWindowTitle(caption);
    dialog.FIdent = ident;
    dialog.FGroup = std::max(group, 0);
    if (dialog.FIdent < 1)
        dialog.InsertNew();
    newIdent = dialog.FIdent;
    dialog.OpenRecord();
    if (dialog.exec() != 1)
        return 2;  // the guard rolls back: a new row and every document stored from the dialog go
    dialog.query->Close();
    work.Commit();
    return 1;
}
