#pragma once

// What the streams and the blob format share: exact device writes and the device error texts.
// Private to the bz2 files.

#include <QIODevice>
#include <QString>

namespace bz2detail {

inline constexpr const char* ReadFailed = "Stream read error";
inline constexpr const char* WriteFailed = "Stream write error";

// The text followed by the device's own reason.
QString WithReason(const char* text, const QIODevice& device);
// Writes every byte or raises EWriteError with the device's reason.
void WriteExact(QIODevice& destination, const char* data, qint64 count);

}  // namespace bz2detail
