// Start-up of the program: the data module, the main window (catalogue opened, item list opened at
// its first record, group tree loaded) and the window shown and painted, on a catalogue of 100,000
// items in 2,000 groups of three levels, timed in alternation with what that start cannot do with
// less: the same start on an empty catalogue, plus the rows the full catalogue adds read through
// the engine's C API (the item list's first screen in its order, the group tree into a bare tree
// widget), texts decoded. Process launch and the creation of the application object are the same
// for both and not included.

#include "app/fmMain.h"

#include "data/uDM.h"

#include "app_fixture.h"
#include "bench_data.h"
#include "ratio.h"
#include "raw_catalogue.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

namespace {

// A work folder for the process: XDG_DATA_HOME points into it from here on.
class WorkFolder {
public:
    explicit WorkFolder(bool filled)
    {
        Use();
        Tdm data;
        data.OpenCatalogue();
        if (filled)
            FillLargeCatalogue(data.db);
        file_ = data.db.DatabaseFile();
    }
    void Use() const { qputenv("XDG_DATA_HOME", dir_.path().toUtf8()); }
    const QString& CatalogueFile() const { return file_; }

private:
    QTemporaryDir dir_;
    QString file_;
};

// The started program; it ends before the next start, outside the timing.
struct Started {
    std::unique_ptr<Tdm> data;
    std::unique_ptr<TfMain> window;

    void Start()
    {
        data = std::make_unique<Tdm>();
        window = std::make_unique<TfMain>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            throw std::runtime_error("the window was not shown");
        window->repaint();
    }
    void End()
    {
        window.reset();
        data.reset();
    }
};

// The item list's statement to the first screen, every field read in its type.
int RawFirstScreen(const RawCatalogue& raw)
{
    constexpr int kScreenRows = 30;
    size_t sink = 0;
    int rows = 0;
    raw.Select("SELECT *,_rowid_ FROM MATR ORDER BY NAZEV COLLATE NATIVE,IDTYP", [&](sqlite3_stmt* s) {
        for (int column : {2, 3, 4, 5, 6})
            sink += size_t(ColumnText(s, column).size());
        return ++rows < kScreenRows;
    });
    benchmark::DoNotOptimize(sink);
    return rows;
}

// The two work folders and what the sides keep between runs.
struct Fixture {
    WorkFolder empty{false}, full{true};
    RawCatalogue raw{full.CatalogueFile()};
    Started started;
    QTreeWidget bareTree;
};

Fixture& F() { return AppFixture<Fixture>(); }

const bool registered =
    bench::AddRatio({"startup", "start on 100,000 items against an empty start plus the rows it adds through the C API",
                     {[] { F().started.Start(); },
                      [] {
                          F().started.End();
                          F().full.Use();
                      }},
                     {[] {
                          F().started.Start();
                          benchmark::DoNotOptimize(RawFirstScreen(F().raw) + F().raw.LoadTree(F().bareTree));
                      },
                      [] {
                          F().started.End();
                          F().empty.Use();
                      }},
                     "<=", 1.3});

}  // namespace
