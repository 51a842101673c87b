// The item list of the main window on a catalogue of 100,000 items in 2,000 groups: re-reading it
// after a sort change, after a text filter that matches 1 % of the items (to the first screen of
// rows and to the end) and after a branch change, each beside the SELECT behind it stepped
// through the engine's C API with the same collation, doing the same test on the rows the filter
// judges. A screen is 30 rows, what the list shows in a window of the designed size.

#include "app/fmMain.h"
#include "app/grouptreeview.h"

#include "data/grouptree.h"
#include "data/uDM.h"
#include "sqlite/sql3_api.h"  // the connection's own comparison, so both sides sort alike
#include "sqlite/sql3_utils.h"
#include "toolkit/datasetmodel.h"
#include "toolkit/messagebox.h"

#include <QApplication>
#include <QCollator>
#include <QLineEdit>
#include <QLocale>
#include <QSet>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <functional>
#include <memory>

namespace {

constexpr int kItems = 100000;
constexpr int kGroups = 2000;
constexpr int kScreenRows = 30;

// 20 top-level groups, 380 below them, 1,600 on the third level; items spread evenly over the
// groups, so a top-level branch (100 groups) holds 5 % of them. Every hundredth designation is
// a cable: the text filter "kabel" matches 1 %.
void Fill(TMeral3Database& db)
{
    const QString groups = QString::number(kGroups);
    db.ExecSQL(QStringLiteral("BEGIN;"
                              "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<")
               + groups
               + QStringLiteral(") INSERT INTO TYPY SELECT i,"
                                " CASE WHEN i<=20 THEN 0 WHEN i<=400 THEN (i-21)%20+1 ELSE 21+(i-401)%380 END,"
                                " CASE WHEN i<=20 THEN 0 WHEN i<=400 THEN 1 ELSE 2 END,"
                                " 'Skupina č. '||i, 'Popis skupiny '||i FROM n;"
                                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<")
               + QString::number(kItems) + QStringLiteral(") INSERT INTO MATR SELECT i, i%") + groups
               + QStringLiteral("+1,"
                                " CASE WHEN i%100=7 THEN 'Kabel CYKY '||i ELSE 'Šroub M'||(i%97)||' č. '||i END,"
                                " 'Nerezový šroub s šestihrannou hlavou, položka '||i,"
                                " 'Regál '||(i%50)||', police '||(i%7),"
                                " '/home/uživatel/Dokumenty/výkres'||i||'.pdf',"
                                " 'Obsah položky '||i||' http://example.com/'||i FROM n;"
                                "COMMIT;"));
}

// The data module and the main window over the filled catalogue, made once for the process.
struct Catalogue {
    QTemporaryDir home;
    std::unique_ptr<Tdm> data;
    std::unique_ptr<TfMain> window;

    Catalogue()
    {
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        {
            Tdm filler;
            filler.OpenCatalogue();
            Fill(filler.db);
        }
        data = std::make_unique<Tdm>();
        window = std::make_unique<TfMain>();
    }
    QString File() const { return data->db.DatabaseFile(); }
};

Catalogue& catalogue()
{
    static Catalogue c;
    return c;
}

// What the grid does as the user scrolls: fetch until `rows` are shown, or everything.
void ShowRows(TDataSetModel& model, int rows)
{
    while (model.rowCount() < rows && model.canFetchMore(QModelIndex()))
        model.fetchMore(QModelIndex());
}

void Counters(benchmark::State& state, int shown)
{
    state.counters["rows_shown"] = shown;
}

// --- The list ------------------------------------------------------------------------------------

void BM_ListSortChange(benchmark::State& state)
{
    TfMain& w = *catalogue().window;
    const int columns[] = {3, 2};  // description, designation
    int k = 0;
    for (auto _ : state) {
        w.gridTitleBtnClick(columns[k++ % 2]);
        ShowRows(*w.gridModel, kScreenRows);
        benchmark::DoNotOptimize(w.gridModel->rowCount());
    }
    Counters(state, w.gridModel->rowCount());
}

// A sort change that keeps the current row reads as far as that row stands in the new order;
// from the top of the list to the top of the other order.
void BM_ListSortChangeFromTheTop(benchmark::State& state)
{
    TfMain& w = *catalogue().window;
    const int columns[] = {3, 2};
    int k = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w.table.First();
        state.ResumeTiming();
        w.gridTitleBtnClick(columns[k++ % 2]);
        ShowRows(*w.gridModel, kScreenRows);
    }
    Counters(state, w.gridModel->rowCount());
}

void TextFilter(benchmark::State& state, int rows)
{
    TfMain& w = *catalogue().window;
    w.gridTitleBtnClick(2);
    for (auto _ : state) {
        state.PauseTiming();
        w.edFilter->clear();
        w.toolFilterClick();  // all items again
        w.table.First();
        w.edFilter->setText(QStringLiteral("kabel"));
        state.ResumeTiming();
        w.toolFilterClick();
        ShowRows(*w.gridModel, rows);
    }
    Counters(state, w.gridModel->rowCount());
    w.edFilter->clear();
    w.toolFilterClick();
}

void BM_ListTextFilter1pcFirstScreen(benchmark::State& state)
{
    TextFilter(state, kScreenRows);
}

void BM_ListTextFilter1pcToTheEnd(benchmark::State& state)
{
    TextFilter(state, kItems);
}

void BranchChange(benchmark::State& state, int rows)
{
    TfMain& w = *catalogue().window;
    w.gridTitleBtnClick(2);
    QTreeWidgetItem* branches[] = {Tdm::FindGroupNode(w.tree, 1), Tdm::FindGroupNode(w.tree, 2)};
    int k = 0;
    for (auto _ : state) {
        w.tree->setCurrentItem(branches[k++ % 2]);
        ShowRows(*w.gridModel, rows);
    }
    Counters(state, w.gridModel->rowCount());
    w.tree->setCurrentItem(w.tree->topLevelItem(0));
}

void BM_ListBranchChange(benchmark::State& state)
{
    BranchChange(state, kScreenRows);
}

void BM_ListBranchChangeToTheEnd(benchmark::State& state)
{
    BranchChange(state, kItems);
}

// --- The same statements through the C API ------------------------------------------------------

QString ColumnText(sqlite3_stmt* statement, int column)
{
    return FromCodePage(QByteArrayView(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                                       sqlite3_column_bytes(statement, column)));
}

// Steps the statement until `accept` has taken `rows` rows or the rows end; answers the rows taken.
void RawRun(benchmark::State& state, const QString& order, int rows,
            const std::function<bool(sqlite3_stmt*)>& accept)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(catalogue().File().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK
        || sqlite3_create_collation(db, "NATIVE", SQLITE_UTF8, const_cast<TCodePageOrder*>(&NativeCodePageOrder()), NativeCompareCodePage) != SQLITE_OK) {
        state.SkipWithError(sqlite3_errmsg(db));
        sqlite3_close(db);
        return;
    }
    const QByteArray sql = (QStringLiteral("SELECT *,_rowid_ FROM \"MATR\" ORDER BY ") + order).toUtf8();
    int taken = 0;
    for (auto _ : state) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK) {
            state.SkipWithError(sqlite3_errmsg(db));
            break;
        }
        taken = 0;
        while (taken < rows && sqlite3_step(statement) == SQLITE_ROW)
            if (accept(statement))
                ++taken;
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    Counters(state, taken);
}

void BM_RawSortByDescriptionFirstScreen(benchmark::State& state)
{
    RawRun(state, QStringLiteral("\"POPIS\" COLLATE NATIVE"), kScreenRows, [](sqlite3_stmt*) { return true; });
}

// The list's text test on every row: designation, description, content upper-cased and searched.
bool MatchesKabel(sqlite3_stmt* statement)
{
    static const QString text = QStringLiteral("KABEL");
    const QLocale locale;
    for (int column : {2, 3, 6})
        if (locale.toUpper(ColumnText(statement, column)).contains(text))
            return true;
    return false;
}

const QString kDesignationOrder = QStringLiteral("\"NAZEV\" COLLATE NATIVE,\"IDTYP\"");

void BM_RawTextFilter1pcFirstScreen(benchmark::State& state)
{
    RawRun(state, kDesignationOrder, kScreenRows, MatchesKabel);
}

void BM_RawTextFilter1pcToTheEnd(benchmark::State& state)
{
    RawRun(state, kDesignationOrder, kItems, MatchesKabel);
}

void Branch(benchmark::State& state, int rows)
{
    TfMain& w = *catalogue().window;
    w.tree->setCurrentItem(Tdm::FindGroupNode(w.tree, 2));
    QSet<int> groups;
    for (int i = 0; i < w.groupIdCount; ++i)
        groups.insert(w.groupIds[size_t(i)]);
    w.tree->setCurrentItem(w.tree->topLevelItem(0));
    RawRun(state, kDesignationOrder, rows,
           [&](sqlite3_stmt* statement) { return groups.contains(sqlite3_column_int(statement, 1)); });
}

void BM_RawBranchFirstScreen(benchmark::State& state)
{
    Branch(state, kScreenRows);
}

void BM_RawBranchToTheEnd(benchmark::State& state)
{
    Branch(state, kItems);
}

BENCHMARK(BM_ListSortChange)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(BM_ListSortChangeFromTheTop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(BM_RawSortByDescriptionFirstScreen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(BM_ListTextFilter1pcFirstScreen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(BM_RawTextFilter1pcFirstScreen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(BM_ListTextFilter1pcToTheEnd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(BM_RawTextFilter1pcToTheEnd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(BM_ListBranchChange)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(BM_RawBranchFirstScreen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(BM_ListBranchChangeToTheEnd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(BM_RawBranchToTheEnd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);

}  // namespace
