#include "toolkit/linktoken.h"

#include "toolkit/quotedprintable.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

// The text of the token that covers the first character of the first scheme in the line.
QString tokenText(const QString& line)
{
    const QList<TLinkToken> tokens = FindLinkTokens(line);
    return tokens.isEmpty() ? QStringLiteral("<none>") : tokens.first().text;
}

}  // namespace

TEST(LinkToken, findsTheTokenContainingAColumn)
{
    const QString line = u"viz http://example.com/a a dál"_qs;
    const auto token = LinkTokenAt(line, 4);
    ASSERT_TRUE(token);
    EXPECT_EQ(token->start, 4);
    EXPECT_EQ(token->text, u"http://example.com/a"_qs);
    EXPECT_EQ(token->length, token->text.size());
    EXPECT_TRUE(LinkTokenAt(line, token->End() - 1));
    EXPECT_FALSE(LinkTokenAt(line, token->End()));  // the blank after it
    EXPECT_FALSE(LinkTokenAt(line, 3));
    EXPECT_FALSE(LinkTokenAt(line, -1));
    EXPECT_FALSE(LinkTokenAt(line, line.size()));
    EXPECT_FALSE(LinkTokenAt(line, 500));
}

TEST(LinkToken, recognisesTheSchemesAsWordsInAnyCase)
{
    EXPECT_EQ(tokenText(u"file://C:/a.txt"_qs), u"file://C:/a.txt"_qs);
    EXPECT_EQ(tokenText(u"https://x.cz"_qs), u"https://x.cz"_qs);
    EXPECT_EQ(tokenText(u"ftp://x.cz/f"_qs), u"ftp://x.cz/f"_qs);
    EXPECT_EQ(tokenText(u"mailto:jan@x.cz"_qs), u"mailto:jan@x.cz"_qs);
    // Recognised, but a caller comparing "file://" exactly does not take it for a file link.
    EXPECT_EQ(tokenText(u"FILE://C:/a.txt"_qs), u"FILE://C:/a.txt"_qs);
    EXPECT_EQ(tokenText(u"(http://x.cz)"_qs), u"http://x.cz"_qs);
    EXPECT_EQ(tokenText(u"odkaz:http://x.cz"_qs), u"http://x.cz"_qs);
    EXPECT_EQ(tokenText(u"xhttp://x.cz"_qs), u"<none>"_qs);
    EXPECT_EQ(tokenText(u"http:/x.cz www.x.cz"_qs), u"<none>"_qs);
}

TEST(LinkToken, endsTheRunAtCharactersALinkCannotHold)
{
    const QString enders[] = {u" "_qs, u"\""_qs, u"`"_qs, u"<"_qs,  u">"_qs,  u"["_qs, u"\\"_qs,
                              u"]"_qs, u"^"_qs,  u"{"_qs, u"|"_qs,  u"}"_qs,  u"\t"_qs, u"\x01"_qs,
                              u"č"_qs, u"\x7f"_qs, u"é"_qs, u"€"_qs};
    for (const QString& ender : enders)
        EXPECT_EQ(tokenText(u"http://a/b"_qs + ender + u"c"_qs), u"http://a/b"_qs) << ender.toStdString();
    const QString run = u"http://a/!#$%&'()*+,-./:;=?_~@09azAZ"_qs;
    EXPECT_EQ(tokenText(run + u"x"_qs), run + u"x"_qs);
    // A file link whose path held a bracket is cut there.
    EXPECT_EQ(tokenText(u"file://C:/a[1].txt"_qs), u"file://C:/a"_qs);
}

TEST(LinkToken, doubleDotsEndTheRunUnlessBetweenSlashes)
{
    EXPECT_EQ(tokenText(u"http://a/../b"_qs), u"http://a/../b"_qs);
    EXPECT_EQ(tokenText(u"http://a..b"_qs), u"http://a"_qs);
    EXPECT_EQ(tokenText(u"http://a/..b"_qs), u"http://a/"_qs);
    EXPECT_EQ(tokenText(u"http://a/.../b"_qs), u"http://a/"_qs);
    EXPECT_EQ(tokenText(u"http://a/b.c"_qs), u"http://a/b.c"_qs);
    // What follows the cut may begin a token of its own.
    const QList<TLinkToken> tokens = FindLinkTokens(u"http://a..http://b"_qs);
    ASSERT_EQ(tokens.size(), 2);
    EXPECT_EQ(tokens[1].start, 10);
    EXPECT_EQ(tokens[1].text, u"http://b"_qs);
}

TEST(LinkToken, dropsTrailingPunctuation)
{
    EXPECT_EQ(tokenText(u"http://x.cz/a)."_qs), u"http://x.cz/a"_qs);
    EXPECT_EQ(tokenText(u"http://x.cz/?q=1&"_qs), u"http://x.cz/?q=1"_qs);
    EXPECT_EQ(tokenText(u"http://x.cz/!#%&()*+,-.:;=?_~@"_qs), u"http://x.cz/"_qs);
    EXPECT_EQ(tokenText(u"http://x.cz/a$"_qs), u"http://x.cz/a$"_qs);
    EXPECT_EQ(tokenText(u"http://x.cz/a'"_qs), u"http://x.cz/a'"_qs);
    EXPECT_EQ(tokenText(u"http://..."_qs), u"http://"_qs);  // never into the scheme
    const auto token = LinkTokenAt(u"http://x.cz."_qs, 11);
    EXPECT_FALSE(token);  // the dropped dot belongs to no token
}

TEST(LinkToken, findsEveryLinkOfALine)
{
    const QString line = u"a http://x.cz b file://c/d"_qs;
    const QList<TLinkToken> tokens = FindLinkTokens(line);
    ASSERT_EQ(tokens.size(), 2);
    EXPECT_EQ(tokens[0].start, 2);
    EXPECT_EQ(tokens[1].start, 16);
    EXPECT_EQ(LinkTokenAt(line, 20)->text, u"file://c/d"_qs);
}

TEST(LinkToken, anEncodedFileLinkIsOneToken)
{
    QStringEncoder encoder("windows-1250");
    const QByteArray path = encoder.encode(
        u"C:/Dokumenty/Složka s mezerou/a=b/velmi dlouhé jméno souboru, které se nevejde na jeden řádek.pdf"_qs);
    const QString link = u"file://"_qs + QString::fromLatin1(
        EncodeQuotedPrintable(path).replace(" ", "%32").replace("\r\n", "%13"));
    ASSERT_TRUE(link.contains(u"=%13"_qs));
    const QString line = u"výkres: "_qs + link + u" (kopie)"_qs;
    const auto token = LinkTokenAt(line, 8);
    ASSERT_TRUE(token);
    EXPECT_EQ(token->text, link);
}
