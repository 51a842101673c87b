// Record sets against the engine's own C API on a 100,000-row item table with Czech texts:
// opening the item list (index IXMATR) and reading its first batch, and a full scan reading every
// field, each timed in alternation with the same statement stepped through sqlite3_* directly and
// its texts decoded; then the memory the scanned rows take (they are all kept) per row, against
// the row's data size.

#include "sqlite/sql3_table.h"
#include "sqlite/sql3_utils.h"

#include "bench_data.h"
#include "ratio.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>

#include <cstdio>
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
        CreateItemTable(db, dir.filePath(QStringLiteral("regalon.db3")));
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

// The raw side reads the same columns in the same types: integers as int64, texts decoded.
size_t ReadColumns(sqlite3_stmt* s, int columns)
{
    size_t sink = 0;
    for (int c = 0; c < columns; ++c) {
        if (sqlite3_column_type(s, c) == SQLITE_INTEGER) {
            sink += size_t(sqlite3_column_int64(s, c));
        } else {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
            sink += size_t(FromCodePage(QByteArrayView(text, sqlite3_column_bytes(s, c))).size());
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

void RecordSetFirstBatch()
{
    auto table = ItemTable(QStringLiteral("IXMATR"));
    table->Open();
    size_t sink = 0;
    for (int i = 0; i < table->RecordCount(); ++i) {
        TMeral3Command::TRowScope row(*table, i);
        sink += ReadFields(*table) + size_t(table->CurrentRowId());
    }
    benchmark::DoNotOptimize(sink);
}

void RecordSetScan(const QString& index)
{
    auto table = ItemTable(index);
    table->Open();
    size_t sink = 0;
    for (table->First(); !table->Eof(); table->Next())
        sink += ReadFields(*table) + size_t(table->CurrentRowId());
    benchmark::DoNotOptimize(sink);
}

// The table's own statement, its first `rows` rows read as the record set reads them.
void RawRead(const QString& index, int rows)
{
    size_t sink = 0;
    RawSteps(ItemTable(index)->BuildSelect(), rows,
             [&](sqlite3_stmt* s, int columns) { sink += ReadColumns(s, columns) + size_t(sqlite3_column_int64(s, columns)); });
    benchmark::DoNotOptimize(sink);
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
    std::printf("\nscan-memory: %d rows kept, %.0f heap bytes per row (peak), row data %.0f bytes\n",
                table->RecordCount(), perRow, Db().dataBytesPerRow);
    bench::PrintRatioLine("scan-memory", perRow / Db().dataBytesPerRow, "<=", 2.0);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Db();
    const QString byName = QStringLiteral("IXMATR"), tableOrder;
    bench::AddRatio({"first-batch", "opening the item table in IXMATR order and reading its first batch, against the C API",
                     {[&] { RecordSetFirstBatch(); }, {}}, {[&] { RawRead(byName, 8); }, {}}, "<=", 1.2});
    bench::AddRatio({"scan-index", "reading every field of every row in IXMATR order, against the C API",
                     {[&] { RecordSetScan(byName); }, {}}, {[&] { RawRead(byName, kRows); }, {}}, "<=", 2.0});
    bench::AddRatio({"scan-table", "reading every field of every row in table order, against the C API",
                     {[&] { RecordSetScan(tableOrder); }, {}}, {[&] { RawRead(tableOrder, kRows); }, {}}, "<=", 2.0});
    const int rc = bench::RunBenchmarks(argc, argv);
    if (rc == 0)
        ScanMemory();
    return rc;
}
