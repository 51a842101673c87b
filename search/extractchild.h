#pragma once

// Extraction out of the program's way: documents are parsed by a child process (a small program
// of its own, extract/, that loads none of the window's libraries), so a parser that crashes,
// hangs or eats memory on a hostile file costs that child only. One child takes many documents in
// turn: each job goes to its standard input as a frame (kind, length, bytes) and its answer comes
// back on standard output as a frame (status, length, UTF-8 text). The child limits its own
// address space and, per document, its processor time; the parent keeps a wall-clock watchdog
// and ends the child when a document overruns. The document in hand is then failed and a fresh
// child takes the next one.

#include "extract.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

class QProcess;

inline constexpr char ExtractOption[] = "--extract-text";

// The child's side: argv[1] is ExtractOption, argv[2] the address-space limit in bytes (0: none),
// argv[3] the processor seconds allowed per document. With test triggers on, a document starting
// with "#crash#" aborts the child, one with "#hang#" never ends, one with "#eat#" asks for more
// memory than the limit allows and one with "#pid#" answers the child's process id.
int ExtractChildMain(int argc, char** argv, bool testTriggers = false);

struct TChildLimits {
    int Milliseconds = 30'000;
    qint64 MemoryBytes = qint64(1) << 30;  // address space of the child
};

// The parent's side: the program and arguments that start a child (the limits are appended).
class TExtractChild {
public:
    TExtractChild(QString program, QStringList arguments, TChildLimits limits = {});
    // The child the program's windows use: none until the program names itself (so a test
    // process never starts copies of itself); with it, the document index is kept.
    static void SetProgram(const QString& program);
    static std::optional<TExtractChild> OfThisProgram();

    // One document in a child of its own; see TExtractSession::Extract.
    TExtracted Extract(TDocKind kind, const QByteArray& document, const std::atomic<bool>* stop = nullptr) const;

    const QString& Program() const { return program_; }
    QStringList Arguments() const;
    const TChildLimits& Limits() const { return limits_; }

private:
    QString program_;
    QStringList arguments_;
    TChildLimits limits_;
};

// A run of documents through one child, started at the first document and again after any that
// cost the child its life. Use it on one thread; destroying it ends the child.
class TExtractSession {
public:
    explicit TExtractSession(TExtractChild child);
    ~TExtractSession();
    TExtractSession(const TExtractSession&) = delete;
    TExtractSession& operator=(const TExtractSession&) = delete;

    // Never raises: a document the child fails, crashes, hangs or overruns on gives an error
    // text. A set `stop` ends the child at once.
    TExtracted Extract(TDocKind kind, const QByteArray& document, const std::atomic<bool>* stop = nullptr);

private:
    QString Start();
    void EndChild();
    std::optional<QByteArray> Answer(const std::atomic<bool>* stop, QString& error);

    TExtractChild child_;
    std::unique_ptr<QProcess> process_;
};
