// A backup of a catalogue with 200 documents of 1 MiB each (every document packed anew, the
// database compacted and its file copied) beside compressing the same files with the library at
// level 9 (bzip2 -9), one after another.

#include "data/backup.h"
#include "data/uDM.h"

#include "sqlite/sql3_utils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <bzlib.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <random>

namespace {

constexpr int kDocuments = 200;
constexpr int kDocumentSize = 1 << 20;

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
};

Catalogue* catalogue = nullptr;

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
}

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct Figures {
    double cpu = 0;
    int runs = 0;
};
Figures backupFigures, rawFigures;

template <class Operation>
void Measure(benchmark::State& state, Figures& figures, Operation operation)
{
    for (auto _ : state) {
        const double start = CpuSeconds();
        operation();
        figures.cpu += CpuSeconds() - start;
        ++figures.runs;
    }
    state.counters["documents_MiB"] = double(kDocuments) * kDocumentSize / (1 << 20);
}

void RawBzip2Bench(benchmark::State& state)
{
    Measure(state, rawFigures, [] {
        for (const QString& path : std::as_const(catalogue->files)) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                throw std::runtime_error("cannot read " + path.toStdString());
            QByteArray in = file.readAll();
            unsigned length = unsigned(in.size() + in.size() / 100 + 600);
            std::unique_ptr<char[]> out(new char[length]);
            if (BZ2_bzBuffToBuffCompress(out.get(), &length, in.data(), unsigned(in.size()), 9, 0, 0) != BZ_OK)
                throw std::runtime_error("compression failed");
            benchmark::DoNotOptimize(out.get());
        }
    });
}

void BackupBench(benchmark::State& state)
{
    Measure(state, backupFigures, [] {
        if (!catalogue->data->BackupDatabase(catalogue->items, {}))
            throw std::runtime_error("the backup did not run");
    });
    state.counters["backup_MiB"] = double(QFileInfo(catalogue->target).size()) / (1 << 20);
}

}  // namespace

BENCHMARK(RawBzip2Bench)->Iterations(1)->Repetitions(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BackupBench)->Iterations(1)->Repetitions(2)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());  // a catalogue of its own, never the user's
    QCoreApplication app(argc, argv);
    Catalogue c;
    Prepare(c, home.path());
    catalogue = &c;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (backupFigures.runs && rawFigures.runs) {
        const double backup = backupFigures.cpu / backupFigures.runs, raw = rawFigures.cpu / rawFigures.runs;
        std::printf("\nmean cpu time: backup %.2f s | bzip2 -9 file by file %.2f s | ratio %.3f\n", backup, raw,
                    backup / raw);
    }
    SetFileDialogAnswerer({});
    catalogue = nullptr;
    return 0;
}
