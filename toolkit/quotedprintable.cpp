#include "quotedprintable.h"

namespace {

constexpr qsizetype kMaxLineLength = 71;

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isPlain(unsigned char c)
{
    return (c >= 0x21 && c <= 0x7E && c != '=') || isLineEnd(char(c));
}

void appendEscape(QByteArray& out, unsigned char c)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out.append('=');
    out.append(digits[c >> 4]);
    out.append(digits[c & 0x0F]);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Skips up to two CR or LF from position i; answers the position after them.
qsizetype skipLineEnd(QByteArrayView text, qsizetype i)
{
    for (int n = 0; n < 2 && i < text.size() && isLineEnd(text[i]); ++n)
        ++i;
    return i;
}

// Trailing blanks and tabs carry no meaning in quoted-printable; the line breaks among them do.
QByteArray withoutTrailingBlanks(QByteArrayView text)
{
    qsizetype end = text.size();
    while (end > 0 && (isBlank(text[end - 1]) || isLineEnd(text[end - 1])))
        --end;
    QByteArray result = text.first(end).toByteArray();
    for (qsizetype i = end; i < text.size(); ++i)
        if (isLineEnd(text[i]))
            result.append(text[i]);
    return result;
}

}  // namespace

QByteArray EncodeQuotedPrintable(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size() * 3 / 2 + 8);
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (isBlank(char(c))) {
            // A blank at the very end would be lost to the decoder's trailing-blank rule.
            const bool beforeLineEnd = i + 1 == bytes.size() || isLineEnd(bytes[i + 1]);
            if (beforeLineEnd)
                appendEscape(out, c);
            else
                out.append(char(c));
        } else if (isPlain(c)) {
            out.append(char(c));
        } else {
            appendEscape(out, c);
        }
        if (out.size() - lineStart > kMaxLineLength && i + 1 < bytes.size()) {
            out.append("=\r\n");
            lineStart = out.size();
        } else if (out.size() - lineStart > kMaxLineLength) {
            out.append('=');  // the last line ends with its soft break; no empty line follows
        }
    }
    return out;
}

QByteArray DecodeQuotedPrintable(QByteArrayView encoded)
{
    const QByteArray text = withoutTrailingBlanks(encoded);
    QByteArray out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const char c = text[i++];
        if (c != '=') {
            out.append(c);
            continue;
        }
        int value = 0;
        int digits = 0;
        while (digits < 2 && i < text.size() && hexValue(text[i]) >= 0) {
            value = value * 16 + hexValue(text[i++]);
            ++digits;
        }
        if (digits == 0) {
            i = skipLineEnd(text, i);  // soft line break
            continue;
        }
        out.append(char(value));
        if (value == ' ' && i < text.size() && isLineEnd(text[i])) {
            out.append("\r\n");
            i = skipLineEnd(text, i);
        }
    }
    return out;
}
