#pragma once

// A small streaming CSV reader (RFC 4180 quoting; CR LF, LF and CR all end a record) and the
// detection of a file's encoding and delimiter from the whole file. Every failure raises
// Exception with a Czech text naming the line.

#include "csvdialect.h"

#include "sqlite/errors.h"

#include <QFile>
#include <QIODevice>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <functional>

// Asked now and then with the bytes read and the total; false cancels (raises CsvCancelled).
using CsvProgress = std::function<bool(qint64 done, qint64 total)>;

class CsvCancelled : public Exception {
public:
    CsvCancelled() : Exception(QStringLiteral("Práce se souborem CSV byla přerušena.")) {}
};

// The longest field read; a longer one (an unclosed quote in a huge file) is refused.
inline constexpr qsizetype kCsvMaxField = 64 * 1024 * 1024;

// Opens the file for reading; raises with a Czech text naming it and the reason when it cannot.
void OpenCsvFile(QFile& file);

// The decoded text of a device, chunk by chunk.
class CsvText {
public:
    CsvText(QIODevice& in, CsvEncoding encoding);
    // The next chunk; false at the end. Raises for a read error or bytes that are not text in the
    // encoding (naming the line, counted from `line` at the chunk's start).
    bool Next(QString& chunk, qint64 line);

private:
    QIODevice& in_;
    CsvEncoding encoding_;
    QStringDecoder decoder_;
    bool atStart_ = true;
    QByteArray tail_;
};

class CsvReader {
public:
    // Reads from the device's current position; a BOM at the start is skipped.
    CsvReader(QIODevice& in, CsvDialect dialect);

    // The next record; false at the end. Lines holding only delimiters and blanks are skipped.
    bool Next(QStringList& fields);
    qint64 Line() const { return recordLine_; }  // the line the last record started on (from 1)
    qint64 BytesRead() const { return in_.pos(); }

private:
    bool Fill();
    bool ReadRecord(QStringList& fields);
    [[noreturn]] void Fail(const QString& text, qint64 line) const;
    void EndField(QStringList& fields);

    enum class State { FieldStart, Plain, Quoted, QuoteInQuoted };

    QIODevice& in_;
    CsvDialect dialect_;
    CsvText text_;
    QString buffer_;
    qsizetype at_ = 0;
    bool lastCR_ = false;  // the character before was a CR
    bool skipLF_ = false;  // a CR ended the last record: a LF right after it belongs to it
    qint64 line_ = 1;
    qint64 recordLine_ = 1;
    qint64 quoteLine_ = 1;
    QString field_;
};

struct CsvDetection {
    CsvDialect dialect;
    qint64 records = 0;  // with the header
};

// Reads the whole device: refuses an empty file, NUL bytes and other bytes a text has not,
// decides the encoding (BOM, else UTF-8 when every byte sequence is valid, else Windows-1250) and
// the delimiter (";" "," or tab: the one that splits most records like the first one).
CsvDetection DetectCsv(QIODevice& in, const CsvProgress& progress = {});

// Reads every record with the dialect; answers false from `record` to stop early.
void ReadCsv(QIODevice& in, CsvDialect dialect, const std::function<bool(const QStringList&, qint64 line)>& record,
             const CsvProgress& progress = {});
