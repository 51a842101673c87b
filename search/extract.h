#pragma once

// The text a document says, for the document index. Every routine here reads untrusted bytes: it
// keeps at most MaxTextChars characters, refuses a zip entry that unpacks to more than it declares
// or to more than MaxEntryBytes, and reports a damaged document instead of guessing. Parsers run
// in the extraction child (extractchild.h), so a crash or a hang costs that child only.

#include <QByteArray>
#include <QString>

inline constexpr qsizetype MaxTextChars = 4 * 1024 * 1024;
inline constexpr qint64 MaxEntryBytes = 64 * 1024 * 1024;

enum class TDocKind { NameOnly, Plain, Markup, Rtf, Pdf, OpenDocument, OfficeXml };

// The kind by the file name's extension (letter case ignored); NameOnly for the others.
TDocKind KindOfName(const QString& fileName);

struct TExtracted {
    QString Text;
    QString Error;  // empty on success
    bool Ok() const { return Error.isEmpty(); }
};

// The text of a document of the given kind; NameOnly gives no text.
TExtracted ExtractText(TDocKind kind, const QByteArray& bytes);

// The single formats, also for the fuzz targets and tests.
QString PlainText(const QByteArray& bytes);   // UTF-8 with or without BOM, else Windows-1250
QString MarkupText(const QByteArray& bytes);  // HTML or XML: the character data, tags dropped
QString RtfText(const QByteArray& bytes);
TExtracted PdfText(const QByteArray& bytes);
TExtracted ZipText(const QByteArray& bytes, TDocKind kind);
// Appends text, keeping the total within MaxTextChars; false once the cap is reached.
bool AppendCapped(QString& text, QStringView more);
