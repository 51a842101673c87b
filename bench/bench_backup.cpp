// Backups of a catalogue with 200 documents of 1 MiB each, side by side in one run, the sides
// taking turns in every repetition:
// - nothing changed against every document packed again (every row made to look changed);
// - every document packed again on all cores against one core, with the output compared;
// - opening a document whose fresh copy lies in "DOKUM" against unpacking it there.
// Wall and CPU time of every side, then a "ratio" line for each pair (medians of wall time).

#include "data/backup.h"
#include "data/uDM.h"

#include "sqlite/sql3_query.h"
#include "sqlite/sql3_utils.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>

namespace {

constexpr int kDocuments = 200;
constexpr int kDocumentSize = 1 << 20;
constexpr int kRepetitions = 3;
constexpr int kOpenedDocuments = 20;  // per measurement of opening

// Words, numbers and short binary runs, as office documents mix them; every file its own.
QByteArray Document(int seed)
{
    static const char* const words[] = {"regál", "položka", "výkres", "skříň", "šroub", "M8x40", "pozinkovaný",
                                        "dokumentace", "objednávka", "2026", "kus", "balení", "sklad", "B-12"};
    std::mt19937 random{unsigned(seed)};
    QByteArray bytes;
    bytes.reserve(kDocumentSize + 4096);
    while (bytes.size() < kDocumentSize) {
        for (int i = 0; i < 40; ++i)
            bytes += QByteArray(words[random() % std::size(words)]) + (random() % 9 ? " " : "\n");
        for (int i = int(random() % 256); i > 0; --i)
            bytes += char(random());
        for (int i = 0; i < 32; ++i)
            bytes += QByteArray::number(int(random() % 100)).rightJustified(4, '0');
    }
    bytes.truncate(kDocumentSize);
    return bytes;
}

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
    for (int i = 0; i < kDocuments; ++i)
        c.data->db.ExecSQL(QString("INSERT INTO MATR (IDENT, IDTYP, NAZEV, PATH_DOK) VALUES(%1, 0, 'item %1', %2)")
                               .arg(i + 1)
                               .arg(QuoteString(c.files[i])));
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

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct Times {
    std::vector<double> wall, cpu;
};
std::map<std::string, Times> times;
std::map<std::string, QString> outputs;  // the DOCS digest each side left

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs the setup untimed, then times the operation: wall and CPU of the whole process.
template <class Setup, class Operation>
void Measure(benchmark::State& state, const std::string& side, Setup setup, Operation operation)
{
    for (auto _ : state) {
        state.PauseTiming();
        setup();
        state.ResumeTiming();
        const auto wallStart = std::chrono::steady_clock::now();
        const double cpuStart = CpuSeconds();
        operation();
        times[side].cpu.push_back(CpuSeconds() - cpuStart);
        times[side].wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count());
    }
    state.counters["cpu_s"] = times[side].cpu.back();
}

void MakeEveryRowLookChanged() { catalogue->data->db.ExecSQL("UPDATE DOCS SET DOCSIZE=-1"); }

void BackupUnchanged(benchmark::State& state)
{
    Measure(state, "unchanged", [] { catalogue->data->SetPackWorkers(QThread::idealThreadCount()); }, Backup);
}

void BackupEveryDocument(benchmark::State& state, int workers, const std::string& side)
{
    Measure(
        state, side,
        [workers] {
            catalogue->data->SetPackWorkers(workers);
            MakeEveryRowLookChanged();
        },
        Backup);
    outputs[side] = DocsDigest(catalogue->data->db);
}

QString Gone(int i) { return QString("/gone/document-%1.txt").arg(i, 3, 10, QChar('0')); }

QString DokumCopy(int i) { return WorkPath(QString("DOKUM/document-%1.txt").arg(i, 3, 10, QChar('0'))); }

// Rows of documents whose files are gone, so that opening them reads their copies in "DOKUM".
void PrepareOpening()
{
    static bool prepared = false;
    if (std::exchange(prepared, true))
        return;
    for (int i = 0; i < kOpenedDocuments; ++i) {
        TParams params;
        params.Add("GONE").SetAsString(Gone(i));
        params.Add("FILE").SetAsString(catalogue->files[i]);
        catalogue->data->db.ExecSQL(
            "INSERT INTO DOCS SELECT :GONE, DOCSIZE, ZIPSIZE, ZIP FROM DOCS WHERE DOCPATH=:FILE", &params);
        catalogue->data->GetDocument(Gone(i));
    }
}

void OpenAll()
{
    for (int i = 0; i < kOpenedDocuments; ++i)
        if (catalogue->data->GetDocument(Gone(i)).isEmpty())
            throw std::runtime_error("no copy of a document");
}

void OpenFreshCopy(benchmark::State& state) { Measure(state, "fresh-copy", PrepareOpening, OpenAll); }

void OpenByUnpacking(benchmark::State& state)
{
    Measure(
        state, "unpack",
        [] {
            PrepareOpening();
            for (int i = 0; i < kOpenedDocuments; ++i)
                QFile::remove(DokumCopy(i));
        },
        OpenAll);
}

void Register(const std::string& name, std::function<void(benchmark::State&)> run)
{
    benchmark::RegisterBenchmark(name.c_str(), [run](benchmark::State& state) { run(state); })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

void RegisterAll()
{
    const int cores = QThread::idealThreadCount();
    for (int r = 1; r <= kRepetitions; ++r) {
        const std::string rep = "/rep" + std::to_string(r);
        Register("BackupUnchanged" + rep, BackupUnchanged);
        Register("BackupEveryDocumentAllCores" + rep,
                 [cores](benchmark::State& s) { BackupEveryDocument(s, cores, "all-cores"); });
        Register("BackupEveryDocumentOneCore" + rep, [](benchmark::State& s) { BackupEveryDocument(s, 1, "one-core"); });
    }
    for (int r = 1; r <= kRepetitions; ++r) {
        const std::string rep = "/rep" + std::to_string(r);
        Register("OpenFreshCopy" + rep, OpenFreshCopy);
        Register("OpenByUnpacking" + rep, OpenByUnpacking);
    }
}

void PrintSide(const char* label, const std::string& side)
{
    std::printf("  %-36s wall %8.3f s  cpu %8.3f s\n", label, Median(times[side].wall), Median(times[side].cpu));
}

void PrintRatio(const char* name, double ratio, const char* comparison, double target)
{
    const bool holds = comparison[0] == '>' ? ratio >= target : ratio <= target;
    std::printf("ratio %s %.2f target %s %g %s\n", name, ratio, comparison, target, holds ? "holds" : "misses");
}

void PrintFigures()
{
    std::printf("\n%d documents of %d KiB, medians of %d repetitions, %d cores\n", kDocuments, kDocumentSize / 1024,
                kRepetitions, QThread::idealThreadCount());
    PrintSide("backup, nothing changed", "unchanged");
    PrintSide("backup, every document packed", "all-cores");
    PrintSide("backup, every document packed, 1 core", "one-core");
    std::printf("  output of all cores %s one core %s first backup %s: %s\n", qPrintable(outputs["all-cores"]),
                qPrintable(outputs["one-core"]), qPrintable(catalogue->docsDigest),
                outputs["all-cores"] == outputs["one-core"] && outputs["one-core"] == catalogue->docsDigest
                    ? "identical"
                    : "DIFFERENT");
    std::printf("opening %d documents from \"DOKUM\"\n", kOpenedDocuments);
    PrintSide("fresh copy checked", "fresh-copy");
    PrintSide("unpacked", "unpack");
    QFile load("/proc/loadavg");
    load.open(QIODevice::ReadOnly);
    std::printf("load average: %s\n", load.readAll().trimmed().constData());
    PrintRatio("backup-unchanged", Median(times["all-cores"].wall) / Median(times["unchanged"].wall), ">=", 10);
    PrintRatio("backup-cores", Median(times["one-core"].wall) / Median(times["all-cores"].wall), ">=", 1.8);
    PrintRatio("fresh-copy-check", Median(times["fresh-copy"].wall) / Median(times["unpack"].wall), "<=", 0.33);
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());  // a catalogue of its own, never the user's
    QCoreApplication app(argc, argv);
    Catalogue c;
    Prepare(c, home.path());

    RegisterAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintFigures();
    SetFileDialogAnswerer({});
    catalogue = nullptr;
    return 0;
}
