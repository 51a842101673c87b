#include "sql3_defs.h"

#include "sql3_simpletable.h"
#include "sql3_utils.h"

#include <algorithm>

namespace {

QString AsciiLower(const QString& text)
{
    QString lower = text;
    for (QChar& c : lower)
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(c.unicode() - 'A' + 'a');
    return lower;
}

// A name as a string literal for the pragmas that take one; an already quoted name loses its quotes.
QString NameLiteral(const QString& name)
{
    QString plain = TrimControls(name);
    if (plain.size() >= 2 && plain.startsWith(QLatin1Char('"')) && plain.endsWith(QLatin1Char('"')))
        plain = plain.mid(1, plain.size() - 2);
    return QuoteString(plain);
}

bool IsSet(const QString& flag)
{
    return !IsBlank(flag) && flag.trimmed() != QLatin1String("0");
}

}  // namespace

// ---- schema questions ----

void TMeral3Database::GetTableNames(QStringList& list, bool includeSystemTable)
{
    if (includeSystemTable)
        list << QStringLiteral("sqlite_master");
    GetObjectNames(QStringLiteral("table"), list);
}

void TMeral3Database::GetObjectNames(const QString& type, QStringList& list, const QString& tableName)
{
    QString sql = QStringLiteral("select name from sqlite_master where Lower(type)=") + QuoteString(type);
    if (!IsBlank(tableName))
        sql += QStringLiteral(" and tbl_name=") + QuoteString(tableName);
    sql += QStringLiteral(" order by name");
    TMeral3SimpleTable reader(this);
    reader.Open(sql);
    if (reader.IsEmpty())
        return;
    for (int r = 0; r < reader.RowCount(); ++r)
        list << reader.Cell(0, r);
}

void TMeral3Database::GetColumnInfo(std::vector<TColumnInfo>& list, const QString& tableName)
{
    if (IsBlank(tableName))
        return;
    TMeral3SimpleTable reader(this);
    reader.Open(QStringLiteral("pragma table_info(") + QuoteIdent(tableName) + QLatin1Char(')'));
    if (reader.IsEmpty())
        return;
    for (int r = 0; r < reader.RowCount(); ++r) {
        int flags = 0;
        if (IsSet(reader.CellByName(QStringLiteral("PK"), r)))
            flags = reader.CellByName(QStringLiteral("TYPE"), r).compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0
                        ? 3
                        : 1;
        if (IsSet(reader.CellByName(QStringLiteral("NOTNULL"), r)))
            flags += 4;
        list.push_back(TColumnInfo{reader.CellByName(QStringLiteral("NAME"), r), flags});
    }
}

void TMeral3Database::GetIndexDefs(TIndexDefs& defs, const QString& tableName)
{
    defs.clear();
    std::vector<TColumnInfo> columns;
    GetColumnInfo(columns, tableName);
    auto key = std::find_if(columns.begin(), columns.end(), [](const TColumnInfo& c) { return c.Flags & 1; });
    if (key != columns.end())
        defs.push_back(TIndexDef{QStringLiteral("_primary_key"), key->Name, true, true});

    TMeral3SimpleTable indexes(this);
    indexes.Open(QStringLiteral("pragma index_list(") + NameLiteral(tableName) + QLatin1Char(')'));
    if (indexes.IsEmpty())
        return;
    for (int r = 0; r < indexes.RowCount(); ++r) {
        const QString name = indexes.CellByName(QStringLiteral("name"), r);
        if (name.compare(QLatin1String("_primary_key"), Qt::CaseInsensitive) == 0)
            continue;
        TMeral3SimpleTable info(this);
        info.Open(QStringLiteral("pragma index_info(") + NameLiteral(name) + QLatin1Char(')'));
        if (info.IsEmpty())
            continue;
        QStringList fields;
        for (int i = 0; i < info.RowCount(); ++i)
            fields << info.CellByName(QStringLiteral("name"), i);
        const bool unique = indexes.CellByName(QStringLiteral("unique"), r).trimmed().toInt() != 0;
        defs.push_back(TIndexDef{name, fields.join(QLatin1Char(';')), false, unique});
    }
}

QString TMeral3Database::GetObjectType(const QString& name)
{
    if (name.compare(QLatin1String("sqlite_master"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("table");
    TMeral3SimpleTable reader(this);
    reader.Open(QStringLiteral("select type, name from sqlite_master where Lower(name)=") + QuoteString(AsciiLower(name)));
    return reader.IsEmpty() ? QString() : reader.Cell(0, 0);
}

QString TMeral3Database::GetPragma(const QString& pragma)
{
    TMeral3SimpleTable reader(this);
    reader.Open(QStringLiteral("pragma ") + pragma);
    return reader.IsEmpty() ? QString() : reader.Cell(0, 0);
}
