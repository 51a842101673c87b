// CSV import and export of 100,000 items, the sides of each ratio taking turns (ratio.h):
// - importing a CSV file's rows (read, checked, groups found, written in one transaction) against
//   inserting the same rows, already split, with the access layer's statements in one transaction;
// - exporting every item with the group paths against reading the rows with a raw query and
//   writing the same bytes.

#include "data/uDM.h"
#include "exchange/csvexport.h"
#include "exchange/csvimport.h"

#include "raw_catalogue.h"
#include "ratio.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int kItems = 100000;
constexpr int kGroups = 100;

struct Fixture {
    std::unique_ptr<Tdm> data;
    QByteArray csv;                   // the import's file
    std::vector<QStringList> rows;    // the same rows split: group path, designation, description, place
    QHash<QString, qint64> groupOf;   // path -> group
};
Fixture* fixture = nullptr;

void FillCatalogue(Fixture& f)
{
    WorkGuard work(*f.data);
    for (int g = 1; g <= kGroups; ++g)
        f.data->db.ExecSQL(QStringLiteral("INSERT INTO TYPY VALUES (%1,0,0,'Skupina %1 – šrouby','')").arg(g));
    for (int g = 1; g <= kGroups; ++g)
        f.groupOf.insert(QStringLiteral("Skupina %1 – šrouby").arg(g), g);
    f.csv = "Skupina;Označení;Popis;Umístění\r\n";
    TParams params;
    for (int i = 1; i <= kItems; ++i) {
        const QStringList row{QStringLiteral("Skupina %1 – šrouby").arg(i % kGroups + 1), QStringLiteral("Položka %1").arg(i),
                              QStringLiteral("pozinkovaný šroub M%1, délka %2 mm").arg(i % 12).arg(i % 90),
                              QStringLiteral("Regál %1").arg(i % 40)};
        f.rows.push_back(row);
        f.csv += row.join(u';').toUtf8() + "\r\n";
        params.Clear();
        params.Add(QStringLiteral("g")).SetAsLargeInt(i % kGroups + 1);
        params.Add(QStringLiteral("n")).SetAsString(row[1]);
        params.Add(QStringLiteral("d")).SetAsString(row[2]);
        params.Add(QStringLiteral("p")).SetAsString(row[3]);
        f.data->db.ExecSQL(QStringLiteral("INSERT INTO MATR VALUES (%1,:g,:n,:d,:p,'','')").arg(i), &params);
    }
    work.Commit();
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
    WorkGuard work(*fixture->data);
    TParams params;
    qint64 ident = kItems;
    for (const QStringList& row : fixture->rows) {
        params.Clear();
        params.Add(QStringLiteral("i")).SetAsLargeInt(++ident);
        params.Add(QStringLiteral("g")).SetAsLargeInt(fixture->groupOf.value(row[0]));
        params.Add(QStringLiteral("n")).SetAsString(row[1]);
        params.Add(QStringLiteral("d")).SetAsString(row[2]);
        params.Add(QStringLiteral("p")).SetAsString(row[3]);
        params.Add(QStringLiteral("k")).SetAsString(QString());
        params.Add(QStringLiteral("o")).SetAsString(QString());
        fixture->data->db.ExecSQL(QStringLiteral("INSERT INTO MATR (IDENT,IDTYP,NAZEV,POPIS,MISTO,PATH_DOK,OBSAH) "
                                                 "VALUES (:i,:g,:n,:d,:p,:k,:o)"),
                                  &params);
    }
    work.Commit();
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
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());  // a catalogue of its own, never the user's
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
