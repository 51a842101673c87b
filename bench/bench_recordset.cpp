// Record sets against the engine's own C API on a 100,000-row item table with Czech texts:
// opening the item list (index IXMATR) and reading its first batch, and a full scan reading every
// field, each side by side with the same statement stepped through sqlite3_* directly; then the
// memory the scanned rows take (they are all kept) per row, against the row's data size.

#include "sqlite/sql3_table.h"
#include "sqlite/sql3_utils.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int kRows = 100000;

const char* const kNouns[] = {"šroub", "matice", "podložka", "ložisko", "těsnění", "pružina", "kabel", "žárovka",
                              "vypínač", "čerpadlo", "řemen", "hřídel", "převodovka", "ventil", "objímka",
                              "spojka", "čidlo", "jistič", "stykač", "trubka", "kolínko", "příruba"};
const char* const kAdjectives[] = {"nerezový", "mosazný", "ocelový", "pozinkovaný", "měděný", "hliníkový",
                                   "plastový", "červený", "černý", "žlutý", "úhlový", "těžký", "přesný"};
const char* const kPlaces[] = {"Regál A3, police 2", "Sklad Brno – hala 1", "Dílna, skříň č. 4", "Kancelář",
                               "Sklad Ostrava", "Regál Ž1", "Přístřešek u vrat", "Archiv výkresů"};
const char* const kSentences[] = {
    "Dodavatel: Železářství Novák s.r.o., Hlavní 12, Brno.",
    "Objednáno v březnu, dodací lhůta čtrnáct dní.",
    "Před montáží zkontrolujte těsnost spojů a utahovací moment.",
    "Náhradní díly jsou uloženy ve skříni u dílny.",
    "Výkres: file://C:/Dokumenty/V%32kresy/d%32l.pdf",
    "Pozor: nepoužívat při teplotě pod bodem mrazu.",
    "Záruka dvacet čtyři měsíců, účtenka v šanonu č. 7.",
    "Poznámka: při další objednávce žádat slevu.",
};

template <size_t N> QString Pick(const char* const (&list)[N], QRandomGenerator& rnd)
{
    return QString::fromUtf8(list[rnd.bounded(int(N))]);
}

struct Catalogue {
    QTemporaryDir dir;
    TMeral3Database db;
    double dataBytesPerRow = 0;

    Catalogue()
    {
        db.SetDriver(QCoreApplication::applicationDirPath() + QStringLiteral("/libsqlite3.so.0"));
        db.SetDatabaseFile(dir.filePath(QStringLiteral("regalon.db3")));
        db.SetMustExists(false);
        db.Open();
        db.ExecSQL(QStringLiteral(
            "CREATE TABLE MATR (IDENT INTEGER NOT NULL, IDTYP INTEGER, NAZEV VARCHAR(32), POPIS VARCHAR(64),"
            " MISTO VARCHAR(32), PATH_DOK VARCHAR(255), OBSAH TEXT, PRIMARY KEY (IDENT));"));
        Fill();
        db.ExecSQL(QStringLiteral("CREATE INDEX IXTYP ON MATR (IDTYP, NAZEV); CREATE INDEX IXMATR ON MATR (NAZEV,IDTYP);"
                                  "CREATE INDEX IXPOPIS ON MATR (POPIS); CREATE INDEX IXMISTO ON MATR (MISTO,POPIS);"));
        bool ok = false;
        dataBytesPerRow = Scalar("SELECT avg(16 + length(CAST(NAZEV AS BLOB)) + length(CAST(POPIS AS BLOB))"
                                 " + length(CAST(MISTO AS BLOB)) + length(CAST(PATH_DOK AS BLOB))"
                                 " + length(CAST(OBSAH AS BLOB))) FROM MATR")
                              .toDouble(&ok);
    }

    // Rows go in through the engine directly: the benchmark measures reading, not building.
    void Fill()
    {
        sqlite3* h = db.Handle();
        sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(h, "INSERT INTO MATR VALUES(?,?,?,?,?,?,?)", -1, &s, nullptr);
        QRandomGenerator rnd(20261209);
        for (int i = 1; i <= kRows; ++i) {
            const QString noun = Pick(kNouns, rnd), adjective = Pick(kAdjectives, rnd);
            const QByteArray name = ToCodePage(noun + u' ' + adjective + QStringLiteral(" M%1").arg(rnd.bounded(4, 24)));
            const QByteArray text =
                ToCodePage(adjective + u' ' + noun + QStringLiteral(" %1×%2 mm, balení po %3 kusech")
                                                           .arg(rnd.bounded(5, 80))
                                                           .arg(rnd.bounded(10, 200))
                                                           .arg(rnd.bounded(1, 100)));
            const QByteArray place = ToCodePage(Pick(kPlaces, rnd));
            const QByteArray path = ToCodePage(QStringLiteral("C:\\Dokumenty\\Výkresy\\%1_%2.pdf").arg(noun).arg(i));
            QString content;
            while (content.size() < 250 + rnd.bounded(200))
                content += Pick(kSentences, rnd) + QStringLiteral("\r\n");
            const QByteArray body = ToCodePage(content);
            sqlite3_bind_int64(s, 1, i);
            sqlite3_bind_int64(s, 2, rnd.bounded(1, 60));
            sqlite3_bind_text(s, 3, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(s, 4, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(s, 5, place.constData(), int(place.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(s, 6, path.constData(), int(path.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(s, 7, body.constData(), int(body.size()), SQLITE_TRANSIENT);
            sqlite3_step(s);
            sqlite3_reset(s);
        }
        sqlite3_finalize(s);
        sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    }

    QString Scalar(const char* sql)
    {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db.Handle(), sql, -1, &s, nullptr);
        QString v;
        if (sqlite3_step(s) == SQLITE_ROW)
            v = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        sqlite3_finalize(s);
        return v;
    }
};

Catalogue& Db()
{
    static Catalogue catalogue;
    return catalogue;
}

std::unique_ptr<TMeral3Table> ItemTable(const QString& index)
{
    auto table = std::make_unique<TMeral3Table>();
    table->SetDatabase(&Db().db);
    table->SetTableName(QStringLiteral("MATR"));
    table->SetIndexName(index);
    return table;
}

// What a grid or a report does with a row: every field's value in the program's types.
size_t ReadFields(TMeral3Command& ds)
{
    size_t sink = 0;
    for (const auto& f : ds.Fields()) {
        if (f->DataType() == ftLargeint)
            sink += size_t(f->AsLargeInt());
        else
            sink += size_t(f->AsString().size());
    }
    return sink;
}

// The raw side reads the same columns: integers as int64, texts as their bytes.
size_t ReadColumns(sqlite3_stmt* s, int columns)
{
    size_t sink = 0;
    for (int c = 0; c < columns; ++c) {
        if (sqlite3_column_type(s, c) == SQLITE_INTEGER) {
            sink += size_t(sqlite3_column_int64(s, c));
        } else {
            const unsigned char* text = sqlite3_column_text(s, c);
            sink += size_t(sqlite3_column_bytes(s, c)) + (text ? text[0] : 0);
        }
    }
    return sink;
}

template <typename RowFn> void RawSteps(const QString& statement, int maxRows, RowFn onRow)
{
    const QByteArray sql = ToCodePage(statement);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(Db().db.Handle(), sql.constData(), int(sql.size()), &s, nullptr);
    const int columns = sqlite3_column_count(s) - 1;  // the rowid column is read as a rowid
    for (int n = 0; n < maxRows && sqlite3_step(s) == SQLITE_ROW; ++n)
        onRow(s, columns);
    sqlite3_finalize(s);
}

void RecordSetFirstBatch(benchmark::State& state)
{
    for (auto _ : state) {
        auto table = ItemTable(QStringLiteral("IXMATR"));
        table->Open();
        size_t sink = 0;
        for (int i = 0; i < table->RecordCount(); ++i) {
            TMeral3Command::TRowScope row(*table, i);
            sink += ReadFields(*table) + size_t(table->CurrentRowId());
        }
        benchmark::DoNotOptimize(sink);
    }
}

void RawFirstBatch(benchmark::State& state)
{
    const QString sql = ItemTable(QStringLiteral("IXMATR"))->BuildSelect();
    for (auto _ : state) {
        size_t sink = 0;
        RawSteps(sql, 8, [&](sqlite3_stmt* s, int columns) { sink += ReadColumns(s, columns) + size_t(sqlite3_column_int64(s, columns)); });
        benchmark::DoNotOptimize(sink);
    }
}

void RecordSetScan(benchmark::State& state, const QString& index)
{
    for (auto _ : state) {
        auto table = ItemTable(index);
        table->Open();
        size_t sink = 0;
        for (table->First(); !table->Eof(); table->Next())
            sink += ReadFields(*table) + size_t(table->CurrentRowId());
        benchmark::DoNotOptimize(sink);
    }
}

void RawScan(benchmark::State& state, const QString& index)
{
    const QString sql = ItemTable(index)->BuildSelect();
    for (auto _ : state) {
        size_t sink = 0;
        RawSteps(sql, kRows + 1, [&](sqlite3_stmt* s, int columns) { sink += ReadColumns(s, columns) + size_t(sqlite3_column_int64(s, columns)); });
        benchmark::DoNotOptimize(sink);
    }
}

// Heap bytes held after a scan that keeps every row, per row.
void ScanMemory()
{
    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    auto table = ItemTable(QString());
    table->Open();
    size_t peak = 0;
    for (table->First(); !table->Eof(); table->Next())
        if (table->RecNo() % 4096 == 0)
            peak = std::max(peak, mallinfo2().uordblks);
    peak = std::max(peak, mallinfo2().uordblks);
    const double perRow = double(peak - before) / table->RecordCount();
    std::printf("\nScan memory: %d rows kept, %.0f heap bytes per row (peak), row data %.0f bytes: %.2fx (target <= 2x)\n",
                table->RecordCount(), perRow, Db().dataBytesPerRow, perRow / Db().dataBytesPerRow);
}

// Collects the timings so the ratios can be printed after the table of runs.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs) {
            times[r.benchmark_name()] = r.GetAdjustedRealTime();
            cpuTimes[r.benchmark_name()] = r.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    std::map<std::string, double> cpuTimes;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Db();
    benchmark::RegisterBenchmark("FirstBatch/IXMATR/RecordSet", RecordSetFirstBatch)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("FirstBatch/IXMATR/RawSqlite", RawFirstBatch)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Scan/IXMATR/RecordSet", RecordSetScan, QStringLiteral("IXMATR"))->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Scan/IXMATR/RawSqlite", RawScan, QStringLiteral("IXMATR"))->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Scan/TableOrder/RecordSet", RecordSetScan, QString())->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Scan/TableOrder/RawSqlite", RawScan, QString())->Unit(benchmark::kMillisecond);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* what, double target) {
        const std::string base = what;
        const double mine = reporter.times[base + "/RecordSet"], raw = reporter.times[base + "/RawSqlite"];
        const double mineCpu = reporter.cpuTimes[base + "/RecordSet"], rawCpu = reporter.cpuTimes[base + "/RawSqlite"];
        if (mine > 0 && raw > 0 && rawCpu > 0)
            std::printf("%-22s record set / raw C API = %.2fx real, %.2fx CPU (target <= %.1fx)\n", what, mine / raw,
                        mineCpu / rawCpu, target);
    };
    std::printf("\n");
    ratio("FirstBatch/IXMATR", 1.2);
    ratio("Scan/IXMATR", 2.0);
    ratio("Scan/TableOrder", 2.0);
    ScanMemory();
    benchmark::Shutdown();
    return 0;
}
