// Start-up of the program in its own process: the data module, the main window (catalogue
// opened, item list opened at its first record, group tree loaded) and the window shown and
// painted, on a catalogue of 100,000 items in 2,000 groups of three levels, side by side with the
// same start on an empty catalogue. Process launch and the creation of the application object are
// the same for both and not included. The tree load alone is reported as well, since it searches
// the tree for every group's parent.

#include "app/fmMain.h"
#include "app/grouptreeview.h"

#include "data/uDM.h"
#include "toolkit/messagebox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

constexpr int kItems = 100000;
constexpr int kGroups = 2000;

// A work folder for the process: XDG_DATA_HOME points into it from here on.
class WorkFolder {
public:
    explicit WorkFolder(bool filled)
    {
        qputenv("XDG_DATA_HOME", dir_.path().toUtf8());
        Tdm data;
        data.OpenCatalogue();
        if (filled)
            Fill(data.db);
    }

private:
    static void Fill(TMeral3Database& db)
    {
        // 20 top-level groups, 380 below them, 1,600 on the third level.
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
                   + QStringLiteral("+1, 'Šroub M'||(i%97)||' č. '||i,"
                                    " 'Nerezový šroub s šestihrannou hlavou, položka '||i,"
                                    " 'Regál '||(i%50)||', police '||(i%7),"
                                    " '/home/uživatel/Dokumenty/výkres'||i||'.pdf',"
                                    " 'Obsah položky '||i||' http://example.com/'||i FROM n;"
                                    "COMMIT;"));
    }

    QTemporaryDir dir_;
};

void Start(benchmark::State& state, bool filled)
{
    WorkFolder folder(filled);
    int groups = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto data = std::make_unique<Tdm>();
        auto window = std::make_unique<TfMain>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            state.SkipWithError("the window was not shown");
        window->repaint();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        groups = window->tree->topLevelItemCount();
        window.reset();
        data.reset();
    }
    state.counters["top_level_nodes"] = groups;
}

void BM_StartEmptyCatalogue(benchmark::State& state)
{
    Start(state, false);
}

void BM_StartFullCatalogue(benchmark::State& state)
{
    Start(state, true);
}

void BM_LoadGroupTree2000(benchmark::State& state)
{
    WorkFolder folder(true);
    Tdm data;
    data.OpenCatalogue();
    TGroupTreeView tree;
    for (auto _ : state)
        benchmark::DoNotOptimize(data.LoadGroupTree(&tree));
}

BENCHMARK(BM_StartEmptyCatalogue)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StartFullCatalogue)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadGroupTree2000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
