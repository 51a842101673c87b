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
#include "ratio.h"
#include "raw_catalogue.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

namespace {

constexpr int kItems = 100000;
constexpr int kGroups = 2000;

// A work folder for the process: XDG_DATA_HOME points into it from here on.
class WorkFolder {
public:
    explicit WorkFolder(bool filled)
    {
        Use();
        Tdm data;
        data.OpenCatalogue();
        if (filled)
            Fill(data.db);
        file_ = data.db.DatabaseFile();
    }
    void Use() const { qputenv("XDG_DATA_HOME", dir_.path().toUtf8()); }
    const QString& CatalogueFile() const { return file_; }

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
