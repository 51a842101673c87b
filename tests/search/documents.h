#pragma once

// Real documents made by the tests: PDFs written by Qt's PDF writer, OpenDocument and Office Open
// XML files zipped here, text in Windows-1250.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// One page per text.
QByteArray MakePdf(const QStringList& pages);
// A zip of the given entries (name, bytes), stored deflated.
QByteArray MakeZip(const std::vector<std::pair<QString, QByteArray>>& entries);
QByteArray MakeOdt(const QString& paragraph);
QByteArray MakeDocx(const QString& paragraph);
QByteArray MakeXlsx(const QString& cell);
// A docx whose document part unpacks to `bytes` of blanks (a few hundred kilobytes packed).
QByteArray MakeZipBomb(qint64 bytes);
// The zip with every entry's declared unpacked size replaced.
QByteArray WithDeclaredSize(QByteArray zip, quint32 size);
