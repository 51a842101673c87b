// The item list of the main window on a catalogue of 100,000 items in 2,000 groups: re-reading it
// after a sort change, after a text filter that matches 1 % of the items (to the first screen of
// rows and to the end) and after a branch change, each timed in alternation with the SELECT behind
// it stepped through the engine's C API with the same collation, doing the same test on the rows
// the filter judges. A screen is 30 rows, what the list shows in a window of the designed size.

#include "app/fmMain.h"
#include "app/grouptreeview.h"

#include "data/grouptree.h"
#include "data/uDM.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/datasetmodel.h"
#include "toolkit/messagebox.h"

#include "app_fixture.h"
#include "bench_data.h"
#include "ratio.h"
#include "raw_catalogue.h"

#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QSet>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <functional>
#include <memory>

namespace {

constexpr int kScreenRows = 30;

// The data module and the main window over the filled catalogue, made once for the process.
struct Catalogue {
    PrivateDataHome home;
    std::unique_ptr<Tdm> data;
    std::unique_ptr<TfMain> window;

    Catalogue()
    {
        {
            Tdm filler;
            filler.OpenCatalogue();
            FillLargeCatalogue(filler.db);
        }
        data = std::make_unique<Tdm>();
        window = std::make_unique<TfMain>();
    }
    QString File() const { return data->db.DatabaseFile(); }
};

Catalogue& catalogue() { return AppFixture<Catalogue>(); }

// What the grid does as the user scrolls: fetch until `rows` are shown, or everything.
void ShowRows(TDataSetModel& model, int rows)
{
    while (model.rowCount() < rows && model.canFetchMore(QModelIndex()))
        model.fetchMore(QModelIndex());
}

// --- The list ------------------------------------------------------------------------------------

constexpr int kDescription = 3, kDesignation = 2;  // the title buttons

// Two sort changes (by description, by designation), each to the first screen.
void SortChanges(TfMain& w)
{
    for (int column : {kDescription, kDesignation}) {
        w.gridTitleBtnClick(column);
        ShowRows(*w.gridModel, kScreenRows);
    }
}

void ClearTextFilter(TfMain& w)
{
    w.edFilter->clear();
    w.toolFilterClick();
}

// All items, unfiltered, whatever the benchmark before left (the benchmarks run interleaved).
void WholeList(TfMain& w)
{
    if (!w.edFilter->text().isEmpty())
        ClearTextFilter(w);
    if (w.tree->currentItem() != w.tree->topLevelItem(0))
        w.tree->setCurrentItem(w.tree->topLevelItem(0));
}

void PrepareTextFilter(TfMain& w)
{
    WholeList(w);
    w.gridTitleBtnClick(kDesignation);
    w.table.First();
    w.edFilter->setText(QStringLiteral("kabel"));
}

QTreeWidgetItem* Branch(TfMain& w, int group) { return Tdm::FindGroupNode(w.tree, group); }

// Two branch changes (to the first and to the second top-level group), each to `rows`.
void BranchChanges(TfMain& w, int rows)
{
    for (int group : {1, 2}) {
        w.tree->setCurrentItem(Branch(w, group));
        ShowRows(*w.gridModel, rows);
    }
}

// --- The same statements through the C API ------------------------------------------------------

const QByteArray kByDescription = "SELECT *,_rowid_ FROM \"MATR\" ORDER BY \"POPIS\" COLLATE NATIVE";
const QByteArray kByDesignation = "SELECT *,_rowid_ FROM \"MATR\" ORDER BY \"NAZEV\" COLLATE NATIVE,\"IDTYP\"";

// Steps the statement until `accept` has taken `rows` rows or the rows end; answers the rows taken.
int Take(const RawCatalogue& raw, const QByteArray& sql, int rows, const std::function<bool(sqlite3_stmt*)>& accept)
{
    int taken = 0;
    raw.Select(sql, [&](sqlite3_stmt* statement) {
        if (accept(statement))
            ++taken;
        return taken < rows;
    });
    return taken;
}

bool Any(sqlite3_stmt*) { return true; }

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

// The groups of a branch as the window collects them for its test.
QSet<int> BranchGroups(TfMain& w, int group)
{
    w.tree->setCurrentItem(Branch(w, group));
    QSet<int> groups;
    for (int i = 0; i < w.groupIdCount; ++i)
        groups.insert(w.groupIds[size_t(i)]);
    w.tree->setCurrentItem(w.tree->topLevelItem(0));
    return groups;
}

void RawBranches(const RawCatalogue& raw, const QSet<int> (&groups)[2], int rows)
{
    for (const QSet<int>& branch : groups)
        benchmark::DoNotOptimize(
            Take(raw, kByDesignation, rows, [&](sqlite3_stmt* s) { return branch.contains(sqlite3_column_int(s, 1)); }));
}

// Registered at start-up: the window and the catalogue are made when the first benchmark runs.
struct Ratios {
    Ratios()
    {
        const auto window = [] { return std::ref(*catalogue().window); };
        const auto raw = [] {
            static const RawCatalogue r(catalogue().File());  // the engine's handle needs no application
            return std::cref(r);
        };
        const auto rawSortChanges = [raw] {
            for (const QByteArray& sql : {kByDescription, kByDesignation})
                benchmark::DoNotOptimize(Take(raw(), sql, kScreenRows, Any));
        };
        bench::AddRatio({"list-sort-change", "two sort changes to the first screen against their SELECTs through the C API",
                         {[window] { SortChanges(window()); }, [window] { WholeList(window()); }}, {rawSortChanges, {}},
                         "<=", 1.2});
        bench::AddRatio({"list-sort-change-from-top", "the same from the top of the list",
                         {[window] { SortChanges(window()); },
                          [window] {
                              WholeList(window());
                              window().get().table.First();
                          }},
                         {rawSortChanges, {}}, "<=", 1.2});
        const auto filter = [window](int rows) {
            TfMain& w = window();
            w.toolFilterClick();
            ShowRows(*w.gridModel, rows);
        };
        const auto rawFilter = [raw](int rows) { benchmark::DoNotOptimize(Take(raw(), kByDesignation, rows, MatchesKabel)); };
        bench::AddRatio({"list-filter-first-screen", "a text filter matching 1 %, to the first screen, against the C API",
                         {[filter] { filter(kScreenRows); }, [window] { PrepareTextFilter(window()); }},
                         {[rawFilter] { rawFilter(kScreenRows); }, {}}, "<=", 1.2});
        bench::AddRatio({"list-filter-to-end", "a text filter matching 1 %, to the end, against the C API",
                         {[filter] { filter(kCatalogueItems); }, [window] { PrepareTextFilter(window()); }},
                         {[rawFilter] { rawFilter(kCatalogueItems); }, {}}, "<=", 1.5});
        const auto branches = [window] {
            static const QSet<int> groups[2] = {BranchGroups(window(), 1), BranchGroups(window(), 2)};
            return std::cref(groups);
        };
        const auto designationOrder = [window] {
            TfMain& w = window();
            if (!w.edFilter->text().isEmpty())
                ClearTextFilter(w);
            w.gridTitleBtnClick(kDesignation);
        };
        bench::AddRatio({"list-branch-first-screen", "two branch changes (5 % each) to the first screen against the C API",
                         {[window] { BranchChanges(window(), kScreenRows); }, designationOrder},
                         {[raw, branches] { RawBranches(raw(), branches(), kScreenRows); }, {}}, "<=", 1.2});
        // To the end, the record set keeps an image of every row, the ones the branch leaves out
        // too (its filter can be switched off without a re-read), so its target is the full scan's.
        bench::AddRatio({"list-branch-to-end", "two branch changes (5 % each) to the end against the C API",
                         {[window] { BranchChanges(window(), kCatalogueItems); }, designationOrder},
                         {[raw, branches] { RawBranches(raw(), branches(), kCatalogueItems); }, {}}, "<=", 2.0});
    }
} const ratios;

}  // namespace
