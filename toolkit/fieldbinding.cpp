#include "fieldbinding.h"

#include "sqlite/sql3_utils.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <algorithm>
#include <utility>

QString CodePageText(QStringView text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text)  // both halves of a surrogate pair go: the code page has neither
        if (FitsCodePage(QStringView(&c, 1)))
            kept += c;
    return kept;
}

QValidator::State TCodePageValidator::validate(QString& input, int& pos) const
{
    if (FitsCodePage(input))
        return Acceptable;
    // The caret stays behind what was kept of the text before it.
    pos = int(CodePageText(QStringView(input).left(pos)).size());
    input = CodePageText(input);
    return Acceptable;
}

namespace {

bool StoresCodePage(const TField& field)
{
    return field.DataType() != ftWideString;
}

}  // namespace

TFieldBinding::TFieldBinding(QWidget* control, TMeral3Command& dataSet, const QString& fieldName)
    : QObject(control), control_(control), fieldName_(fieldName)
{
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        controlReadOnly_ = edit->isReadOnly();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        controlReadOnly_ = plain->isReadOnly();
    else if (auto* rich = qobject_cast<QTextEdit*>(control))
        controlReadOnly_ = rich->isReadOnly();
    SetDataSet(&dataSet);
    ConnectControl();
    ShowField();
}

TFieldBinding::~TFieldBinding() = default;

TField* TFieldBinding::Field() const
{
    TMeral3Command* ds = DataSet();
    return ds && ds->Active() ? ds->FindField(fieldName_) : nullptr;
}

bool TFieldBinding::Editing() const
{
    TMeral3Command* ds = DataSet();
    return ds && (ds->State() == dsEdit || ds->State() == dsInsert);
}

void TFieldBinding::ConnectControl()
{
    if (auto* edit = qobject_cast<QLineEdit*>(control_.data()))
        connect(edit, &QLineEdit::textEdited, this, &TFieldBinding::Typed);
    else if (auto* combo = qobject_cast<QComboBox*>(control_.data()))
        connect(combo, &QComboBox::editTextChanged, this, &TFieldBinding::Typed);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control_.data()))
        connect(plain, &QPlainTextEdit::textChanged, this, [this, plain] { Typed(plain->toPlainText()); });
    else if (auto* rich = qobject_cast<QTextEdit*>(control_.data()))
        connect(rich, &QTextEdit::textChanged, this, [this, rich] { Typed(rich->toPlainText()); });
}

void TFieldBinding::RecordChanged(TField* field)
{
    if (!writing_ && (!field || field->FieldName().compare(fieldName_, Qt::CaseInsensitive) == 0))
        ShowNewRecord();  // written by someone else: a stored value given before is gone
}

void TFieldBinding::ShowWhole(const QString& stored)
{
    whole_ = stored;
    ShowField();
}

void TFieldBinding::ShowNewRecord()
{
    whole_ = QString();
    ShowField();
}

void TFieldBinding::ShowField()
{
    if (!control_)
        return;
    TField* field = Field();
    QString text;
    if (field) {
        try {
            text = qobject_cast<QLabel*>(control_.data()) ? field->DisplayText() : field->Text();
        } catch (const Exception& e) {
            ReportToHook(OnError, e);
        }
    }
    // The field holds the start of the stored value; the control shows all of it.
    if (whole_.size() > text.size() && whole_.startsWith(text))
        text = whole_;
    const int size = field && (field->DataType() == ftString || field->DataType() == ftWideString) ? field->Size() : 0;
    QLineEdit* line = qobject_cast<QLineEdit*>(control_.data());
    if (auto* combo = qobject_cast<QComboBox*>(control_.data()))
        line = combo->lineEdit();
    if (line) {
        line->setMaxLength(size > 0 ? std::max(size, int(text.size())) : 32767);
        if (field && StoresCodePage(*field) && !dynamic_cast<const TCodePageValidator*>(line->validator()))
            line->setValidator(new TCodePageValidator(line));
    }
    showing_ = true;
    SetControlText(text);
    SetControlReadOnly(controlReadOnly_ || !field || field->ReadOnly() || !Editing());
    showing_ = false;
}

void TFieldBinding::SetControlText(const QString& text)
{
    if (auto* edit = qobject_cast<QLineEdit*>(control_.data())) {
        if (edit->text() != text)
            edit->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(control_.data())) {
        if (combo->currentText() != text)
            combo->setCurrentText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control_.data())) {
        if (plain->toPlainText() != text)
            plain->setPlainText(text);
    } else if (auto* rich = qobject_cast<QTextEdit*>(control_.data())) {
        if (rich->toPlainText() != text)
            rich->setPlainText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control_.data())) {
        label->setText(text);
    }
}

void TFieldBinding::SetControlReadOnly(bool readOnly)
{
    if (auto* edit = qobject_cast<QLineEdit*>(control_.data()))
        edit->setReadOnly(readOnly);
    else if (auto* combo = qobject_cast<QComboBox*>(control_.data()); combo && combo->lineEdit())
        combo->lineEdit()->setReadOnly(readOnly);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control_.data()))
        plain->setReadOnly(readOnly);
    else if (auto* rich = qobject_cast<QTextEdit*>(control_.data()))
        rich->setReadOnly(readOnly);
}

void TFieldBinding::Typed(const QString& text)
{
    TField* field = Field();
    if (showing_ || !field || !Editing())
        return;
    writing_ = true;
    const QString shown = std::exchange(whole_, text);  // the field may keep only its start
    try {
        field->SetAsString(text);
    } catch (const Exception& e) {
        whole_ = shown;
        writing_ = false;
        ShowField();
        ReportToHook(OnError, e);
        return;
    }
    writing_ = false;
}
