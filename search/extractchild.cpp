#include "extractchild.h"

#include <QElapsedTimer>
#include <QProcess>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
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

// A frame's head: one byte (the kind asked for, or 0 for text and 1 for a failure answered) and
// the length of what follows, in the machine's own byte order (both ends are on one machine).
constexpr qsizetype kHead = 1 + sizeof(quint64);
constexpr quint64 kMaxDocumentBytes = quint64(4) << 30;

QByteArray Head(quint8 tag, quint64 length)
{
    QByteArray head(kHead, Qt::Uninitialized);
    head[0] = char(tag);
    std::memcpy(head.data() + 1, &length, sizeof length);
    return head;
}

quint64 LengthOfHead(const QByteArray& bytes)
{
    quint64 length = 0;
    std::memcpy(&length, bytes.constData() + 1, sizeof length);
    return length;
}

// --- the child's side ------------------------------------------------------------------------

bool ReadExactly(char* into, qsizetype size)
{
    while (size > 0) {
        const ssize_t got = read(STDIN_FILENO, into, size_t(size));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        into += got;
        size -= got;
    }
    return true;
}

bool WriteAll(const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t put = write(STDOUT_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

void LimitChild(qint64 memoryBytes)
{
    const rlimit core{0, 0};
    setrlimit(RLIMIT_CORE, &core);
    if (kLimitAddressSpace && memoryBytes > 0) {
        const rlimit space{rlim_t(memoryBytes), rlim_t(memoryBytes)};
        setrlimit(RLIMIT_AS, &space);
    }
}

// The processor time one more document may take: a backstop should the parent's watchdog be gone.
void AllowSeconds(qint64 seconds)
{
    rusage usage{};
    rlimit cpu{};
    if (seconds <= 0 || getrusage(RUSAGE_SELF, &usage) != 0 || getrlimit(RLIMIT_CPU, &cpu) != 0)
        return;
    const rlim_t used = rlim_t(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + 1;
    cpu.rlim_cur = cpu.rlim_max == RLIM_INFINITY ? used + rlim_t(seconds) : std::min(cpu.rlim_max, used + rlim_t(seconds));
    setrlimit(RLIMIT_CPU, &cpu);
}

std::optional<TExtracted> RunTestTrigger(const QByteArray& document)
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
    if (document.startsWith("#pid#"))
        return TExtracted{QString::number(getpid()), {}};
    return std::nullopt;
}

}  // namespace

int ExtractChildMain(int argc, char** argv, bool testTriggers)
{
    if (argc < 4 || std::strcmp(argv[1], ExtractOption) != 0)
        return 2;
    LimitChild(std::atoll(argv[2]));
    const qint64 seconds = std::atoll(argv[3]);
    for (QByteArray head(kHead, Qt::Uninitialized); ReadExactly(head.data(), kHead);) {
        const int kind = quint8(head[0]);
        const quint64 size = LengthOfHead(head);
        if (kind > int(TDocKind::OfficeXml) || size > kMaxDocumentBytes)
            return 2;  // not a job of ours: nothing after it can be trusted either
        QByteArray document(qsizetype(size), Qt::Uninitialized);
        if (!ReadExactly(document.data(), document.size()))
            return 2;
        AllowSeconds(seconds);
        const std::optional<TExtracted> triggered = testTriggers ? RunTestTrigger(document) : std::nullopt;
        const TExtracted extracted = triggered ? *triggered : ExtractText(TDocKind(kind), document);
        const QByteArray answer = (extracted.Ok() ? extracted.Text : extracted.Error).toUtf8();
        if (!WriteAll(Head(extracted.Ok() ? 0 : 1, quint64(answer.size())) + answer))
            return 2;
    }
    return 0;  // the parent closed the input: no more documents
}

// --- the parent's side -----------------------------------------------------------------------

TExtractChild::TExtractChild(QString program, QStringList arguments, TChildLimits limits)
    : program_(std::move(program))
    , arguments_(std::move(arguments))
    , limits_(limits)
{
}

QStringList TExtractChild::Arguments() const
{
    return QStringList(arguments_) << QString::number(limits_.MemoryBytes)
                                   << QString::number(limits_.Milliseconds / 1000 + 1);
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
    TExtractSession session(*this);
    return session.Extract(kind, document, stop);
}

TExtractSession::TExtractSession(TExtractChild child)
    : child_(std::move(child))
{
}

TExtractSession::~TExtractSession()
{
    if (!process_)
        return;
    process_->closeWriteChannel();  // the child ends at the end of its input
    if (!process_->waitForFinished(2000))
        EndChild();
}

QString TExtractSession::Start()
{
    process_ = std::make_unique<QProcess>();
    // The parsers' complaints about damaged files are no news to anybody; an unread pipe of
    // them would stall the child.
    process_->setStandardErrorFile(QProcess::nullDevice());
    process_->start(child_.Program(), child_.Arguments());
    if (process_->waitForStarted(child_.Limits().Milliseconds))
        return {};
    const QString error = QStringLiteral("Nelze spustit čtení dokumentu: %1").arg(process_->errorString());
    process_.reset();
    return error;
}

void TExtractSession::EndChild()
{
    process_->kill();
    process_->waitForFinished(-1);
    process_.reset();
}

TExtracted TExtractSession::Extract(TDocKind kind, const QByteArray& document, const std::atomic<bool>* stop)
{
    TExtracted result;
    if (!process_ && !(result.Error = Start()).isEmpty())
        return result;
    process_->write(Head(quint8(kind), quint64(document.size())));
    process_->write(document);
    const std::optional<QByteArray> answer = Answer(stop, result.Error);
    if (!answer) {
        EndChild();  // the next document gets a fresh child
        return result;
    }
    const QString text = QString::fromUtf8(answer->sliced(kHead));
    if (answer->at(0) == 0)
        result.Text = text.left(MaxTextChars);
    else
        result.Error = text.isEmpty() ? QStringLiteral("Čtení dokumentu skončilo chybou.") : text.left(200);
    return result;
}

// The child's whole answer frame, or none with the reason why the child must go.
std::optional<QByteArray> TExtractSession::Answer(const std::atomic<bool>* stop, QString& error)
{
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        answer += process_->readAllStandardOutput();
        if (answer.size() >= kHead && LengthOfHead(answer) > quint64(MaxTextChars) * 4) {
            error = QStringLiteral("Dokument vydal příliš mnoho textu.");
            return std::nullopt;
        }
        if (answer.size() >= kHead && quint64(answer.size()) >= kHead + LengthOfHead(answer))
            return answer;
        const qint64 left = child_.Limits().Milliseconds - clock.elapsed();
        if (left <= 0 || (stop && *stop) || process_->state() == QProcess::NotRunning) {
            error = left <= 0                ? QStringLiteral("Čtení dokumentu trvalo příliš dlouho.")
                    : (stop && *stop)        ? QStringLiteral("Čtení dokumentu přerušeno.")
                                             : QStringLiteral("Čtení dokumentu skončilo chybou.");
            return std::nullopt;
        }
        process_->waitForReadyRead(int(std::min<qint64>(left, 200)));
    }
}
