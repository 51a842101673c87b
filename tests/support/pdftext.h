#pragma once

#include <QByteArray>
#include <QString>

// How Qt's PDF writer stores an entry of the document information, such as the title: a
// UTF-16 string with its byte-order mark.
inline QByteArray PdfInfoEntry(const char* key, const QString& value)
{
    QByteArray bytes = QByteArray("/") + key + " (\xfe\xff";
    for (QChar c : value) {
        bytes += char(c.unicode() >> 8);
        bytes += char(c.unicode() & 0xff);
    }
    return bytes + ')';
}
