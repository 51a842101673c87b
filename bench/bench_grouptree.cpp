// Loading the group tree of 2,000 groups in five levels, beside the raw engine reading the same
// rows (with the same NATIVE order) and a bare QTreeWidget built from them; and the cost the load
// avoids by not walking the tree for every parent.

#include "data/grouptree.h"
#include "data/uDM.h"
#include "sqlite/sql3_utils.h"

#include <QApplication>
#include <QCollator>
#include <QHash>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <random>

namespace {

constexpr int kLevelSizes[] = {5, 25, 125, 625, 1220};  // 2,000 groups

// The catalogue the benchmarks read; made in main() after the application object.
Tdm* catalogue = nullptr;

Tdm& Catalogue() { return *catalogue; }

void FillCatalogue(Tdm& data)
{
    data.OpenCatalogue();
    std::mt19937 random(7);
    WorkGuard work(data);
    int ident = 1, firstOfLevel = 1, previousSize = 0;
    for (int level = 0; level < 5; ++level) {
        for (int i = 0; i < kLevelSizes[level]; ++i, ++ident) {
            const int parent = level == 0 ? 0 : firstOfLevel - previousSize + int(random() % previousSize);
            data.db.ExecSQL(QStringLiteral("INSERT INTO TYPY VALUES(%1,%2,%3,'%4','popis %1')")
                                .arg(ident)
                                .arg(parent)
                                .arg(level)
                                .arg(QStringLiteral("Skupina č. %1 Řád").arg(random() % 100000)));
        }
        previousSize = kLevelSizes[level];
        firstOfLevel = ident;
    }
    work.Commit();
}

void BM_LoadGroupTree(benchmark::State& state)
{
    Tdm& data = Catalogue();
    QTreeWidget tree;
    int groups = 0;
    for (auto _ : state)
        groups = data.LoadGroupTree(&tree);
    state.counters["groups"] = groups;
}
BENCHMARK(BM_LoadGroupTree)->Unit(benchmark::kMillisecond);

int NativeCompare(void*, int n1, const void* a, int n2, const void* b)
{
    return NativeCollator().compare(FromCodePage(QByteArrayView(static_cast<const char*>(a), n1)),
                                    FromCodePage(QByteArrayView(static_cast<const char*>(b), n2)));
}

QString ColumnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return FromCodePage(QByteArrayView(text, sqlite3_column_bytes(statement, column)));
}

// The same rows through the C API: prepare, step, decode the texts.
void BM_RawEngineReadsTheRows(benchmark::State& state)
{
    const QByteArray file = Catalogue().db.DatabaseFile().toUtf8();
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_create_collation(db, "NATIVE", SQLITE_UTF8, nullptr, NativeCompare);
    int rows = 0;
    for (auto _ : state) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT IDENT, PARENT, NAZEV, POPIS FROM TYPY ORDER BY LEVEL, NAZEV COLLATE NATIVE",
                           -1, &statement, nullptr);
        rows = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_int(statement, 0) + sqlite3_column_int(statement, 1));
            benchmark::DoNotOptimize(ColumnText(statement, 2));
            benchmark::DoNotOptimize(ColumnText(statement, 3));
            ++rows;
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    state.counters["groups"] = rows;
}
BENCHMARK(BM_RawEngineReadsTheRows)->Unit(benchmark::kMillisecond);

// Only the widget's share: 2,000 plain items under their parents, expanded.
void BM_BareTreeWidget(benchmark::State& state)
{
    Tdm& data = Catalogue();
    QTreeWidget source;
    data.LoadGroupTree(&source);
    struct Row {
        int ident, parent;
        QString name;
    };
    std::vector<Row> rows;
    for (QTreeWidgetItemIterator it(&source); *it; ++it) {
        const TTreeData* parent = TreeData((*it)->parent());
        rows.push_back({TreeData(*it)->Ident, parent ? parent->Ident : 0, (*it)->text(0)});
    }
    QTreeWidget tree;
    for (auto _ : state) {
        tree.clear();
        QHash<int, QTreeWidgetItem*> nodes;
        for (const Row& row : rows) {
            QTreeWidgetItem* parent = nodes.value(row.parent);
            auto* node = parent ? new QTreeWidgetItem(parent, QStringList{row.name})
                                : new QTreeWidgetItem(&tree, QStringList{row.name});
            nodes.insert(row.ident, node);
        }
        tree.expandAll();
    }
}
BENCHMARK(BM_BareTreeWidget)->Unit(benchmark::kMillisecond);

// What a load walking the tree for each row's parent would add: one FindGroupNode per group.
void BM_FindGroupNodeForEveryGroup(benchmark::State& state)
{
    Tdm& data = Catalogue();
    QTreeWidget tree;
    data.LoadGroupTree(&tree);
    for (auto _ : state)
        for (int ident = 1; ident <= 2000; ++ident)
            benchmark::DoNotOptimize(Tdm::FindGroupNode(&tree, ident));
}
BENCHMARK(BM_FindGroupNodeForEveryGroup)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());  // a catalogue of its own, never the user's
    QApplication app(argc, argv);
    Tdm data;
    FillCatalogue(data);
    catalogue = &data;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
