#pragma once

// Text routines shared by the SQLite access layer.

#include <QByteArray>
#include <QString>
#include <QStringView>

// The program's text becomes Windows-1250 bytes at the engine boundary. A character the code page
// cannot hold raises EDatabaseError instead of being replaced.
QByteArray ToCodePage(QStringView text);
QString FromCodePage(QByteArrayView bytes);
// True when every character of the text has a Windows-1250 byte.
bool FitsCodePage(QStringView text);

bool IsBlank(QStringView text);
bool IsPlainIdentifier(QStringView text);
QString TrimControls(QStringView text);  // characters of code 32 and below removed at both ends
QString QuoteIdent(const QString& name, bool toUtf8 = false);
QString QuoteIdentList(const QString& list, bool toUtf8 = false);
QString TableFromSelect(const QString& statement, bool quote);
