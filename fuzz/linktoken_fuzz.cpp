// The link tokenizer over arbitrary lines (the input read as UTF-8).

#include "check.h"

#include "toolkit/linktoken.h"

#include <QString>

#include <algorithm>

namespace {

constexpr QStringView kSchemes[] = {u"https://", u"http://", u"file://", u"ftp://", u"mailto:"};

qsizetype SchemeLength(QStringView token)
{
    for (QStringView scheme : kSchemes)
        if (token.startsWith(scheme, Qt::CaseInsensitive))
            return scheme.size();
    return 0;
}

bool IsAsciiAlnum(QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); }

bool IsRunChar(QChar c) { return IsAsciiAlnum(c) || QStringView(u"!#$%&'()*+,-./:;=?_~@").contains(c); }

// Each token is a scheme standing alone, then run characters, not ending in one that is dropped.
void CheckToken(QStringView line, const TLinkToken& token)
{
    FUZZ_CHECK(token.start >= 0 && token.length > 0 && token.End() <= line.size());
    FUZZ_CHECK(token.text == line.sliced(token.start, token.length));
    const qsizetype scheme = SchemeLength(token.text);
    FUZZ_CHECK(scheme > 0);
    FUZZ_CHECK(token.start == 0 || !IsAsciiAlnum(line[token.start - 1]));
    for (qsizetype i = scheme; i < token.length; ++i)
        FUZZ_CHECK(IsRunChar(token.text[i]));
    if (token.length > scheme)
        FUZZ_CHECK(!QStringView(u"!#%&()*+,-.:;=?_~@").contains(token.text.back()));
    // A token read on its own is the same token.
    const QList<TLinkToken> alone = FindLinkTokens(token.text);
    FUZZ_CHECK(alone.size() == 1 && alone[0].start == 0 && alone[0].text == token.text);
}

// Blanks around a line move its tokens and change nothing else.
void CheckFraming(const QString& line, const QList<TLinkToken>& tokens)
{
    const QList<TLinkToken> framed = FindLinkTokens(QLatin1Char(' ') + line + QLatin1Char(' '));
    FUZZ_CHECK(framed.size() == tokens.size());
    for (qsizetype n = 0; n < tokens.size(); ++n)
        FUZZ_CHECK(framed[n].start == tokens[n].start + 1 && framed[n].text == tokens[n].text);
}

// The token at a column is the one that covers it; none stands before, between or after tokens.
// Columns at the tokens' edges are where a lookup goes wrong, so those are asked.
void CheckLookup(const QString& line, const QList<TLinkToken>& tokens)
{
    QList<int> columns{-1, 0, int(line.size()) - 1, int(line.size())};
    for (const TLinkToken& token : tokens.first(std::min<qsizetype>(tokens.size(), 32)))  // each lookup reads the line
        columns << token.start - 1 << token.start << token.End() - 1 << token.End();
    for (int column : columns) {
        const TLinkToken* covering = nullptr;
        for (const TLinkToken& token : tokens)
            if (token.Contains(column))
                covering = &token;
        const std::optional<TLinkToken> found = LinkTokenAt(line, column);
        FUZZ_CHECK(found.has_value() == (covering != nullptr));
        if (covering)
            FUZZ_CHECK(found->start == covering->start && found->length == covering->length);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const QString line = QString::fromUtf8(FuzzBytes(data, size));
    const QList<TLinkToken> tokens = FindLinkTokens(line);
    for (qsizetype n = 0; n < tokens.size(); ++n) {
        CheckToken(line, tokens[n]);
        if (n > 0)
            FUZZ_CHECK(tokens[n - 1].End() <= tokens[n].start);
    }
    CheckFraming(line, tokens);
    CheckLookup(line, tokens);
    return 0;
}
