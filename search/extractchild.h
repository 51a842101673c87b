#pragma once

// Extraction out of the program's way: each document is parsed by a child process (a small
// program of its own, extract/, that loads none of the window's libraries), so a parser that
// crashes, hangs or eats memory on a hostile file costs that child only. The child reads the
// document on standard input and writes its text as UTF-8 on standard output.

#include "extract.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

inline constexpr char ExtractOption[] = "--extract-text";

// The child's side: argv[1] is ExtractOption, argv[2] the kind's number. With test triggers on,
// a document starting with "#crash#" aborts the child, one with "#hang#" never ends and one with
// "#eat#" asks for more memory than the limit allows.
int ExtractChildMain(int argc, char** argv, bool testTriggers = false);

struct TChildLimits {
    int Milliseconds = 30'000;
    qint64 MemoryBytes = qint64(1) << 30;  // address space of the child
};

// The parent's side: the program and arguments that start a child (the kind's number is appended).
class TExtractChild {
public:
    TExtractChild(QString program, QStringList arguments, TChildLimits limits = {});
    // The child the program's windows use: none until the program names itself (so a test
    // process never starts copies of itself); with it, the document index is kept.
    static void SetProgram(const QString& program);
    static std::optional<TExtractChild> OfThisProgram();

    // Never raises: a child that fails, crashes, hangs or overruns gives an error text. A set
    // `stop` ends the child at once.
    TExtracted Extract(TDocKind kind, const QByteArray& document, const std::atomic<bool>* stop = nullptr) const;

private:
    QString program_;
    QStringList arguments_;
    TChildLimits limits_;
};
