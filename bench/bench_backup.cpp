// Backups of a catalogue with 200 documents of 1 MiB each, the sides of each ratio taking turns
// (ratio.h):
// - every document packed again (every row made to look changed) against nothing changed;
// - every document packed again on one core against all cores, with the output compared;
// - opening documents whose fresh copies lie in "DOKUM" against unpacking them there.
// The backups are judged on wall time: the cores save time, not work.

#include "data/backup.h"
#include "data/uDM.h"

#include "sqlite/sql3_query.h"

#include "bench_data.h"
#include "ratio.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QThread>

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

constexpr int kDocuments = 200;
constexpr int kDocumentSize = 1 << 20;
constexpr int kOpenedDocuments = 20;  // per measurement of opening

// Every file its own.
QByteArray Document(int seed) { return OfficeDocument(kDocumentSize, unsigned(seed), 256); }

struct Catalogue {
    QStringList files;
    std::unique_ptr<Tdm> data;
    TMeral3Table items;
    QString target;
    QString docsDigest;  // of every DOCS row after the first backup
};

Catalogue* catalogue = nullptr;

QString DocsDigest(TMeral3Database& db)
{
    TMeral3Query rows;
    rows.SetDatabase(&db);
    rows.SetSQL("SELECT DOCPATH, DOCSIZE, ZIPSIZE, ZIP FROM DOCS ORDER BY DOCPATH");
    rows.Open();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (rows.First(); !rows.Eof(); rows.Next())
        for (int i = 0; i < 4; ++i)
            hash.addData(rows.Fields()[i].AsBytes());
    return QString::fromLatin1(hash.result().toHex().left(16));
}

void Backup()
{
    if (!catalogue->data->BackupDatabase(catalogue->items, {}))
        throw std::runtime_error("the backup did not run");
}

void Prepare(Catalogue& c, const QString& folder)
{
    QDir().mkpath(folder + "/docs");
    for (int i = 0; i < kDocuments; ++i) {
        const QString path = QString("%1/docs/document-%2.txt").arg(folder).arg(i, 3, 10, QChar('0'));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(Document(i)) != kDocumentSize)
            throw std::runtime_error("cannot write " + path.toStdString());
        c.files << path;
    }
    c.data = std::make_unique<Tdm>();
    c.data->OpenCatalogue();
    FillItems(*c.data, 1, kDocuments, [&c](int i) {
        BenchItem item;
        item.name = QString("item %1").arg(i + 1);
        item.document = c.files[i];
        return item;
    });
    c.items.SetDatabase(&c.data->db);
    c.items.SetTableName("MATR");
    c.items.SetIndexName("IXMATR");
    c.items.Open();
    c.target = folder + "/regalon.bak";
    SetFileDialogAnswerer([&c](const TFileDialog&) { return std::optional<QString>(c.target); });
    catalogue = &c;
    Backup();  // every document stored once
    c.docsDigest = DocsDigest(c.data->db);
}

std::map<std::string, QString> outputs;  // the DOCS digest each way of packing left

void MakeEveryRowLookChanged() { catalogue->data->db.ExecSQL("UPDATE DOCS SET DOCSIZE=-1"); }

bench::Side BackupSide(int workers, bool changed, const std::string& output = {})
{
    bench::Side side;
    side.run = Backup;
    side.prepare = [workers, changed] {
        catalogue->data->SetPackWorkers(workers);
        if (changed)
            MakeEveryRowLookChanged();
    };
    if (!output.empty())
        side.after = [output] { outputs[output] = DocsDigest(catalogue->data->db); };
    return side;
}

QString Gone(int i) { return QString("/gone/document-%1.txt").arg(i, 3, 10, QChar('0')); }

QString DokumCopy(int i) { return WorkPath(QString("DOKUM/document-%1.txt").arg(i, 3, 10, QChar('0'))); }

// Rows of documents whose files are gone, so that opening them reads their copies in "DOKUM".
// Made again before every run: no item refers to them, so every backup deletes them as orphans.
void StoreGoneDocuments()
{
    for (int i = 0; i < kOpenedDocuments; ++i) {
        TParams params;
        params.Add("GONE").SetAsString(Gone(i));
        params.Add("FILE").SetAsString(catalogue->files[i]);
        catalogue->data->db.ExecSQL(
            "INSERT OR REPLACE INTO DOCS SELECT :GONE, DOCSIZE, ZIPSIZE, ZIP FROM DOCS WHERE DOCPATH=:FILE", &params);
    }
}

void OpenAll()
{
    for (int i = 0; i < kOpenedDocuments; ++i)
        if (!QFile::exists(catalogue->data->GetDocument(Gone(i))))
            throw std::runtime_error("no copy of a document");
}

void PrepareFreshCopies()
{
    StoreGoneDocuments();
    for (int i = 0; i < kOpenedDocuments; ++i)
        if (!QFile::exists(DokumCopy(i)))
            catalogue->data->GetDocument(Gone(i));
}

void PrepareNoCopies()
{
    StoreGoneDocuments();
    for (int i = 0; i < kOpenedDocuments; ++i)
        QFile::remove(DokumCopy(i));
}

void AddRatios()
{
    const int cores = QThread::idealThreadCount();
    bench::AddRatio({"backup-unchanged", "a backup packing every document again against one with nothing changed",
                     BackupSide(cores, true), BackupSide(cores, false), ">=", 10, bench::Clock::Wall, 6});
    bench::AddRatio({"backup-cores", "a backup packing every document on one core against all cores",
                     BackupSide(1, true, "one-core"), BackupSide(cores, true, "all-cores"), ">=", 1.8,
                     bench::Clock::Wall, 6});
    bench::AddRatio({"fresh-copy-check",
                     "opening 20 documents whose fresh copies lie in DOKUM against unpacking them there",
                     {OpenAll, PrepareFreshCopies}, {OpenAll, PrepareNoCopies},
                     "<=", 0.33, bench::Clock::Wall, 15});
}

// Whether every way of packing wrote the same DOCS bytes (true when the cores ratio did not run).
bool PrintOutputs()
{
    if (outputs.size() < 2)
        return true;
    const bool identical = outputs["all-cores"] == outputs["one-core"] && outputs["one-core"] == catalogue->docsDigest;
    std::printf("\nDOCS after packing on all cores %s, on one core %s, after the first backup %s: %s\n",
                qPrintable(outputs["all-cores"]), qPrintable(outputs["one-core"]), qPrintable(catalogue->docsDigest),
                identical ? "identical" : "DIFFERENT");
    return identical;
}

}  // namespace

int main(int argc, char** argv)
{
    const PrivateDataHome home;
    QCoreApplication app(argc, argv);
    Catalogue c;
    Prepare(c, home.Path());
    std::printf("%d documents of %d KiB, %d cores\n", kDocuments, kDocumentSize / 1024, QThread::idealThreadCount());

    AddRatios();
    int code = bench::RunBenchmarks(argc, argv);
    if (!PrintOutputs())
        code = 1;
    SetFileDialogAnswerer({});
    catalogue = nullptr;
    return code;
}
