#pragma once

// How a CSV file is written or read: its encoding and its delimiter, and the writer of records.
// Records end in CR LF; fields are quoted as RFC 4180 asks where they hold the delimiter, a quote
// or a line break, so line breaks inside a value are kept.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

enum class CsvEncoding { Utf8Bom, Utf8, Windows1250, Utf16LE, Utf16BE };

struct CsvDialect {
    CsvEncoding encoding = CsvEncoding::Utf8Bom;  // what Czech spreadsheets open without asking
    QChar delimiter = u';';
};

QString EncodingName(CsvEncoding encoding);  // "UTF-8 s BOM", "Windows-1250", ...
QString DelimiterName(QChar delimiter);      // "středník", "čárka", "tabulátor"

// A spreadsheet runs a cell starting with = + - @, a tab or a CR as a formula. Guarded cells are
// written with a leading apostrophe; a text that itself starts with an apostrophe before such a
// start is guarded too, so that UnguardFormula gives back every text unchanged.
QString GuardFormula(const QString& cell);
QString UnguardFormula(const QString& cell);

// Writes records to a device in a dialect. Output is buffered; Finish() writes the rest. Raises
// Exception with the device's reason when a write fails, or when a character cannot be encoded.
class CsvWriter {
public:
    CsvWriter(QIODevice& out, CsvDialect dialect);
    void WriteRecord(const QStringList& fields);
    void Finish();

private:
    void AppendField(const QString& field);
    void Flush();

    QIODevice& out_;
    CsvDialect dialect_;
    QStringEncoder encoder_;
    QString pending_;
};
