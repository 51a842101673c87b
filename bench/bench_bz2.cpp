// PackFile and UnpackBlob against the library's one-shot calls on the same 48 MiB document.
//
// Time: Google Benchmark, real time per operation. Memory: before each operation the freed heap
// is returned to the system (malloc_trim) and the kernel's resident high-water mark is reset
// (writing 5 to /proc/self/clear_refs); after it, VmHWM minus the resident size at the start is
// the peak the operation added. Pages a buffer reserves but never touches do not count, as they
// take no memory.

#include "data/bz2.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryFile>

#include <benchmark/benchmark.h>
#include <bzlib.h>
#include <malloc.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double MiB = 1024.0 * 1024.0;

// Text lines, random binary runs and repetitive tables, as a folder of office documents mixes them.
const QByteArray& Document()
{
    static const QByteArray document = [] {
        static const char* const words[] = {"regál", "položka", "výkres", "skříň", "šroub", "M8x40", "pozinkovaný",
                                            "dokumentace", "objednávka", "2026", "kus", "balení", "sklad", "B-12"};
        std::mt19937 random(48);
        QByteArray bytes;
        bytes.reserve(PackSizeLimit);
        while (bytes.size() < PackSizeLimit) {
            for (int i = 0; i < 40; ++i)
                bytes += QByteArray(words[random() % std::size(words)]) + (random() % 9 ? " " : "\n");
            for (int i = int(random() % 512); i > 0; --i)
                bytes += char(random());
            for (int i = 0; i < 32; ++i)
                bytes += QByteArray::number(int(random() % 100)).rightJustified(4, '0');
        }
        bytes.truncate(PackSizeLimit);
        return bytes;
    }();
    return document;
}

const QString& DocumentPath()
{
    static QTemporaryFile file;
    if (!file.isOpen()) {
        if (!file.open() || file.write(Document()) != Document().size() || !file.flush())
            throw std::runtime_error("cannot write the benchmark document");
    }
    static const QString path = file.fileName();
    return path;
}

const QByteArray& Blob()
{
    static const QByteArray blob = [] {
        QFile file(DocumentPath());
        file.open(QIODevice::ReadOnly);
        return PackFile(file, DocumentPath()).Blob;
    }();
    return blob;
}

qint64 StatusKiB(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0)
            return std::stoll(line.substr(key.size() + 1));
    return -1;
}

class PeakProbe {
public:
    PeakProbe()
    {
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        base_ = StatusKiB("VmRSS");
    }
    double GrowthMiB() const { return double(StatusKiB("VmHWM") - base_) * 1024.0 / MiB; }

private:
    qint64 base_;
};

// Runs the operation per iteration and reports the largest peak it added.
template <class Operation>
void Measure(benchmark::State& state, Operation operation)
{
    double peak = 0;
    for (auto _ : state) {
        PeakProbe probe;
        operation();
        peak = std::max(peak, probe.GrowthMiB());
    }
    state.counters["peak_MiB"] = peak;
    state.counters["document_MiB"] = double(Document().size()) / MiB;
    state.counters["blob_MiB"] = double(Blob().size()) / MiB;
}

void PackFileBench(benchmark::State& state)
{
    Measure(state, [] {
        QFile file(DocumentPath());
        file.open(QIODevice::ReadOnly);
        TPackResult packed = PackFile(file, DocumentPath());
        if (!packed.Complete)
            throw std::runtime_error("abandoned");
        benchmark::DoNotOptimize(packed.Blob.data());
    });
}

void RawCompressBench(benchmark::State& state)
{
    const QByteArray& document = Document();
    Measure(state, [&] {
        unsigned length = unsigned(document.size() + document.size() / 100 + 600);
        std::unique_ptr<char[]> out(new char[length]);
        if (BZ2_bzBuffToBuffCompress(out.get(), &length, const_cast<char*>(document.constData()),
                                     unsigned(document.size()), 9, 0, 0) != BZ_OK)
            throw std::runtime_error("compression failed");
        benchmark::DoNotOptimize(out.get());
    });
}

void UnpackBlobBench(benchmark::State& state)
{
    const QByteArray& blob = Blob();
    Measure(state, [&] {
        QBuffer out;
        out.open(QIODevice::ReadWrite);
        if (UnpackBlob(blob, out) != Document().size())
            throw std::runtime_error("short unpack");
        benchmark::DoNotOptimize(out.data().data());
    });
}

void RawDecompressBench(benchmark::State& state)
{
    const QByteArray& blob = Blob();
    Measure(state, [&] {
        unsigned length = unsigned(Document().size());
        std::unique_ptr<char[]> out(new char[length]);
        if (BZ2_bzBuffToBuffDecompress(out.get(), &length, const_cast<char*>(blob.constData()),
                                       unsigned(blob.size() - 8), 0, 0) != BZ_OK)
            throw std::runtime_error("decompression failed");
        benchmark::DoNotOptimize(out.get());
    });
}

// The console table as usual, then each routine beside the raw call it is measured against.
class SideBySide : public benchmark::ConsoleReporter {
public:
    SideBySide() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
                continue;
            results_[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime(),
                                                    run.counters.at("peak_MiB").value};
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double document = double(Document().size()) / MiB, blob = double(Blob().size()) / MiB;
        std::printf("\nmedians; cpu time is the fair measure on a shared machine, real time includes waiting for a core\n");
        std::printf("document %.1f MiB, blob %.1f MiB (%.1f %%)\n", document, blob, 100.0 * blob / document);
        Compare("PackFile", "BZ2_bzBuffToBuffCompress", "PackFileBench", "RawCompressBench");
        Compare("UnpackBlob", "BZ2_bzBuffToBuffDecompress", "UnpackBlobBench", "RawDecompressBench");
        std::printf("peak target: the blob plus the document (%.1f MiB), no second copy of either\n", document + blob);
    }

private:
    struct Result {
        double realMs = 0, cpuMs = 0, peakMiB = 0;
    };
    void Compare(const char* ours, const char* raw, const std::string& oursName, const std::string& rawName)
    {
        if (!results_.count(oursName) || !results_.count(rawName))
            return;
        const Result& a = results_[oursName];
        const Result& b = results_[rawName];
        std::printf("%-10s cpu %6.0f ms  peak %5.1f MiB | %-26s cpu %6.0f ms  peak %5.1f MiB | cpu ratio %.3f, "
                    "real ratio %.3f (target <= 1.05)\n",
                    ours, a.cpuMs, a.peakMiB, raw, b.cpuMs, b.peakMiB, a.cpuMs / b.cpuMs, a.realMs / b.realMs);
    }

    std::map<std::string, Result> results_;
};

}  // namespace

// One operation per repetition; repetitions of all four run interleaved, so that a change in the
// machine's load falls on both sides of a comparison alike.
BENCHMARK(PackFileBench)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(RawCompressBench)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(UnpackBlobBench)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(9);
BENCHMARK(RawDecompressBench)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(9);

int main(int argc, char** argv)
{
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    char aggregates[] = "--benchmark_report_aggregates_only=true";
    args.insert(args.begin() + 1, {interleave, aggregates});
    argc = int(args.size());
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    Blob();  // built before any measurement
    SideBySide reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
