// PackFile and UnpackBlob against the library's one-shot calls on the same 12 MiB document (the
// library works in blocks of 900 kB, so the ratios do not depend on the size; a quarter of the
// largest document keeps a run short enough to repeat on a loaded machine).
//
// Time: each pair of sides timed in alternation (ratio.h). Memory, measured once per operation
// after the timing: before the operation the freed heap is returned to the system (malloc_trim)
// and the kernel's resident high-water mark is reset (writing 5 to /proc/self/clear_refs); after
// it, VmHWM minus the resident size at the start is the peak the operation added. Pages a buffer
// reserves but never touches do not count, as they take no memory.

#include "data/bz2.h"

#include "bench_data.h"
#include "ratio.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryFile>

#include <benchmark/benchmark.h>
#include <bzlib.h>
#include <malloc.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double MiB = 1024.0 * 1024.0;
constexpr qsizetype kDocumentSize = PackSizeLimit / 4;

const QByteArray& Document()
{
    static const QByteArray document = OfficeDocument(kDocumentSize, 48, 512);
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

double PeakMiB(const std::function<void()>& operation)
{
    PeakProbe probe;
    operation();
    return probe.GrowthMiB();
}

void PackFileOnce()
{
    QFile file(DocumentPath());
    file.open(QIODevice::ReadOnly);
    TPackResult packed = PackFile(file, DocumentPath());
    if (!packed.Complete)
        throw std::runtime_error("abandoned");
    benchmark::DoNotOptimize(packed.Blob.data());
}

void RawCompressOnce()
{
    const QByteArray& document = Document();
    unsigned length = unsigned(document.size() + document.size() / 100 + 600);
    std::unique_ptr<char[]> out(new char[length]);
    if (BZ2_bzBuffToBuffCompress(out.get(), &length, const_cast<char*>(document.constData()), unsigned(document.size()),
                                 9, 0, 0) != BZ_OK)
        throw std::runtime_error("compression failed");
    benchmark::DoNotOptimize(out.get());
}

void UnpackBlobOnce()
{
    // The document's room taken at once, as the raw call's: the peak is UnpackBlob's, not that of
    // a buffer growing by doubling.
    QByteArray document;
    document.reserve(Document().size());
    QBuffer out(&document);
    out.open(QIODevice::ReadWrite);
    if (UnpackBlob(Blob(), out) != Document().size())
        throw std::runtime_error("short unpack");
    benchmark::DoNotOptimize(out.data().data());
}

void RawDecompressOnce()
{
    const QByteArray& blob = Blob();
    unsigned length = unsigned(Document().size());
    std::unique_ptr<char[]> out(new char[length]);
    if (BZ2_bzBuffToBuffDecompress(out.get(), &length, const_cast<char*>(blob.constData()), unsigned(blob.size() - 8),
                                   0, 0) != BZ_OK)
        throw std::runtime_error("decompression failed");
    benchmark::DoNotOptimize(out.get());
}

// The peak each operation adds, beside the raw call's; the program may hold the blob and the
// document, never a second copy of either.
void PrintPeaks()
{
    const double document = double(Document().size()) / MiB, blob = double(Blob().size()) / MiB;
    std::printf("\ndocument %.1f MiB, blob %.1f MiB (%.1f %%)\n", document, blob, 100.0 * blob / document);
    const auto peaks = [&](const char* name, const std::function<void()>& ours, const std::function<void()>& raw) {
        const double a = PeakMiB(ours), b = PeakMiB(raw);
        std::printf("%s: peak %.1f MiB, the raw call's %.1f MiB, blob plus document %.1f MiB\n", name, a, b,
                    document + blob);
        bench::PrintRatioLine(name, a / (document + blob), "<=", 1.0);
    };
    peaks("pack-peak", PackFileOnce, RawCompressOnce);
    peaks("unpack-peak", UnpackBlobOnce, RawDecompressOnce);
}

}  // namespace

int main(int argc, char** argv)
{
    Blob();  // built before any measurement
    bench::AddRatio({"pack", "PackFile against BZ2_bzBuffToBuffCompress (level 9) on the same document",
                     {PackFileOnce, {}}, {RawCompressOnce, {}}, "<=", 1.05});
    // Unpacking spends much of its time faulting in fresh pages, which the machine's load swings
    // widely; a run is short, so many pairs keep the median steady.
    bench::AddRatio({"unpack", "UnpackBlob against BZ2_bzBuffToBuffDecompress on the same blob",
                     {UnpackBlobOnce, {}}, {RawDecompressOnce, {}}, "<=", 1.05, bench::Clock::Cpu, 45});
    const int rc = bench::RunBenchmarks(argc, argv);
    if (rc == 0)
        PrintPeaks();
    return rc;
}
