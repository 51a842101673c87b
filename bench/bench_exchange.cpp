// CSV import and export of 100,000 items, the sides of each ratio taking turns (ratio.h):
// - importing a CSV file's rows (read, checked, groups found, written in one transaction) against
//   inserting the same rows, already split, with the access layer's statements in one transaction;
// - exporting every item with the group paths against reading the rows with a raw query and
//   writing the same bytes.

#include "data/uDM.h"
#include "exchange/csvexport.h"
#include "exchange/csvimport.h"

#include "bench_data.h"
#include "raw_catalogue.h"
#include "ratio.h"

#include <QBuffer>
#include <QCoreApplication>

#include <sqlite3.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int kItems = 100000;
constexpr int kGroups = 100;

struct Fixture {
    std::unique_ptr<Tdm> data;
    QByteArray csv;               // the import's file
    std::vector<BenchItem> rows;  // the same rows split, each with its group
};
Fixture* fixture = nullptr;

QString GroupName(int group) { return QStringLiteral("Skupina %1 – šrouby").arg(group); }

// The catalogue's items and the import's rows are the same texts.
void FillCatalogue(Fixture& f)
{
    for (int g = 1; g <= kGroups; ++g)
        f.data->db.ExecSQL(QStringLiteral("INSERT INTO TYPY VALUES (%1,0,0,'%2','')").arg(g).arg(GroupName(g)));
    f.csv = "Skupina;Označení;Popis;Umístění\r\n";
    for (int i = 1; i <= kItems; ++i) {
        BenchItem row;
        row.group = i % kGroups + 1;
        row.name = QStringLiteral("Položka %1").arg(i);
        row.description = QStringLiteral("pozinkovaný šroub M%1, délka %2 mm").arg(i % 12).arg(i % 90);
        row.place = QStringLiteral("Regál %1").arg(i % 40);
        f.csv += QStringList{GroupName(int(row.group)), row.name, row.description, row.place}.join(u';').toUtf8() + "\r\n";
        f.rows.push_back(row);
    }
    FillItems(*f.data, 1, kItems, [&f](int i) { return f.rows[size_t(i)]; });
}

void RemoveImported()
{
    fixture->data->db.ExecSQL(QStringLiteral("DELETE FROM MATR WHERE IDENT > %1").arg(kItems));
}

void ImportFile()
{
    QBuffer buffer(&fixture->csv);
    buffer.open(QIODevice::ReadOnly);
    ImportSettings settings;
    settings.mapping = {ImportTarget::Group, ImportTarget::Name, ImportTarget::Description, ImportTarget::Place};
    const ImportResult result = RunImport(*fixture->data, buffer, settings);
    if (result.added != kItems)
        std::abort();
}

void InsertRows()
{
    FillItems(*fixture->data, kItems + 1, kItems, [](int i) { return fixture->rows[size_t(i)]; });
}

void ExportItems()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ExportCatalogue(fixture->data->db, buffer, {});
}

void RawExport()
{
    const RawCatalogue raw(fixture->data->db.DatabaseFile());
    QHash<qint64, QString> names;
    raw.Select("SELECT IDENT, NAZEV FROM TYPY", [&](sqlite3_stmt* s) {
        names.insert(sqlite3_column_int64(s, 0), ColumnText(s, 1));
        return true;
    });
    QByteArray out = "\xEF\xBB\xBFSkupina;Označení;Popis;Umístění;Dokument;Obsah;Číslo\r\n";
    raw.Select("SELECT IDENT, IDTYP, NAZEV, POPIS, MISTO, PATH_DOK, OBSAH FROM MATR ORDER BY IDENT", [&](sqlite3_stmt* s) {
        QStringList fields{names.value(sqlite3_column_int64(s, 1))};
        for (int c = 2; c <= 6; ++c)
            fields << ColumnText(s, c);
        fields << QString::number(sqlite3_column_int64(s, 0));
        out += fields.join(u';').toUtf8() + "\r\n";
        return true;
    });
}

}  // namespace

int main(int argc, char** argv)
{
    const PrivateDataHome home;
    QCoreApplication app(argc, argv);
    Fixture f;
    f.data = std::make_unique<Tdm>();
    f.data->OpenCatalogue();
    FillCatalogue(f);
    fixture = &f;
    bench::AddRatio({"import-rows", "importing 100,000 CSV rows against inserting them with the access layer in one transaction",
                     {ImportFile, {}, RemoveImported}, {InsertRows, {}, RemoveImported}, "<=", 1.5, bench::Clock::Cpu, 6});
    bench::AddRatio({"export-rows", "exporting 100,000 items to CSV against a raw query writing the same bytes",
                     {ExportItems}, {RawExport}, "<=", 1.5, bench::Clock::Cpu, 8});
    const int code = bench::RunBenchmarks(argc, argv);
    fixture = nullptr;
    return code;
}
