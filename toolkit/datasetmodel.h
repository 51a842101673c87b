#pragma once

// A table model over a record set for grids. Rows are the record set's fetched rows that its
// filter accepts; more are fetched only when the view asks (canFetchMore/fetchMore), so a grid
// over a large table reads a screenful, never the whole result. A bound selection model keeps the
// view's current row and the record set's current record in step, both ways.

#include "exception_hook.h"
#include "sqlite/sql3_command.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

#include <vector>

class QItemSelectionModel;

class TDataSetModel : public QAbstractTableModel, private TDataLink {
    Q_OBJECT

public:
    explicit TDataSetModel(QObject* parent = nullptr);
    ~TDataSetModel() override;

    // The record set must outlive the model or be unbound first (nullptr).
    void SetDataSet(TMeral3Command* dataSet);
    TMeral3Command* DataSet() const { return TDataLink::DataSet(); }
    // Field names of the columns, left to right; empty shows every field.
    void SetColumns(const QStringList& fieldNames);
    TField* FieldOfColumn(int column) const;
    void BindSelection(QItemSelectionModel* selection);

    int RecordIndex(int row) const;  // the record set's row index of a model row, -1 outside
    int RowOfRecord(int index) const;  // the model row of a record set row, -1 when not shown

    // Errors raised by the record set while the view drives it (moving the current record).
    TErrorHook OnError;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    void ActiveChanged(bool active) override;
    void DataSetChanged() override;
    void RecordChanged(TField* field) override;
    void DataSetScrolled() override;

    void Rebuild();
    void TakeFetchedRows();
    void AppendRows(const std::vector<int>& records);
    std::vector<int> AcceptedFrom(int first);
    void SyncCurrent();
    void SelectionMoved(int row);

    QStringList columns_;
    std::vector<int> visible_;  // record set indexes, ascending
    int scanned_ = 0;           // record set rows already judged by the filter
    QPointer<QItemSelectionModel> selection_;
    bool syncing_ = false;
    bool changing_ = false;  // between our begin/end change signals
};
