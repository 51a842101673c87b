#include "datasetmodel.h"

#include <QItemSelectionModel>

#include <algorithm>

namespace {

// Each fetchMore adds at least this many shown rows (or reaches the end), so a view whose filter
// rejects most rows still fills its screen and asks again.
constexpr int kMinRowsPerFetch = 64;

struct ChangeGuard {
    bool& flag;
    explicit ChangeGuard(bool& f) : flag(f) { flag = true; }
    ~ChangeGuard() { flag = false; }
};

}  // namespace

TDataSetModel::TDataSetModel(QObject* parent) : QAbstractTableModel(parent)
{
}

TDataSetModel::~TDataSetModel() = default;

void TDataSetModel::SetDataSet(TMeral3Command* dataSet)
{
    beginResetModel();
    TDataLink::SetDataSet(dataSet);
    visible_.clear();
    scanned_ = 0;
    endResetModel();
    Rebuild();
}

void TDataSetModel::SetColumns(const QStringList& fieldNames)
{
    beginResetModel();
    columns_ = fieldNames;
    endResetModel();
}

TField* TDataSetModel::FieldOfColumn(int column) const
{
    TMeral3Command* ds = DataSet();
    if (!ds || column < 0)
        return nullptr;
    if (columns_.isEmpty())
        return ds->Active() && column < ds->Fields().Count() ? &ds->Fields()[column] : nullptr;
    // Named columns are persistent fields, kept (with their titles) while the set is closed.
    return column < columns_.size() ? ds->FindField(columns_[column]) : nullptr;
}

void TDataSetModel::BindSelection(QItemSelectionModel* selection)
{
    if (selection_)
        disconnect(selection_, nullptr, this, nullptr);
    selection_ = selection;
    if (!selection_)
        return;
    connect(selection_, &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (!syncing_ && current.isValid())
                    SelectionMoved(current.row());
            });
    SyncCurrent();
}

int TDataSetModel::RecordIndex(int row) const
{
    return row >= 0 && row < int(visible_.size()) ? visible_[size_t(row)] : -1;
}

int TDataSetModel::RowOfRecord(int index) const
{
    const auto it = std::lower_bound(visible_.begin(), visible_.end(), index);
    return it != visible_.end() && *it == index ? int(it - visible_.begin()) : -1;
}

int TDataSetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(visible_.size());
}

int TDataSetModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    if (!columns_.isEmpty())
        return int(columns_.size());
    TMeral3Command* ds = DataSet();
    return ds && ds->Active() ? ds->Fields().Count() : 0;
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return QVariant();
    TField* field = FieldOfColumn(index.column());
    const int record = RecordIndex(index.row());
    if (!field || record < 0)
        return QVariant();
    if (role == Qt::TextAlignmentRole) {
        switch (field->DataType()) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftLargeint:
        case ftFloat:
        case ftCurrency: return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        default: return QVariant();
        }
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    try {
        TMeral3Command::TRowScope scope(*DataSet(), record);
        return field->DisplayText();
    } catch (const Exception&) {
        return QVariant();  // a row that cannot be shown stays blank rather than stopping painting
    }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        if (TField* field = FieldOfColumn(section))
            return field->DisplayLabel();
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columns_.size())
        return columns_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool TDataSetModel::canFetchMore(const QModelIndex& parent) const
{
    TMeral3Command* ds = DataSet();
    return !parent.isValid() && ds && ds->Active() && !ds->AllFetched();
}

void TDataSetModel::fetchMore(const QModelIndex& parent)
{
    TMeral3Command* ds = DataSet();
    // Asked again by a view reacting to our own change signals: the next call takes it up.
    if (parent.isValid() || !ds || !ds->Active() || changing_)
        return;
    std::vector<int> added;
    try {
        while (!ds->AllFetched() && int(added.size()) < kMinRowsPerFetch) {
            ds->FetchBatch();
            const std::vector<int> more = AcceptedFrom(scanned_);
            added.insert(added.end(), more.begin(), more.end());
        }
    } catch (const Exception& e) {
        ReportToHook(OnError, e);
    }
    AppendRows(added);
}

void TDataSetModel::AppendRows(const std::vector<int>& records)
{
    if (records.empty())
        return;
    const ChangeGuard guard(changing_);
    beginInsertRows(QModelIndex(), int(visible_.size()), int(visible_.size() + records.size()) - 1);
    visible_.insert(visible_.end(), records.begin(), records.end());
    endInsertRows();
}

// Judges the rows from `first` to the end of the fetched ones; advances scanned_.
std::vector<int> TDataSetModel::AcceptedFrom(int first)
{
    TMeral3Command* ds = DataSet();
    std::vector<int> accepted;
    const int count = ds->RecordCount();
    for (int i = first; i < count; ++i) {
        bool shown = false;
        try {
            shown = ds->RowAccepted(i);
        } catch (const Exception&) {
            shown = false;  // the record set reports its filter's failure when it moves
        }
        if (shown)
            accepted.push_back(i);
    }
    scanned_ = count;
    return accepted;
}

void TDataSetModel::Rebuild()
{
    {
        const ChangeGuard guard(changing_);
        beginResetModel();
        visible_.clear();
        scanned_ = 0;
        TMeral3Command* ds = DataSet();
        if (ds && ds->Active())
            visible_ = AcceptedFrom(0);
        endResetModel();
    }
    SyncCurrent();
}

void TDataSetModel::TakeFetchedRows()
{
    TMeral3Command* ds = DataSet();
    if (!ds || !ds->Active() || ds->RecordCount() <= scanned_)
        return;
    AppendRows(AcceptedFrom(scanned_));
}

void TDataSetModel::ActiveChanged(bool)
{
    Rebuild();
}

void TDataSetModel::DataSetChanged()
{
    Rebuild();
}

void TDataSetModel::RecordChanged(TField*)
{
    TMeral3Command* ds = DataSet();
    const int row = ds ? RowOfRecord(ds->CurrentIndex()) : -1;
    if (row >= 0 && columnCount() > 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void TDataSetModel::DataSetScrolled()
{
    TakeFetchedRows();
    SyncCurrent();
}

void TDataSetModel::SyncCurrent()
{
    TMeral3Command* ds = DataSet();
    if (!selection_ || syncing_ || !ds)
        return;
    const int row = ds->Active() ? RowOfRecord(ds->CurrentIndex()) : -1;
    syncing_ = true;
    if (row >= 0)
        selection_->setCurrentIndex(index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        selection_->clearCurrentIndex();
    syncing_ = false;
}

void TDataSetModel::SelectionMoved(int row)
{
    TMeral3Command* ds = DataSet();
    const int record = RecordIndex(row);
    if (!ds || record < 0 || record == ds->CurrentIndex())
        return;
    syncing_ = true;
    try {
        ds->GotoIndex(record);
    } catch (const Exception& e) {
        syncing_ = false;
        ReportToHook(OnError, e);
        SyncCurrent();  // the view goes back to the record that stayed current
        return;
    }
    syncing_ = false;
}
