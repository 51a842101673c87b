#include "fmTypyEdit.h"

#include "codepage.h"
#include "dialogwidgets.h"
#include "storedtext.h"
#include "toolkit/guard.h"

#include "data/bz2.h"
#include "data/uDM.h"
#include "toolkit/fieldbinding.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfTypyEdit::TfTypyEdit(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fTypyEdit"));
    setWindowFlags(Qt::Dialog | Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(544, 231);
    FormCreate();
}

TfTypyEdit::~TfTypyEdit() = default;

void TfTypyEdit::FormCreate()
{
    query = dm->NewQuery(QStringLiteral("SELECT IDENT,PARENT,LEVEL,NAZEV,POPIS FROM TYPY WHERE IDENT=:ident"));
    CreateControls();
    auto bind = [this](QWidget* control, const char* field) {
        auto* binding = new TFieldBinding(control, *query, QString::fromLatin1(field));
        binding->OnError = [](const Exception& e) { HandleError(e); };
        return binding;
    };
    bind(textIdent, "IDENT");
    bind(textLevel, "LEVEL");
    textBindings_ = {bind(edNazev, "NAZEV"), bind(edPopis, "POPIS")};
    connect(bOK, &QPushButton::clicked, this, GuardedSlot(this, &TfTypyEdit::bOKClick));
    connect(bCan, &QPushButton::clicked, this, &QDialog::reject);
}

void TfTypyEdit::CreateControls()
{
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setHorizontalSpacing(12);
    layout->setVerticalSpacing(12);
    layout->setColumnStretch(2, 1);

    textIdent = BoldLabel(this, QString(), "textIdent");
    textLevel = BoldLabel(this, QString(), "textLevel");
    textBranch = BoldLabel(this, QString(), "textBranch");
    edNazev = new QLineEdit(this);
    edNazev->setObjectName(QStringLiteral("edNazev"));
    edNazev->setFixedWidth(260);
    edPopis = new QLineEdit(this);
    edPopis->setObjectName(QStringLiteral("edPopis"));

    layout->addWidget(new QLabel(QStringLiteral("ID:"), this), 0, 0);
    layout->addWidget(textIdent, 0, 1, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Nadřízená větev:"), this), 1, 0);
    layout->addWidget(textLevel, 1, 1);
    layout->addWidget(textBranch, 1, 2);
    auto* nameLabel = new QLabel(QStringLiteral("&Název, označení:"), this);
    nameLabel->setBuddy(edNazev);
    layout->addWidget(nameLabel, 2, 0);
    layout->addWidget(edNazev, 2, 1, 1, 2, Qt::AlignLeft);
    auto* descriptionLabel = new QLabel(QStringLiteral("&Popis:"), this);
    descriptionLabel->setBuddy(edPopis);
    layout->addWidget(descriptionLabel, 3, 0);
    layout->addWidget(edPopis, 3, 1, 1, 2);
    layout->setRowStretch(4, 1);

    bOK = Button(this, "bOK", QStringLiteral("O&K"));
    bCan = Button(this, "bCan", QStringLiteral("&Storno"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bOK);
    buttons->addWidget(bCan);
    layout->addLayout(buttons, 5, 0, 1, 3);

    setTabOrder(edNazev, edPopis);
    setTabOrder(edPopis, bOK);
    setTabOrder(bOK, bCan);
    edNazev->setFocus();
}

void TfTypyEdit::SetBranchText(const QString& text)
{
    textBranch->setText(text);
}

void TfTypyEdit::InsertNew()
{
    FIdent = dm->NewIdent(QStringLiteral("TYPY"));
    dm->NewExec(QStringLiteral("INSERT INTO TYPY (IDENT, PARENT, LEVEL) VALUES(") + QString::number(FIdent) + u','
                + QString::number(FParent) + u',' + QString::number(FLevel) + u')')
        ->Execute();
}

void TfTypyEdit::OpenRecord()
{
    query->ParamByName(QStringLiteral("ident")).SetAsInteger(FIdent);
    query->Open();
    ShowStoredTexts(QStringLiteral("TYPY"), FIdent, textBindings_);
    // Edit mode only opens the bound boxes for typing; SaveRecord writes the row itself.
    query->Edit();
}

void TfTypyEdit::SaveRecord()
{
    const QString name = edNazev->text();
    const QString description = edPopis->text();
    CheckCodePage(name, QStringLiteral("Název"));
    CheckCodePage(description, QStringLiteral("Popis"));
    // Bound, so that every text is stored as it stands.
    TParams values;
    values.Add(QStringLiteral("nazev")).SetAsString(name);
    values.Add(QStringLiteral("popis")).SetAsString(description);
    values.Add(QStringLiteral("ident")).SetAsLargeInt(FIdent);
    dm->db.ExecSQL(QStringLiteral("UPDATE TYPY SET NAZEV=:nazev,POPIS=:popis WHERE IDENT=:ident"), &values);
}

void TfTypyEdit::bOKClick()
{
    if (SaveAndCommit(this, [this] { SaveRecord(); }))
        done(1);
}

int GroupDialog(int ident, int parent, int level, const QString& caption, const QString& branchText,
                int& newIdent, QWidget* owner)
{
    // The guard outlives the dialog, so the dialog's query is gone before a rollback.
    WorkGuard work(*dm);
    TfTypyEdit dialog(owner ? owner : MainWindow());
    dialog.setWindowTitle(caption);
    dialog.FIdent = ident;
    dialog.FLevel = level;
    dialog.FParent = parent;
    dialog.SetBranchText(branchText);
    if (dialog.FIdent < 1)
        dialog.InsertNew();
    newIdent = dialog.FIdent;
    dialog.OpenRecord();
    if (dialog.exec() != 1)
        return 2;  // the guard rolls back: a new row goes, an edited one keeps its values
    dialog.query->Close();
    work.Commit();
    return 1;
}
