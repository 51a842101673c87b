#pragma once

// Reads the whole result of one statement into a grid of texts. The connection answers its schema
// and pragma questions through it.

#include "sql3_defs.h"

#include <QByteArray>
#include <QString>

#include <vector>

class TMeral3SimpleTable : public TMeral3Component, public TMeral3Dependent {
public:
    explicit TMeral3SimpleTable(TMeral3Database* database = nullptr);
    ~TMeral3SimpleTable() override;
    TMeral3SimpleTable(const TMeral3SimpleTable&) = delete;
    TMeral3SimpleTable& operator=(const TMeral3SimpleTable&) = delete;

    TMeral3Database* Database() const { return database_; }
    void SetDatabase(TMeral3Database* database) { SwitchDatabase(database_, database); }
    const QString& TableName() const { return tableName_; }
    void SetTableName(const QString& value);  // clears ColumnList, OrderField and Filter
    const QString& ColumnList() const { return columnList_; }
    void SetColumnList(const QString& value) { columnList_ = value; }
    const QString& OrderField() const { return orderField_; }
    void SetOrderField(const QString& value) { orderField_ = value; }
    const QString& Filter() const { return filter_; }
    void SetFilter(const QString& value) { filter_ = value; }
    QString StringIfEmpty() const;  // a blank value reads as "Empty table"
    void SetStringIfEmpty(const QString& value) { stringIfEmpty_ = value; }

    // Reads the statement's result; a blank statement reads TableName (with ColumnList, Filter and
    // OrderField). Connects on demand.
    void Open(const QString& statement = QString());
    void Close();

    QString ColumnName(int index) const;
    int ColumnIndex(const QString& name) const;  // letter case ignored; -1 when missing
    QString Cell(int column, int row) const;     // empty outside the result
    QString CellByName(const QString& name, int row) const;
    int RowCount() const { return rowCount_; }
    int ColCount() const { return colCount_; }
    bool IsEmpty() const { return empty_; }
    int ResultCode() const { return resultCode_; }

    void DatabaseDisconnecting() override { Close(); }
    void DatabaseDestroyed() override { database_ = nullptr; }

private:
    QString BuildStatement() const;
    QString Decode(size_t position) const;

    TMeral3Database* database_ = nullptr;
    QString tableName_, columnList_, orderField_, filter_;
    QString stringIfEmpty_ = QStringLiteral("Empty");
    // The engine's grid copied at once (names first, then row by row), so no engine memory is
    // held between reads; a null entry is a NULL value.
    std::vector<QByteArray> grid_;
    bool utf16_ = false;
    bool empty_ = true;
    int rowCount_ = 1;
    int colCount_ = 1;
    int resultCode_ = -1;
};
