#pragma once

// Binds one edit control to one field of a record set: the control shows the current record's
// value and, while the record set is in edit or insert mode, writes what the user types into the
// field. Supported: QLineEdit, QComboBox (editable), QPlainTextEdit, QTextEdit (and QTextBrowser),
// QLabel. Text boxes take their maximum length from the field's size and drop characters the
// code page cannot hold. The binding is a child of the control and goes with it.

#include "exception_hook.h"
#include "sqlite/sql3_command.h"

#include <QObject>
#include <QPointer>
#include <QValidator>
#include <QWidget>

// The text without the characters the catalogue's Windows-1250 code page cannot hold.
QString CodePageText(QStringView text);

// Drops the characters the code page cannot hold from what is typed, pasted or dropped into a
// line edit; the rest goes in.
class TCodePageValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

class TFieldBinding : public QObject, private TDataLink {
    Q_OBJECT

public:
    // The record set must outlive the binding, or be destroyed first (the binding then shows nothing).
    TFieldBinding(QWidget* control, TMeral3Command& dataSet, const QString& fieldName);
    ~TFieldBinding() override;

    TField* Field() const;  // none while the record set is closed or lacks the field
    const QString& FieldName() const { return fieldName_; }
    QWidget* Control() const { return control_; }

    // The current record's value as stored, for a text the record set holds cut to the field's
    // size (a longer value written by another program): the control shows it whole, its limit
    // raised to its length, so that writing the control back loses nothing. Holds until the
    // record changes; what the user types takes its place.
    void ShowWhole(const QString& stored);

    // Errors of writing a typed value (the control then shows the field's value again).
    TErrorHook OnError;

private:
    void ActiveChanged(bool) override { ShowNewRecord(); }
    void DataSetChanged() override { ShowNewRecord(); }
    void RecordChanged(TField* field) override;
    void DataSetScrolled() override { ShowNewRecord(); }
    void StateChanged(TDataSetState) override { ShowField(); }

    void ConnectControl();
    void ShowNewRecord();
    void ShowField();
    void SetControlText(const QString& text);
    void SetControlReadOnly(bool readOnly);
    void Typed(const QString& text);
    bool Editing() const;

    QPointer<QWidget> control_;
    QString fieldName_;
    QString whole_;  // null: the field's own value is whole
    bool controlReadOnly_ = false;  // the control's own setting, kept when the record set allows edits
    bool showing_ = false;
    bool writing_ = false;
};
