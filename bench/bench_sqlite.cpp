// The connection's statement path and its NATIVE collation, each timed in alternation with the
// same work done straight through the engine's C API and through QCollator.

#include "sqlite/sql3_defs.h"
#include "sqlite/sql3_utils.h"

#include "ratio.h"

#include <QCollator>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
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

void Check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::abort();
    }
}

const char* const kCreate = "drop table if exists T; create table T(IDENT integer primary key, NAZEV varchar(32), CENA real)";

// ---- inserts: both sides prepare every statement and encode every text they bind ----

class LayerInserts {
public:
    LayerInserts() { OpenConnection(db_, "layer.db3"); }
    void Recreate() { db_.ExecSQL(QString::fromLatin1(kCreate)); }
    void Run()
    {
        const auto& names = Designations();
        TParams params;
        TParam& id = params.Add(QStringLiteral("IDENT"), ftLargeint);
        TParam& name = params.Add(QStringLiteral("NAZEV"), ftString);
        TParam& price = params.Add(QStringLiteral("CENA"), ftFloat);
        const QString sql = QStringLiteral("insert into T (IDENT, NAZEV, CENA) values(:ident, :nazev, :cena)");
        db_.StartTransaction();
        for (int i = 0; i < kRows; ++i) {
            id.Value = qint64(i + 1);
            name.Value = names[size_t(i)];
            price.Value = i * 0.5;
            db_.ExecSQL(sql, &params);
        }
        db_.Commit();
    }

private:
    TMeral3Database db_;
};

class RawInserts {
public:
    RawInserts() { Check(sqlite3_open(TempFile("raw.db3").toUtf8().constData(), &db_), db_); }
    ~RawInserts() { sqlite3_close(db_); }
    void Recreate() { Check(sqlite3_exec(db_, kCreate, nullptr, nullptr, nullptr), db_); }
    void Run()
    {
        const auto& names = Designations();
        const char* sql = "insert into T (IDENT, NAZEV, CENA) values(:ident, :nazev, :cena)";
        Check(sqlite3_exec(db_, "begin transaction", nullptr, nullptr, nullptr), db_);
        for (int i = 0; i < kRows; ++i) {
            sqlite3_stmt* s = nullptr;
            Check(sqlite3_prepare_v2(db_, sql, -1, &s, nullptr), db_);
            const QByteArray name = ToCodePage(names[size_t(i)]);
            Check(sqlite3_bind_int64(s, 1, i + 1), db_);
            Check(sqlite3_bind_text(s, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT), db_);
            Check(sqlite3_bind_double(s, 3, i * 0.5), db_);
            Check(sqlite3_step(s), db_);
            Check(sqlite3_finalize(s), db_);
        }
        Check(sqlite3_exec(db_, "commit transaction", nullptr, nullptr, nullptr), db_);
    }

private:
    sqlite3* db_ = nullptr;
};

// ---- sorting: the engine's ORDER BY, each row read and its text decoded, against std::sort
// with the collator on strings decoded beforehand ----

class NativeSort {
public:
    NativeSort()
    {
        OpenConnection(db_, "sort.db3");
        db_.ExecSQL(QStringLiteral("drop table if exists M; create table M(NAZEV varchar(32))"));
        db_.StartTransaction();
        TParams params;
        TParam& name = params.Add(QStringLiteral("n"), ftString);
        for (const QString& n : Designations()) {
            name.Value = n;
            db_.ExecSQL(QStringLiteral("insert into M values(:n)"), &params);
        }
        db_.Commit();
    }
    void Run()
    {
        int columns = 0;
        sqlite3_stmt* s = db_.RunStatements(QStringLiteral("select NAZEV from M order by NAZEV collate NATIVE"), nullptr, columns);
        int rows = 0;
        while (db_.LastResult() == SQLITE_ROW) {
            benchmark::DoNotOptimize(FromCodePage(QByteArrayView(db_.ColumnText(s, 0), db_.ColumnBytes(s, 0))));
            ++rows;
            db_.StepStatement(s);
        }
        db_.FinalizeStatement(s);
        if (rows != kRows)
            std::abort();
    }

private:
    TMeral3Database db_;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    LayerInserts layerInserts;
    RawInserts rawInserts;
    bench::AddRatio({"inserts", "100,000 INSERTs: ExecSQL against prepare/bind/step through the C API",
                     {[&] { layerInserts.Run(); }, [&] { layerInserts.Recreate(); }},
                     {[&] { rawInserts.Run(); }, [&] { rawInserts.Recreate(); }}, "<=", 1.3});

    NativeSort nativeSort;
    std::vector<QString> names;
    bench::AddRatio({"czech-sort", "100,000 designations: ORDER BY ... COLLATE NATIVE against std::sort with QCollator",
                     {[&] { nativeSort.Run(); }, {}},
                     {[&] {
                          const QCollator& collator = NativeCollator();
                          std::sort(names.begin(), names.end(),
                                    [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
                          benchmark::DoNotOptimize(names.data());
                      },
                      [&] { names = Designations(); }},
                     "<=", 1.3});
    return bench::RunBenchmarks(argc, argv);
}
