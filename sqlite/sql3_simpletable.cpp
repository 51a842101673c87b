#include "sql3_simpletable.h"

#include "sql3_api.h"
#include "sql3_utils.h"

TMeral3SimpleTable::TMeral3SimpleTable(TMeral3Database* database)
{
    SetDatabase(database);
}

TMeral3SimpleTable::~TMeral3SimpleTable()
{
    SetDatabase(nullptr);
}

void TMeral3SimpleTable::SetTableName(const QString& value)
{
    tableName_ = value;
    columnList_.clear();
    orderField_.clear();
    filter_.clear();
}

QString TMeral3SimpleTable::StringIfEmpty() const
{
    return IsBlank(stringIfEmpty_) ? QStringLiteral("Empty table") : stringIfEmpty_;
}

QString TMeral3SimpleTable::BuildStatement() const
{
    const QString table = QuoteIdent(tableName_, utf16_);
    QString sql = IsBlank(columnList_)
                      ? QStringLiteral("select * from ") + table
                      : QStringLiteral("select ") + QuoteIdentList(columnList_, utf16_) + QStringLiteral(" from ") + table;
    if (!IsBlank(filter_))
        sql += QStringLiteral(" WHERE ") + filter_;
    if (!IsBlank(orderField_))
        sql += QStringLiteral(" ORDER BY ") + QuoteIdentList(orderField_, utf16_);
    return sql;
}

void TMeral3SimpleTable::Open(const QString& statement)
{
    Close();
    resultCode_ = -1;
    if (IsBlank(statement) && IsBlank(tableName_))
        ReportError(QStringLiteral("Missing TableName property!"));
    if (!database_)
        ReportError(QStringLiteral("Not connected!"));
    database_->CheckConnected(false);
    utf16_ = database_->Utf16();
    const QString text = IsBlank(statement) ? BuildStatement() : statement;
    CheckStatementText(text);
    const QByteArray sql = database_->EncodeText(text);

    const Sqlite3Api& api = database_->Api();
    char** result = nullptr;
    char* error = nullptr;
    int rows = 0, columns = 0;
    resultCode_ = api.get_table(database_->Handle(), sql.constData(), &result, &rows, &columns, &error);
    const QString message = error ? database_->DecodeText(error) : database_->DecodeText(api.errmsg(database_->Handle()));
    if (error)
        api.free(error);
    if (result) {
        grid_.reserve(size_t(rows + 1) * size_t(columns));
        for (size_t i = 0; i < size_t(rows + 1) * size_t(columns); ++i)
            grid_.push_back(result[i] ? QByteArray(result[i]) : QByteArray());
        api.free_table(result);
    }
    if (resultCode_ != 0) {
        grid_.clear();
        ReportError(message);
    }
    empty_ = rows < 1 || columns < 1;
    rowCount_ = empty_ ? 1 : rows;
    colCount_ = empty_ ? 1 : columns;
}

void TMeral3SimpleTable::Close()
{
    grid_.clear();
    empty_ = true;
    rowCount_ = 1;
    colCount_ = 1;
}

QString TMeral3SimpleTable::Decode(size_t position) const
{
    if (position >= grid_.size())
        return QString();
    const QByteArray& bytes = grid_[position];
    return utf16_ ? QString::fromUtf8(bytes) : FromCodePage(bytes);
}

QString TMeral3SimpleTable::ColumnName(int index) const
{
    if (empty_ || index < 0 || index >= colCount_)
        return QString();
    return Decode(size_t(index));
}

int TMeral3SimpleTable::ColumnIndex(const QString& name) const
{
    if (empty_)
        return -1;
    for (int c = 0; c < colCount_; ++c)
        if (ColumnName(c).compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

QString TMeral3SimpleTable::Cell(int column, int row) const
{
    if (empty_)
        return StringIfEmpty();
    // Each bound on its own: a column past the end must not read the next row's cell, nor row -1
    // the column names.
    if (column < 0 || column >= colCount_ || row < 0 || row >= rowCount_)
        return QString();
    return Decode(size_t(column) + size_t(row + 1) * size_t(colCount_));
}

QString TMeral3SimpleTable::CellByName(const QString& name, int row) const
{
    if (empty_)
        return StringIfEmpty();
    const int column = ColumnIndex(name);
    if (column < 0)
        ReportError(QStringLiteral("Field '%1' not found").arg(name));
    return Cell(column, row);
}
