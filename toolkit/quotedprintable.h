#pragma once

// Quoted-printable coding of bytes (the encoding of RFC 2045, in the exact form that file links in
// item content use). Both work on raw bytes: callers turn text into Windows-1250 bytes first.

#include <QByteArray>
#include <QByteArrayView>

// Escapes "=", control bytes and bytes above 0x7E as "=XX"; a blank or tab before a line end, or at
// the very end, is escaped too, so decoding gives it back. After each input byte, an output line
// longer than 71 characters gets a soft line break: "=" and a new line. Lines are joined with CR LF;
// nothing follows the last line.
QByteArray EncodeQuotedPrintable(QByteArrayView bytes);

// The reverse: trailing blanks and tabs are dropped (the line breaks among them kept), "=" with no
// hexadecimal digit is a soft line break, "=XX" (either case) a byte.
QByteArray DecodeQuotedPrintable(QByteArrayView text);
