#include "extractchild.h"

#include <QFile>
#include <QElapsedTimer>
#include <QProcess>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

// AddressSanitizer reserves terabytes of address space for its shadow: under it the memory limit
// is left to the time limit.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLimitAddressSpace = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif
#else
constexpr bool kLimitAddressSpace = true;
#endif

namespace {

void RunTestTrigger(const QByteArray& document)
{
    if (document.startsWith("#crash#"))
        std::abort();
    if (document.startsWith("#eat#")) {
        std::vector<char> memory(size_t(8) << 30);  // beyond any limit set on the child
        std::memset(memory.data(), 1, memory.size());
    }
    if (document.startsWith("#hang#"))
        for (;;)
            pause();
}

QByteArray ReadAll(int descriptor)
{
    QFile in;
    if (!in.open(descriptor, QIODevice::ReadOnly))
        return {};
    return in.readAll();
}

}  // namespace

int ExtractChildMain(int argc, char** argv, bool testTriggers)
{
    if (argc < 3 || std::strcmp(argv[1], ExtractOption) != 0)
        return 2;
    const int kind = std::atoi(argv[2]);
    if (kind < int(TDocKind::NameOnly) || kind > int(TDocKind::OfficeXml))
        return 2;
    const QByteArray document = ReadAll(STDIN_FILENO);
    if (testTriggers)
        RunTestTrigger(document);
    const TExtracted extracted = ExtractText(TDocKind(kind), document);
    QFile out;
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly))
        return 2;
    if (!extracted.Ok()) {
        QFile err;
        if (err.open(STDERR_FILENO, QIODevice::WriteOnly))
            err.write(extracted.Error.toUtf8());
        return 1;
    }
    const QByteArray text = extracted.Text.toUtf8();
    return out.write(text) == text.size() && out.flush() ? 0 : 2;
}

TExtractChild::TExtractChild(QString program, QStringList arguments, TChildLimits limits)
    : program_(std::move(program))
    , arguments_(std::move(arguments))
    , limits_(limits)
{
}

namespace {

QString& ProgramOfThisProcess()
{
    static QString program;
    return program;
}

}  // namespace

void TExtractChild::SetProgram(const QString& program)
{
    ProgramOfThisProcess() = program;
}

std::optional<TExtractChild> TExtractChild::OfThisProgram()
{
    if (ProgramOfThisProcess().isEmpty())
        return std::nullopt;
    return TExtractChild(ProgramOfThisProcess(), {QString::fromLatin1(ExtractOption)});
}

TExtracted TExtractChild::Extract(TDocKind kind, const QByteArray& document, const std::atomic<bool>* stop) const
{
    TExtracted result;
    QProcess child;
    const qint64 memory = limits_.MemoryBytes;
    const int seconds = limits_.Milliseconds / 1000 + 1;
    child.setChildProcessModifier([memory, seconds] {
        // Only async-signal-safe calls between fork and exec.
        const rlimit space{rlim_t(memory), rlim_t(memory)};
        if (kLimitAddressSpace)
            setrlimit(RLIMIT_AS, &space);
        const rlimit cpu{rlim_t(seconds), rlim_t(seconds)};
        setrlimit(RLIMIT_CPU, &cpu);
        const rlimit core{0, 0};
        setrlimit(RLIMIT_CORE, &core);
    });
    child.start(program_, QStringList(arguments_) << QString::number(int(kind)));
    if (!child.waitForStarted(limits_.Milliseconds)) {
        result.Error = QStringLiteral("Nelze spustit čtení dokumentu: %1").arg(child.errorString());
        return result;
    }
    child.write(document);
    child.closeWriteChannel();
    QByteArray text;
    QElapsedTimer clock;
    clock.start();
    while (child.state() != QProcess::NotRunning) {
        const qint64 left = limits_.Milliseconds - clock.elapsed();
        if (left <= 0 || text.size() > MaxTextChars * 4 || (stop && *stop)) {
            child.kill();
            child.waitForFinished(-1);
            result.Error = left <= 0                         ? QStringLiteral("Čtení dokumentu trvalo příliš dlouho.")
                           : text.size() > MaxTextChars * 4 ? QStringLiteral("Dokument vydal příliš mnoho textu.")
                                                            : QStringLiteral("Čtení dokumentu přerušeno.");
            return result;
        }
        child.waitForReadyRead(int(std::min<qint64>(left, 200)));
        text += child.readAllStandardOutput();
    }
    text += child.readAllStandardOutput();
    if (child.exitStatus() != QProcess::NormalExit) {
        result.Error = QStringLiteral("Čtení dokumentu skončilo chybou.");
    } else if (child.exitCode() != 0) {
        const QString reason = QString::fromUtf8(child.readAllStandardError()).left(200);
        result.Error = reason.isEmpty() ? QStringLiteral("Čtení dokumentu skončilo chybou.") : reason;
    } else {
        result.Text = QString::fromUtf8(text).left(MaxTextChars);
    }
    return result;
}
