#include "sql3_utils.h"

#include "errors.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

constexpr const char* kCodePage = "windows-1250";

}  // namespace

QByteArray ToCodePage(QStringView text)
{
    QStringEncoder encoder(kCodePage);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) {
        for (QChar c : text) {
            if (!FitsCodePage(QStringView(&c, 1)))
                throw EDatabaseError(QStringLiteral("Character '%1' (U+%2) cannot be stored in the Windows-1250 code page")
                                         .arg(c)
                                         .arg(c.unicode(), 4, 16, QLatin1Char('0')));
        }
        throw EDatabaseError(QStringLiteral("Text cannot be stored in the Windows-1250 code page"));
    }
    return bytes;
}

QString FromCodePage(QByteArrayView bytes)
{
    QStringDecoder decoder(kCodePage);
    return decoder.decode(bytes);
}

bool FitsCodePage(QStringView text)
{
    QStringEncoder encoder(kCodePage);
    QByteArray bytes = encoder.encode(text);
    (void)bytes;
    return !encoder.hasError();
}

bool IsBlank(QStringView text)
{
    for (QChar c : text)
        if (c.unicode() > 32)
            return false;
    return true;
}

QString TrimControls(QStringView text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin).toString();
}
