#pragma once

// Text routines shared by the SQLite access layer.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>

class QCollator;

// The program's text becomes Windows-1250 bytes at the engine boundary. A character the code page
// cannot hold raises EDatabaseError instead of being replaced.
QByteArray ToCodePage(QStringView text);
QString FromCodePage(QByteArrayView bytes);
// True when every character of the text has a Windows-1250 byte.
bool FitsCodePage(QStringView text);

// The order of the "NATIVE" collation: Czech, letter case ignored. Fixed rather than taken from the
// environment, because the order an index keeps in the file must not depend on where a program runs.
const QCollator& NativeCollator();

bool IsBlank(QStringView text);
bool IsPlainIdentifier(QStringView text);
QString TrimControls(QStringView text);  // characters of code 32 and below removed at both ends
// The text stays a QString; the bytes (code page or UTF-8) are chosen where a statement reaches the
// engine, so the UTF-8 flags only keep the callers' intent.
QString QuoteIdent(const QString& name, bool toUtf8 = false);
QString QuoteIdentList(const QString& list, bool toUtf8 = false);
QString TableFromSelect(const QString& statement, bool quote);
// An SQL string literal: single quotes around, inner single quotes doubled.
QString QuoteString(const QString& text);
// The connection's extra pragmas: entries separated by ";" or "," become "pragma entry" statements
// joined with ";".
QString ExpandPragmaParams(const QString& params);

// Date-time numbers: days since 30 December 1899, the fraction being the time of day.
double DateTimeToNumber(const QDateTime& value);
QDateTime NumberToDateTime(double value);
