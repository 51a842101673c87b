#pragma once

// Fields of a record set: typed access to one column of the record set's active row.
// A field never owns a value; it reads the row image its record set points it at (the current
// row, the row under the filter handler, or the new row of an insert) and writes through the
// record set, which records the change for posting.

#include "sql3_defs.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class TMeral3Command;

// Declared column type -> field type, and the size of a text column ("VARCHAR(32)" -> 32, else 128).
TFieldType FieldTypeFromDecl(const QString& declType, bool utf16);
int TextSizeFromDecl(const QString& declType);
bool IsBlobType(TFieldType type);   // blob, memo, graphic, formatted memo
bool IsTextType(TFieldType type);   // string, wide string, memo: the columns that sort as text
QString FieldTypeName(TFieldType type);

// One result column as the statement describes it. A hidden definition repeats an earlier name
// and has no field.
struct TFieldDef {
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    int FieldNo = 0;  // 1-based column number
    bool Hidden = false;
};

class TField {
public:
    // Text of a field as shown (display) or as edited; set text to replace the default.
    using TGetTextEvent = std::function<void(TField& sender, QString& text, bool displayText)>;

    TField(TMeral3Command& dataSet, const QString& name, TFieldType type, int size);
    virtual ~TField() = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TMeral3Command& DataSet() const { return dataSet_; }
    const QString& FieldName() const { return name_; }
    TFieldType DataType() const { return type_; }
    int Size() const { return size_; }
    int Index() const { return index_; }      // position among the record set's fields
    int FieldNo() const { return fieldNo_; }  // 1-based result column, 0 while unbound

    const QString& DisplayLabel() const { return displayLabel_.isEmpty() ? name_ : displayLabel_; }
    void SetDisplayLabel(const QString& v) { displayLabel_ = v; }
    int DisplayWidth() const;  // in characters; text fields default to their size
    void SetDisplayWidth(int v) { displayWidth_ = v; }
    bool Required() const { return required_; }
    void SetRequired(bool v) { required_ = v; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v) { readOnly_ = v; }

    TGetTextEvent OnGetText;

    bool IsNull() const;
    bool IsBlob() const { return IsBlobType(type_); }

    QString AsString() const;
    int AsInteger() const;
    qint64 AsLargeInt() const;
    double AsFloat() const;
    bool AsBoolean() const;
    QDateTime AsDateTime() const;
    QByteArray AsBytes() const;  // text fields: the stored bytes (Windows-1250 or UTF-16)
    QVariant Value() const;      // null QVariant for NULL
    QString Text() const;        // the edit text (OnGetText with displayText false)
    QString DisplayText() const;
    int BlobSize() const;

    void SetAsString(const QString& v);
    void SetAsInteger(int v) { SetAsLargeInt(v); }
    void SetAsLargeInt(qint64 v);
    void SetAsFloat(double v);
    void SetAsBoolean(bool v);
    void SetAsDateTime(const QDateTime& v);
    void SetAsBytes(const QByteArray& v);
    void SetValue(const QVariant& v);
    void Clear();

    void LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream) const;

protected:
    // Text <-> stored bytes; the wide-string field stores UTF-16.
    virtual QString DecodeText(QByteArrayView bytes) const;
    virtual QByteArray EncodeText(const QString& text) const;

private:
    friend class TMeral3Command;
    friend class TFields;

    QByteArrayView Raw() const;  // the slot's bytes; empty view for NULL
    qint64 RawInteger() const;
    double RawFloat() const;
    void WriteRaw(QByteArrayView bytes, const QString& placeholderPrefix = QStringLiteral(":PARA"));
    QString DefaultText() const;
    [[noreturn]] void ConversionError(const QString& value, const QString& kind) const;

    TMeral3Command& dataSet_;
    QString name_;
    QString displayLabel_;
    TFieldType type_;
    int size_;
    int displayWidth_ = 0;
    int index_ = -1;
    int fieldNo_ = 0;
    bool required_ = false;
    bool readOnly_ = false;
    bool persistent_ = false;
};

// Text of a UTF-16 database: the slot holds UTF-16 code units, at most Size of them.
class TWideStringField : public TField {
public:
    TWideStringField(TMeral3Command& dataSet, const QString& name, int size);

protected:
    QString DecodeText(QByteArrayView bytes) const override;
    QByteArray EncodeText(const QString& text) const override;
};

// The fields of one record set, in slot order. The record set owns them.
class TFields {
public:
    int Count() const { return int(items_.size()); }
    TField& operator[](int i) const { return *items_[size_t(i)]; }
    TField* FindField(const QString& name) const;  // letter case ignored
    TField& FieldByName(const QString& name) const;  // raises "Field '%s' not found"

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    friend class TMeral3Command;
    TField& Add(std::unique_ptr<TField> field);
    void RemoveTemporary();  // drops the fields made at open, keeps the persistent ones

    std::vector<std::unique_ptr<TField>> items_;
    const TMeral3Component* owner_ = nullptr;
};
