#pragma once

// A record set over one named table (or view): builds "SELECT *,_rowid_ FROM table" with an SQL
// filter and an order taken from an index definition or a column list; editable by default.

#include "sql3_command.h"

class TMeral3Table : public TMeral3Command {
public:
    TMeral3Table();

    const QString& TableName() const { return tableName_; }
    void SetTableName(const QString& name);
    const TIndexDefs& IndexDefs() const { return indexDefs_; }
    // The two orders exclude each other: setting one clears the other. On an open table a change
    // re-reads the rows, keeping the current one; an order that fails falls back to none and raises.
    const QString& IndexName() const { return indexName_; }
    void SetIndexName(const QString& name);
    const QString& IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(const QString& names);
    const QString& Filter() const { return filter_; }
    void SetFilter(const QString& condition);
    void SetFiltered(bool v) override;
    bool ReadOnly() const { return !RequestLive(); }
    void SetReadOnly(bool v) { SetRequestLive(!v); }
    bool AutoRefresh() const { return autoRefresh_; }
    void SetAutoRefresh(bool v) { autoRefresh_ = v; }

    // Rebuilds the statement and re-reads the rows without closing.
    void Requery();
    QString BuildSelect() const;

protected:
    void DoBeforeOpen() override;
    void DoAfterFieldDefs() override;
    void DoAfterPost() override;
    bool SkipsLastColumn() const override { return true; }

private:
    struct ColumnType {
        QString Name;
        QString DeclType;
    };
    void LoadSchema();
    void ReadColumnTypes();
    QString OrderClause(const QString& columns) const;
    void RecoverAfterFailure(bool wasActive);

    QString tableName_;
    QString indexName_;
    QString indexFieldNames_;
    QString filter_;
    bool autoRefresh_ = false;
    TIndexDefs indexDefs_;
    std::vector<ColumnType> columnTypes_;
};
