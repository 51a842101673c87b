#include "sql3_fields.h"

#include "sql3_command.h"
#include "sql3_utils.h"

#include <QIODevice>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

struct TypeRule {
    std::initializer_list<const char*> prefixes;
    TFieldType type;
};

// Tested in this order; the first prefix that matches decides.
const TypeRule kTypeRules[] = {
    {{"int"}, ftLargeint},
    {{"word", "byte"}, ftWord},
    {{"small"}, ftSmallint},
    {{"bigint", "largeint", "int64"}, ftLargeint},
    {{"float", "real", "numeric", "decimal"}, ftFloat},
    {{"currency", "money"}, ftCurrency},
    {{"datetime", "timestamp"}, ftDateTime},
    {{"bool", "logic", "bit"}, ftBoolean},
    {{"date"}, ftDate},
    {{"time"}, ftTime},
    {{"blob", "clob"}, ftBlob},
    {{"memo", "text"}, ftMemo},
    {{"image", "graphic", "picture"}, ftGraphic},
};

const QDateTime& DateTimeEpoch()
{
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    return epoch;
}

constexpr qint64 kMsPerDay = 86400000;

QByteArray Fixed(qint64 v)
{
    return QByteArray(reinterpret_cast<const char*>(&v), sizeof v);
}

QByteArray Fixed(double v)
{
    return QByteArray(reinterpret_cast<const char*>(&v), sizeof v);
}

bool IsIntegerType(TFieldType t)
{
    return t == ftSmallint || t == ftWord || t == ftInteger || t == ftLargeint;
}

bool IsDoubleType(TFieldType t)
{
    return t == ftFloat || t == ftCurrency || t == ftDate || t == ftDateTime;
}

}  // namespace

TFieldType FieldTypeFromDecl(const QString& declType, bool utf16)
{
    for (const TypeRule& rule : kTypeRules)
        for (const char* prefix : rule.prefixes)
            if (declType.startsWith(QLatin1String(prefix), Qt::CaseInsensitive))
                return rule.type;
    return utf16 ? ftWideString : ftString;
}

int TextSizeFromDecl(const QString& declType)
{
    QString rest = declType.trimmed();
    const qsizetype open = rest.indexOf(u'(');
    if (open >= 0)
        rest = rest.mid(open + 1);
    const qsizetype close = rest.indexOf(u')');
    if (close > 0)
        rest = rest.left(close);
    bool ok = false;
    const int size = rest.toInt(&ok, 10);
    return ok ? size : 128;
}

bool IsBlobType(TFieldType type)
{
    return type == ftBlob || type == ftMemo || type == ftGraphic || type == ftFmtMemo;
}

bool IsTextType(TFieldType type)
{
    return type == ftString || type == ftWideString || type == ftMemo;
}

QString FieldTypeName(TFieldType type)
{
    static const char* const names[] = {"Unknown", "String", "Smallint", "Integer", "Word", "Boolean",
                                        "Float", "Currency", "Date", "Time", "DateTime", "Blob", "Memo",
                                        "Graphic", "FmtMemo", "Largeint", "WideString"};
    return QString::fromLatin1(names[type]);
}

// ---- TField ----

TField::TField(TMeral3Command& dataSet, const QString& name, TFieldType type, int size)
    : dataSet_(dataSet), name_(name), type_(type), size_(type == ftString || type == ftWideString ? size : 0)
{
}

int TField::DisplayWidth() const
{
    if (displayWidth_ > 0)
        return displayWidth_;
    switch (type_) {
    case ftString:
    case ftWideString: return size_;
    case ftBoolean: return 5;
    case ftDate:
    case ftTime: return 10;
    case ftDateTime: return 18;
    case ftLargeint: return 15;
    default: return 10;
    }
}

QByteArrayView TField::Raw() const
{
    const TRowImage* row = dataSet_.ActiveRow();
    if (!row || index_ < 0 || !row->HasValue(index_))
        return {};
    return row->Bytes(index_);
}

namespace {

// A fixed-size value kept as its bytes in the row image; 0 when the slot holds none.
template <typename T>
T FromRaw(QByteArrayView raw)
{
    T v{};
    if (raw.size() == sizeof v)
        std::memcpy(&v, raw.data(), sizeof v);
    return v;
}

}  // namespace

qint64 TField::RawInteger() const { return FromRaw<qint64>(Raw()); }

double TField::RawFloat() const { return FromRaw<double>(Raw()); }

bool TField::IsNull() const
{
    const TRowImage* row = dataSet_.ActiveRow();
    return !row || index_ < 0 || !row->HasValue(index_);
}

QString TField::DecodeText(QByteArrayView bytes) const
{
    return FromCodePage(bytes);
}

QByteArray TField::EncodeText(const QString& text) const
{
    QByteArray bytes = ToCodePage(text);
    if (type_ == ftString && size_ > 0 && bytes.size() > size_)
        bytes.truncate(size_);
    return bytes;
}

QString TField::AsString() const
{
    const TRowImage* row = dataSet_.ActiveRow();
    if (!row || index_ < 0 || !row->HasValue(index_))
        return QString();
    switch (type_) {
    case ftString:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo:
    case ftBlob:
    case ftGraphic: return DecodeText(row->Bytes(index_));
    case ftBoolean: return RawInteger() ? QStringLiteral("True") : QStringLiteral("False");
    case ftFloat:
    case ftCurrency: return QString::number(RawFloat(), 'g', 15);
    case ftDate: return AsDateTime().date().toString(Qt::ISODate);
    case ftTime: return AsDateTime().time().toString(QStringLiteral("HH:mm:ss"));
    case ftDateTime: return AsDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    default: return QString::number(RawInteger());
    }
}

qint64 TField::AsLargeInt() const
{
    if (IsNull())
        return 0;
    if (IsIntegerType(type_) || type_ == ftBoolean || type_ == ftTime)
        return RawInteger();
    if (IsDoubleType(type_))
        return qint64(std::llround(RawFloat()));
    const QString text = AsString().trimmed();
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok)
        ConversionError(text, QStringLiteral("integer"));
    return v;
}

int TField::AsInteger() const
{
    return int(AsLargeInt());
}

double TField::AsFloat() const
{
    if (IsNull())
        return 0;
    if (IsDoubleType(type_))
        return RawFloat();
    if (IsIntegerType(type_) || type_ == ftBoolean)
        return double(RawInteger());
    if (type_ == ftTime)
        return double(RawInteger()) / kMsPerDay;
    const QString text = AsString().trimmed();
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok)
        ConversionError(text, QStringLiteral("floating point"));
    return v;
}

bool TField::AsBoolean() const
{
    if (IsNull())
        return false;
    if (type_ == ftBoolean || IsIntegerType(type_))
        return RawInteger() != 0;
    const QString text = AsString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || text == QLatin1String("1"))
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || text == QLatin1String("0"))
        return false;
    ConversionError(text, QStringLiteral("boolean"));
}

QDateTime TField::AsDateTime() const
{
    if (IsNull())
        return QDateTime();
    if (type_ == ftTime)
        return DateTimeEpoch().addMSecs(RawInteger());
    if (IsDoubleType(type_))
        return DateTimeEpoch().addMSecs(std::llround(RawFloat() * kMsPerDay));
    const QString text = AsString().trimmed();
    QDateTime v = QDateTime::fromString(text, Qt::ISODate);
    if (!v.isValid())
        ConversionError(text, QStringLiteral("date and time"));
    return v;
}

QByteArray TField::AsBytes() const
{
    if (IsNull())
        return QByteArray();
    if (IsBlobType(type_) || type_ == ftString || type_ == ftWideString)
        return Raw().toByteArray();
    return ToCodePage(AsString());
}

int TField::BlobSize() const
{
    return int(Raw().size());
}

QVariant TField::Value() const
{
    if (IsNull())
        return QVariant();
    switch (type_) {
    case ftString:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo: return AsString();
    case ftBlob:
    case ftGraphic: return AsBytes();
    case ftBoolean: return AsBoolean();
    case ftFloat:
    case ftCurrency: return AsFloat();
    case ftDate:
    case ftTime:
    case ftDateTime: return AsDateTime();
    default: return AsLargeInt();
    }
}

QString TField::DefaultText() const
{
    if (type_ == ftBlob || type_ == ftGraphic)
        return IsNull() ? QStringLiteral("(blob)") : QStringLiteral("(BLOB)");
    return AsString();
}

QString TField::Text() const
{
    QString text = DefaultText();
    if (OnGetText)
        OnGetText(const_cast<TField&>(*this), text, false);
    return text;
}

QString TField::DisplayText() const
{
    QString text = DefaultText();
    if (OnGetText)
        OnGetText(const_cast<TField&>(*this), text, true);
    return text;
}

void TField::ConversionError(const QString& value, const QString& kind) const
{
    dataSet_.ReportError(QStringLiteral("'%1' is not a valid %2 value for field '%3'").arg(value, kind, name_));
}

void TField::WriteRaw(QByteArrayView bytes, const QString& placeholderPrefix)
{
    dataSet_.WriteField(*this, true, bytes, placeholderPrefix);
}

void TField::Clear()
{
    dataSet_.WriteField(*this, false, {}, QString());
}

void TField::SetAsLargeInt(qint64 v)
{
    qint64 low = std::numeric_limits<qint64>::min(), high = std::numeric_limits<qint64>::max();
    if (type_ == ftSmallint)
        low = -32768, high = 32767;
    else if (type_ == ftWord)
        low = 0, high = 65535;
    else if (type_ == ftInteger)
        low = std::numeric_limits<int>::min(), high = std::numeric_limits<int>::max();
    if (v < low || v > high)
        dataSet_.ReportError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                                 .arg(v).arg(name_).arg(low).arg(high));
    if (IsIntegerType(type_) || type_ == ftTime)
        WriteRaw(Fixed(v));
    else if (type_ == ftBoolean)
        WriteRaw(Fixed(qint64(v != 0)));
    else if (IsDoubleType(type_))
        WriteRaw(Fixed(double(v)));
    else
        SetAsString(QString::number(v));
}

void TField::SetAsFloat(double v)
{
    if (IsDoubleType(type_))
        WriteRaw(Fixed(v));
    else if (IsIntegerType(type_) || type_ == ftBoolean)
        SetAsLargeInt(qint64(std::llround(v)));
    else if (type_ == ftTime)
        WriteRaw(Fixed(qint64(std::llround(v * kMsPerDay))));
    else
        SetAsString(QString::number(v, 'g', 15));
}

void TField::SetAsBoolean(bool v)
{
    if (type_ == ftBoolean || IsIntegerType(type_))
        WriteRaw(Fixed(qint64(v)));
    else
        SetAsString(v ? QStringLiteral("True") : QStringLiteral("False"));
}

void TField::SetAsDateTime(const QDateTime& v)
{
    if (!v.isValid()) {
        Clear();
        return;
    }
    const qint64 ms = DateTimeEpoch().msecsTo(v);
    if (type_ == ftTime)
        WriteRaw(Fixed(qint64(v.time().msecsSinceStartOfDay())));
    else if (type_ == ftDate)
        WriteRaw(Fixed(std::floor(double(ms) / kMsPerDay)));
    else if (IsDoubleType(type_))
        WriteRaw(Fixed(double(ms) / kMsPerDay));
    else
        SetAsString(v.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

void TField::SetAsString(const QString& v)
{
    switch (type_) {
    case ftString:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo:
    case ftBlob:
    case ftGraphic: WriteRaw(EncodeText(v)); return;
    default: break;
    }
    const QString text = v.trimmed();
    if (text.isEmpty()) {
        Clear();
        return;
    }
    bool ok = false;
    if (IsIntegerType(type_)) {
        const qint64 n = text.toLongLong(&ok);
        if (!ok)
            ConversionError(text, QStringLiteral("integer"));
        SetAsLargeInt(n);
    } else if (type_ == ftFloat || type_ == ftCurrency) {
        double d = text.toDouble(&ok);
        if (!ok)
            d = QString(text).replace(u',', u'.').toDouble(&ok);
        if (!ok)
            ConversionError(text, QStringLiteral("floating point"));
        SetAsFloat(d);
    } else if (type_ == ftBoolean) {
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || text == QLatin1String("1"))
            SetAsBoolean(true);
        else if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || text == QLatin1String("0"))
            SetAsBoolean(false);
        else
            ConversionError(text, QStringLiteral("boolean"));
    } else {
        QDateTime dt = QDateTime::fromString(text, Qt::ISODate);
        if (!dt.isValid())
            dt = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!dt.isValid() && type_ == ftTime)
            dt = QDateTime(DateTimeEpoch().date(), QTime::fromString(text, Qt::ISODate));
        if (!dt.isValid())
            ConversionError(text, QStringLiteral("date and time"));
        SetAsDateTime(dt);
    }
}

void TField::SetAsBytes(const QByteArray& v)
{
    if (IsBlobType(type_)) {
        WriteRaw(v);
    } else if (type_ == ftString) {
        WriteRaw(size_ > 0 ? QByteArrayView(v).first(std::min<qsizetype>(v.size(), size_)) : QByteArrayView(v));
    } else if (type_ == ftWideString) {
        const qsizetype units = std::min<qsizetype>(v.size() / 2, size_ > 0 ? size_ : v.size() / 2);
        WriteRaw(QByteArrayView(v).first(units * 2));
    } else {
        SetAsString(FromCodePage(v));
    }
}

void TField::SetValue(const QVariant& v)
{
    if (v.isNull()) {
        Clear();
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Bool: SetAsBoolean(v.toBool()); break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: SetAsLargeInt(v.toLongLong()); break;
    case QMetaType::Double:
    case QMetaType::Float: SetAsFloat(v.toDouble()); break;
    case QMetaType::QDateTime: SetAsDateTime(v.toDateTime()); break;
    case QMetaType::QDate: SetAsDateTime(v.toDate().startOfDay()); break;
    case QMetaType::QByteArray: SetAsBytes(v.toByteArray()); break;
    default: SetAsString(v.toString()); break;
    }
}

void TField::LoadFromStream(QIODevice& stream)
{
    const QByteArray bytes = stream.readAll();
    if (bytes.isEmpty() && !stream.errorString().isEmpty() && !stream.atEnd())
        dataSet_.ReportError(QStringLiteral("Cannot read the value of field '%1': %2").arg(name_, stream.errorString()));
    SetAsBytes(bytes);
}

void TField::SaveToStream(QIODevice& stream) const
{
    const QByteArray bytes = AsBytes();
    if (stream.write(bytes) != bytes.size())
        dataSet_.ReportError(QStringLiteral("Cannot write the value of field '%1': %2").arg(name_, stream.errorString()));
}

// ---- TWideStringField ----

TWideStringField::TWideStringField(TMeral3Command& dataSet, const QString& name, int size)
    : TField(dataSet, name, ftWideString, size)
{
}

QString TWideStringField::DecodeText(QByteArrayView bytes) const
{
    return QString(reinterpret_cast<const QChar*>(bytes.data()), bytes.size() / 2);
}

QByteArray TWideStringField::EncodeText(const QString& text) const
{
    const QString cut = Size() > 0 ? text.left(Size()) : text;
    return QByteArray(reinterpret_cast<const char*>(cut.utf16()), cut.size() * 2);
}

// ---- TFields ----

TField* TFields::FindField(const QString& name) const
{
    for (const auto& f : items_)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

TField& TFields::FieldByName(const QString& name) const
{
    TField* f = FindField(name);
    if (!f)
        owner_->ReportError(QStringLiteral("Field '%1' not found").arg(name));
    return *f;
}

TField& TFields::Add(std::unique_ptr<TField> field)
{
    field->index_ = int(items_.size());
    items_.push_back(std::move(field));
    return *items_.back();
}

void TFields::RemoveTemporary()
{
    std::erase_if(items_, [](const auto& f) { return !f->persistent_; });
    for (size_t i = 0; i < items_.size(); ++i) {
        items_[i]->index_ = int(i);
        items_[i]->fieldNo_ = 0;
    }
}
