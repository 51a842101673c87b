// Loading the group tree of 2,000 groups in five levels, timed in alternation with the same work
// done the direct way: the same rows read through the C API (in the same NATIVE order, texts
// decoded) into a bare QTreeWidget, expanded. And the cost the load avoids by not walking the tree
// for every parent.

#include "data/grouptree.h"
#include "data/uDM.h"
#include "sqlite/sql3_utils.h"

#include "bench_data.h"
#include "ratio.h"
#include "raw_catalogue.h"

#include <QApplication>
#include <QHash>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <random>
#include <stdexcept>

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
BENCHMARK(BM_FindGroupNodeForEveryGroup)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const PrivateDataHome home;
    QApplication app(argc, argv);
    Tdm data;
    FillCatalogue(data);
    catalogue = &data;
    QTreeWidget tree, bareTree;
    const RawCatalogue raw(data.db.DatabaseFile());
    bench::AddRatio({"group-tree", "LoadGroupTree against the same rows through the C API into a bare QTreeWidget",
                     {[&] { benchmark::DoNotOptimize(data.LoadGroupTree(&tree)); }, {}},
                     {[&] { benchmark::DoNotOptimize(raw.LoadTree(bareTree)); }, {}}, "<=", 1.3});
    return bench::RunBenchmarks(argc, argv);
}
