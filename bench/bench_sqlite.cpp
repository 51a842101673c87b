// The connection's statement path and its NATIVE collation, each measured side by side with the
// same work done straight through the engine's C API and through QCollator.

#include "sqlite/sql3_defs.h"
#include "sqlite/sql3_utils.h"

#include <QCollator>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>

namespace {

constexpr int kRows = 100'000;

QString TempFile(const char* name)
{
    static QTemporaryDir dir;
    return dir.filePath(QLatin1String(name));
}

// Designations as a Czech catalogue holds them: mixed case, diacritics, "ch".
std::vector<QString> MakeDesignations()
{
    static const char16_t* const syllables[] = {u"ch", u"ča", u"ce", u"dů", u"hr", u"Ři", u"ša", u"to", u"Ža",
                                                u"ně", u"ka", u"ý", u"Ú", u"la", u"CH", u"ď", u"mo", u"ts"};
    std::mt19937 random(1234);
    std::vector<QString> names;
    names.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        QString name;
        const int length = 2 + int(random() % 5);
        for (int s = 0; s < length; ++s)
            name += QString::fromUtf16(syllables[random() % std::size(syllables)]);
        name += QStringLiteral(" %1").arg(random() % 1000);
        names.push_back(name);
    }
    return names;
}

const std::vector<QString>& Designations()
{
    static const std::vector<QString> names = MakeDesignations();
    return names;
}

void OpenConnection(TMeral3Database& db, const char* file)
{
    db.SetDriver(QCoreApplication::applicationDirPath() + QStringLiteral("/libsqlite3.so.0"));
    db.SetDatabaseFile(TempFile(file));
    db.SetMustExists(false);
    db.Open();
}

// ---- inserts ----

void BM_Insert_ExecSQL(benchmark::State& state)
{
    TMeral3Database db;
    OpenConnection(db, "layer.db3");
    const auto& names = Designations();
    TParams params;
    TParam& id = params.Add(QStringLiteral("IDENT"), ftLargeint);
    TParam& name = params.Add(QStringLiteral("NAZEV"), ftString);
    TParam& price = params.Add(QStringLiteral("CENA"), ftFloat);
    const QString sql = QStringLiteral("insert into T (IDENT, NAZEV, CENA) values(:ident, :nazev, :cena)");
    for (auto _ : state) {
        state.PauseTiming();
        db.ExecSQL(QStringLiteral("drop table if exists T; create table T(IDENT integer primary key, NAZEV varchar(32), CENA real)"));
        state.ResumeTiming();
        db.StartTransaction();
        for (int i = 0; i < kRows; ++i) {
            id.Value = qint64(i + 1);
            name.Value = names[size_t(i)];
            price.Value = i * 0.5;
            db.ExecSQL(sql, &params);
        }
        db.Commit();
    }
}

void Check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::abort();
    }
}

void BM_Insert_RawApi(benchmark::State& state)
{
    sqlite3* db = nullptr;
    Check(sqlite3_open(TempFile("raw.db3").toUtf8().constData(), &db), db);
    std::vector<QByteArray> names;
    for (const QString& n : Designations())
        names.push_back(ToCodePage(n));
    const char* sql = "insert into T (IDENT, NAZEV, CENA) values(:ident, :nazev, :cena)";
    for (auto _ : state) {
        state.PauseTiming();
        Check(sqlite3_exec(db, "drop table if exists T; create table T(IDENT integer primary key, NAZEV varchar(32), CENA real)",
                           nullptr, nullptr, nullptr), db);
        state.ResumeTiming();
        Check(sqlite3_exec(db, "begin transaction", nullptr, nullptr, nullptr), db);
        for (int i = 0; i < kRows; ++i) {
            sqlite3_stmt* s = nullptr;
            Check(sqlite3_prepare_v2(db, sql, -1, &s, nullptr), db);
            Check(sqlite3_bind_int64(s, 1, i + 1), db);
            Check(sqlite3_bind_text(s, 2, names[size_t(i)].constData(), int(names[size_t(i)].size()), SQLITE_TRANSIENT), db);
            Check(sqlite3_bind_double(s, 3, i * 0.5), db);
            Check(sqlite3_step(s), db);
            Check(sqlite3_finalize(s), db);
        }
        Check(sqlite3_exec(db, "commit transaction", nullptr, nullptr, nullptr), db);
    }
    sqlite3_close(db);
}

// ---- sorting ----

void BM_Sort_OrderByNative(benchmark::State& state)
{
    TMeral3Database db;
    OpenConnection(db, "sort.db3");
    db.ExecSQL(QStringLiteral("drop table if exists M; create table M(NAZEV varchar(32))"));
    db.StartTransaction();
    TParams params;
    TParam& name = params.Add(QStringLiteral("n"), ftString);
    for (const QString& n : Designations()) {
        name.Value = n;
        db.ExecSQL(QStringLiteral("insert into M values(:n)"), &params);
    }
    db.Commit();
    for (auto _ : state) {
        int columns = 0;
        sqlite3_stmt* s = db.RunStatements(QStringLiteral("select NAZEV from M order by NAZEV collate NATIVE"), nullptr, columns);
        int rows = 0;
        while (db.LastResult() == SQLITE_ROW) {
            benchmark::DoNotOptimize(db.ColumnText(s, 0));
            ++rows;
            db.StepStatement(s);
        }
        db.FinalizeStatement(s);
        if (rows != kRows)
            state.SkipWithError("rows missing");
    }
}

void BM_Sort_QCollator(benchmark::State& state)
{
    const QCollator& collator = NativeCollator();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<QString> names = Designations();
        state.ResumeTiming();
        std::sort(names.begin(), names.end(),
                  [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
        benchmark::DoNotOptimize(names.data());
    }
}

BENCHMARK(BM_Insert_ExecSQL)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Insert_RawApi)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort_OrderByNative)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort_QCollator)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// Keeps the median CPU time of every benchmark (the machine may be shared; both sides run on one
// thread) so the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.aggregate_name == "median")
                times_[run.run_name.function_name] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatio(const char* what, const char* ours, const char* raw, double target) const
    {
        const auto a = times_.find(ours), b = times_.find(raw);
        if (a == times_.end() || b == times_.end() || b->second <= 0)
            return;
        const double ratio = a->second / b->second;
        std::printf("%-52s %8.1f ms vs %8.1f ms CPU  ratio %.2f (target <= %.1f)\n", what, a->second, b->second, ratio, target);
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    reporter.PrintRatio("100,000 INSERTs: ExecSQL vs prepare/bind/step", "BM_Insert_ExecSQL", "BM_Insert_RawApi", 1.3);
    reporter.PrintRatio("100,000 designations: ORDER BY NATIVE vs std::sort", "BM_Sort_OrderByNative", "BM_Sort_QCollator", 1.5);
    benchmark::Shutdown();
    return 0;
}
