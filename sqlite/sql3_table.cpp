#include "sql3_table.h"

#include "sql3_api.h"
#include "sql3_utils.h"

namespace {

QString Unquoted(const QString& name)
{
    if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"'))
        return name.mid(1, name.size() - 2);
    return name;
}

}  // namespace

TMeral3Table::TMeral3Table() : TMeral3Command(ckTable)
{
    SetRequestLive(true);
}

void TMeral3Table::SetTableName(const QString& name)
{
    if (name != tableName_) {
        Close();
        indexFieldNames_.clear();
        indexName_.clear();
        indexDefs_.clear();
        columnTypes_.clear();
    }
    tableName_ = name;
    if (IsBlank(name))
        return;
    if (Database() && Database()->Connected())
        LoadSchema();
    SetStatementText(BuildSelect());
}

void TMeral3Table::LoadSchema()
{
    Database()->GetIndexDefs(indexDefs_, tableName_);
    ReadColumnTypes();
}

// The declared types tell which order columns are text (they get the locale collation).
void TMeral3Table::ReadColumnTypes()
{
    TMeral3Database& db = *Database();
    columnTypes_.clear();
    int columns = 0;
    TStatementHolder statement(
        db, db.RunStatements(QStringLiteral("pragma table_info(") + QuoteIdent(tableName_) + u')', nullptr, columns));
    auto text = [&](int col) {
        return db.DecodeText(db.ColumnText(statement.Get(), col), db.ColumnBytes(statement.Get(), col));
    };
    while (statement && db.LastResult() == sq3::ROW) {
        columnTypes_.push_back({text(1), text(2)});
        statement.Step();
    }
}

QString TMeral3Table::OrderClause(const QString& columns) const
{
    QStringList terms = QuoteIdentList(columns).split(u',');
    if (Database() && Database()->Collation() == dcNative) {
        for (QString& term : terms) {
            const QString name = Unquoted(term);
            for (const ColumnType& c : columnTypes_)
                if (c.Name.compare(name, Qt::CaseInsensitive) == 0
                    && IsTextType(FieldTypeFromDecl(c.DeclType, Database()->Utf16()))) {
                    term += QStringLiteral(" COLLATE NATIVE");
                    break;
                }
        }
    }
    return QStringLiteral(" ORDER BY ") + terms.join(u',');
}

QString TMeral3Table::BuildSelect() const
{
    QString sql = QStringLiteral("SELECT *,_rowid_ FROM ") + QuoteIdent(tableName_);
    if (Filtered() && !IsBlank(filter_))
        sql += QStringLiteral(" WHERE ") + filter_;
    if (!IsBlank(indexName_)) {
        auto def = std::find_if(indexDefs_.begin(), indexDefs_.end(), [&](const TIndexDef& d) {
            return d.Name.compare(indexName_, Qt::CaseInsensitive) == 0;
        });
        if (def == indexDefs_.end())
            ReportError(QStringLiteral("Invalid index!\r\n") + indexName_);
        sql += OrderClause(def->Fields);
    } else if (!IsBlank(indexFieldNames_)) {
        sql += OrderClause(indexFieldNames_);
    }
    return sql;
}

void TMeral3Table::Requery()
{
    InstallStatementText(BuildSelect());
    if (Active())
        Refresh();
}

// After a failed re-read: the caller has put back a working order or filter; show the rows again.
void TMeral3Table::RecoverAfterFailure(bool wasActive)
{
    SetSkipReposition(false);
    InstallStatementText(BuildSelect());
    if (Active())
        Refresh();
    else if (wasActive)
        Open();
}

void TMeral3Table::SetIndexName(const QString& name)
{
    indexFieldNames_.clear();
    indexName_ = name;
    if (!Active())
        return;
    try {
        Requery();
    } catch (const EDatabaseError&) {
        indexName_.clear();
        indexFieldNames_.clear();
        RecoverAfterFailure(true);
        ReportError(QStringLiteral("Invalid index!\r\n") + name);
    }
}

void TMeral3Table::SetIndexFieldNames(const QString& names)
{
    indexName_.clear();
    indexFieldNames_ = names;
    if (!Active())
        return;
    try {
        Requery();
    } catch (const EDatabaseError&) {
        indexFieldNames_.clear();
        RecoverAfterFailure(true);
        ReportError(QStringLiteral("Invalid index field(s)!\r\n") + names);
    }
}

void TMeral3Table::SetFilter(const QString& condition)
{
    // Exact comparison: document paths are looked up byte for byte.
    const bool differs = condition != filter_;
    filter_ = condition;
    if (Active() && Filtered() && differs)
        SetFiltered(true);
}

void TMeral3Table::SetFiltered(bool v)
{
    if (Active())
        CheckBrowseMode();
    SetFilteredFlag(v);
    if (!Active())
        return;
    // Switching a filter on starts at the first row; switching it off keeps the current one.
    SetSkipReposition(v);
    try {
        Requery();
    } catch (const EDatabaseError&) {
        SetFilteredFlag(false);
        RecoverAfterFailure(true);
        ReportError(QStringLiteral("Invalid filter expression!\r\n") + filter_);
    }
}

void TMeral3Table::DoBeforeOpen()
{
    if (IsBlank(tableName_))
        ReportError(QStringLiteral("Missing TableName property!"));
    if (!Database())
        ReportError(QStringLiteral("Missing Database property!"));
    Database()->CheckConnected(false);
    if (indexDefs_.empty() || columnTypes_.empty())
        LoadSchema();
    SetIsView(Database()->GetObjectType(tableName_).compare(QLatin1String("view"), Qt::CaseInsensitive) == 0);
    InstallStatementText(BuildSelect());
}

void TMeral3Table::DoAfterFieldDefs()
{
    std::vector<TColumnInfo> columns;
    Database()->GetColumnInfo(columns, tableName_);
    for (const TColumnInfo& c : columns)
        if (c.Flags & (1 | 4))
            if (TField* f = FindField(c.Name))
                f->SetRequired(true);
}

void TMeral3Table::DoAfterPost()
{
    if (autoRefresh_)
        Refresh();
}
