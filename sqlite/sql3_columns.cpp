#include "sql3_defs.h"

#include "sql3_api.h"
#include "sql3_utils.h"

#include <QLocale>

namespace {

// A date-time stored as text: the user's short format first, then year-month-day with "-".
double ParseDateTime(const QString& text)
{
    const QLocale locale = QLocale::system();
    QDateTime value = locale.toDateTime(text, QLocale::ShortFormat);
    if (!value.isValid())
        value = locale.toDate(text, QLocale::ShortFormat).startOfDay(Qt::UTC);
    if (const double number = DateTimeToNumber(value); number != 0)
        return number;
    for (const char* format : {"yyyy-M-d H:mm:ss.zzz", "yyyy-M-d H:mm:ss", "yyyy-M-d H:mm", "yyyy-M-d"}) {
        value = QDateTime::fromString(text, QLatin1String(format));
        if (value.isValid())
            return DateTimeToNumber(value);
    }
    QDate date = QDate::fromString(text, QStringLiteral("yy-M-d"));
    if (date.isValid() && date.year() < QDate::currentDate().year() - 50)
        date = date.addYears(100);  // two-digit years within fifty years of today
    return DateTimeToNumber(date.startOfDay(Qt::UTC));
}

}  // namespace

// ---- column readers ----

int TMeral3Database::ColumnCount(sqlite3_stmt* s) const
{
    return s ? library_->api.column_count(s) : 0;
}

int TMeral3Database::ColumnType(sqlite3_stmt* s, int column) const
{
    return s ? library_->api.column_type(s, column) : 0;
}

int TMeral3Database::ColumnBytes(sqlite3_stmt* s, int column) const
{
    return s ? library_->api.column_bytes(s, column) : 0;
}

const void* TMeral3Database::ColumnBlob(sqlite3_stmt* s, int column) const
{
    return s ? library_->api.column_blob(s, column) : nullptr;
}

const char* TMeral3Database::ColumnText(sqlite3_stmt* s, int column) const
{
    return s ? reinterpret_cast<const char*>(library_->api.column_text(s, column)) : nullptr;
}

const char16_t* TMeral3Database::ColumnText16(sqlite3_stmt* s, int column) const
{
    return s ? static_cast<const char16_t*>(library_->api.column_text16(s, column)) : nullptr;
}

int TMeral3Database::ColumnInteger(sqlite3_stmt* s, int column) const
{
    return ColumnType(s, column) == sq3::INTEGER ? library_->api.column_int(s, column) : 0;
}

qint64 TMeral3Database::ColumnLargeInt(sqlite3_stmt* s, int column) const
{
    return ColumnType(s, column) == sq3::INTEGER ? library_->api.column_int64(s, column) : 0;
}

double TMeral3Database::ColumnFloat(sqlite3_stmt* s, int column) const
{
    switch (ColumnType(s, column)) {
    case sq3::INTEGER:
        return double(library_->api.column_int64(s, column));
    case sq3::FLOAT:
        return library_->api.column_double(s, column);
    default:
        return 0;
    }
}

double TMeral3Database::ColumnDateTime(sqlite3_stmt* s, int column) const
{
    switch (ColumnType(s, column)) {
    case 0:
    case sq3::NULL_VALUE:
        return 0;
    case sq3::INTEGER:
        return double(library_->api.column_int64(s, column));
    case sq3::FLOAT:
        return library_->api.column_double(s, column);
    default: {
        const char* text = ColumnText(s, column);  // before the byte count, which it may change
        return ParseDateTime(DecodeText(text, ColumnBytes(s, column)));
    }
    }
}

QString TMeral3Database::ColumnDeclType(sqlite3_stmt* s, int column) const
{
    const char* type = s ? library_->api.column_decltype(s, column) : nullptr;
    return type && *type ? DecodeText(type) : QStringLiteral("string");
}

QString TMeral3Database::ColumnName(sqlite3_stmt* s, int column) const
{
    return s ? DecodeText(library_->api.column_name(s, column)) : QString();
}
