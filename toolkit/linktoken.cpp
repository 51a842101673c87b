#include "linktoken.h"

namespace {

constexpr QStringView kSchemes[] = {u"https://", u"http://", u"file://", u"ftp://", u"mailto:"};

bool isAsciiAlnum(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9');
}

bool isRunChar(QChar c)
{
    return isAsciiAlnum(c) || QStringView(u"!#$%&'()*+,-./:;=?_~@").contains(c);
}

bool isDroppedAtEnd(QChar c)
{
    return QStringView(u"!#%&()*+,-.:;=?_~@").contains(c);
}

// Length of the scheme that begins at position i, 0 when none does.
qsizetype schemeAt(QStringView line, qsizetype i)
{
    if (i > 0 && isAsciiAlnum(line[i - 1]))
        return 0;
    for (QStringView scheme : kSchemes)
        if (line.sliced(i).startsWith(scheme, Qt::CaseInsensitive))
            return scheme.size();
    return 0;
}

bool dotsMayStay(QStringView line, qsizetype i)
{
    if (i == 0 || i + 2 >= line.size())
        return false;
    const QChar before = line[i - 1];
    return (before == u'/' || before == u'\\') && line[i + 2] == before;
}

// End of the run that starts at position i.
qsizetype runEnd(QStringView line, qsizetype i)
{
    while (i < line.size() && isRunChar(line[i])) {
        if (line[i] == u'.' && i + 1 < line.size() && line[i + 1] == u'.') {
            if (!dotsMayStay(line, i))
                break;
            i += 2;
            continue;
        }
        ++i;
    }
    return i;
}

}  // namespace

QList<TLinkToken> FindLinkTokens(QStringView line)
{
    QList<TLinkToken> tokens;
    qsizetype i = 0;
    while (i < line.size()) {
        const qsizetype scheme = schemeAt(line, i);
        if (scheme == 0) {
            ++i;
            continue;
        }
        const qsizetype runStart = i + scheme;
        const qsizetype scanned = runEnd(line, runStart);
        qsizetype end = scanned;
        while (end > runStart && isDroppedAtEnd(line[end - 1]))
            --end;
        tokens.append({int(i), int(end - i), line.sliced(i, end - i).toString()});
        i = scanned;
    }
    return tokens;
}

std::optional<TLinkToken> LinkTokenAt(QStringView line, int column)
{
    if (column < 0 || column >= line.size())
        return std::nullopt;
    for (const TLinkToken& token : FindLinkTokens(line))
        if (token.Contains(column))
            return token;
    return std::nullopt;
}
