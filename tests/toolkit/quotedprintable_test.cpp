#include "toolkit/quotedprintable.h"

#include <QByteArrayList>
#include <QStringDecoder>
#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

QByteArray cp1250(const QString& text)
{
    QStringEncoder encoder("windows-1250");
    QByteArray bytes = encoder.encode(text);
    EXPECT_FALSE(encoder.hasError());
    return bytes;
}

// The file-link form around the coder: blanks and line breaks made invisible.
QByteArray toLink(const QByteArray& path)
{
    return EncodeQuotedPrintable(path).replace(" ", "%32").replace("\r\n", "%13");
}

QByteArray fromLink(const QByteArray& link)
{
    return DecodeQuotedPrintable(QByteArray(link).replace("%13", "\r\n").replace("%32", " "));
}

}  // namespace

TEST(QuotedPrintable, escapesExactlyTheBytesThatCannotStandForThemselves)
{
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, char(b));
        const QByteArray encoded = EncodeQuotedPrintable(QByteArray("a") + byte + "a");
        const bool plain = (b >= 0x21 && b <= 0x7E && b != '=') || b == ' ' || b == '\t' || b == '\n'
                           || b == '\r';
        const QByteArray expected = plain ? byte : "=" + QByteArray::number(b, 16).toUpper().rightJustified(2, '0');
        EXPECT_EQ(encoded, "a" + expected + "a") << "byte " << b;
    }
    EXPECT_EQ(EncodeQuotedPrintable("x=y"), "x=3Dy");
    EXPECT_EQ(EncodeQuotedPrintable(cp1250(u"č"_qs)), "=E8");
}

TEST(QuotedPrintable, escapesBlanksBeforeALineEndAndAtTheEnd)
{
    EXPECT_EQ(EncodeQuotedPrintable("a \r\nb\t\nc d"), "a=20\r\nb=09\nc d");
    EXPECT_EQ(EncodeQuotedPrintable("a \rb"), "a=20\rb");
    // A final blank would otherwise fall to the decoder's trailing-blank rule.
    EXPECT_EQ(EncodeQuotedPrintable("ab "), "ab=20");
    EXPECT_EQ(DecodeQuotedPrintable(EncodeQuotedPrintable("ab \t")), "ab \t");
}

TEST(QuotedPrintable, breaksLinesLongerThanSeventyOneCharacters)
{
    EXPECT_EQ(EncodeQuotedPrintable(QByteArray(71, 'a')), QByteArray(71, 'a'));
    EXPECT_EQ(EncodeQuotedPrintable(QByteArray(73, 'a')), QByteArray(72, 'a') + "=\r\na");
    // The last line keeps its soft break; no line break follows it.
    EXPECT_EQ(EncodeQuotedPrintable(QByteArray(72, 'a')), QByteArray(72, 'a') + "=");

    const QByteArray encoded = EncodeQuotedPrintable(QByteArray(70, 'a') + QByteArray(200, '\xE8'));
    const QByteArrayList lines = encoded.split('\n');
    ASSERT_GT(lines.size(), 3);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        ASSERT_TRUE(line.endsWith("=\r")) << line.constData();
        EXPECT_GE(line.size() - 2, 72);
        EXPECT_LE(line.size() - 2, 74);
    }
    EXPECT_FALSE(encoded.endsWith('\n'));
}

TEST(QuotedPrintable, decodesEscapesInEitherCaseAndSoftBreaks)
{
    EXPECT_EQ(DecodeQuotedPrintable("v=FDkres=e8"), "v\xFDkres\xE8");
    EXPECT_EQ(DecodeQuotedPrintable("ab=\r\ncd=\nef="), "abcdef");
    EXPECT_EQ(DecodeQuotedPrintable("ab=\r\n\r\ncd"), "ab\r\ncd");  // at most two line-end characters go
    EXPECT_EQ(DecodeQuotedPrintable("=A"), "\n");                    // a single digit is a byte too
    EXPECT_EQ(DecodeQuotedPrintable("a=Gb"), "aGb");                 // "=" without digits is dropped
}

TEST(QuotedPrintable, decoderDropsTrailingBlanksButKeepsTheirLineBreaks)
{
    EXPECT_EQ(DecodeQuotedPrintable("abc \t\r\n \t\n"), "abc\r\n\n");
    EXPECT_EQ(DecodeQuotedPrintable("a b"), "a b");
    // An escaped blank before a line end stands for a blank and one CR LF.
    EXPECT_EQ(DecodeQuotedPrintable("a=20\nb"), "a \r\nb");
    EXPECT_EQ(DecodeQuotedPrintable("a=20\r\n\r\nb"), "a \r\n\r\nb");
}

TEST(QuotedPrintable, roundTripsEveryByteAndLongText)
{
    QByteArray all;
    for (int repeat = 0; repeat < 3; ++repeat)
        for (int b = 0; b < 256; ++b)
            if (b != '\r' && b != '\n')
                all.append(char(b));
    EXPECT_EQ(DecodeQuotedPrintable(EncodeQuotedPrintable(all)), all);
    const QByteArray lines = "first line \r\nsecond\t\r\n\r\nlast";
    EXPECT_EQ(DecodeQuotedPrintable(EncodeQuotedPrintable(lines)), lines);
    EXPECT_TRUE(DecodeQuotedPrintable(EncodeQuotedPrintable("")).isEmpty());
}

TEST(QuotedPrintable, filePathsSurviveTheLinkForm)
{
    const QString paths[] = {
        u"/home/jan/Dokumenty/výkres č. 5.pdf"_qs,
        u"/data/a=b/x==y.txt"_qs,
        u"C:/Dokumenty/Příliš žluťoučký kůň/úpěl ďábelské ódy/ještě delší složka/a ještě jedna/soubor.pdf"_qs,
        QString(300, u'ř') + u".txt"_qs,
        u"/tmp/ends with blank "_qs,
    };
    for (const QString& path : paths) {
        const QByteArray bytes = cp1250(path);
        const QByteArray link = toLink(bytes);
        EXPECT_FALSE(link.contains(' ')) << link.constData();
        EXPECT_FALSE(link.contains('\r') || link.contains('\n')) << link.constData();
        EXPECT_EQ(fromLink(link), bytes) << link.constData();
    }
    const QByteArray longLink = toLink(cp1250(paths[2]));
    EXPECT_TRUE(longLink.contains("=%13")) << longLink.constData();
    EXPECT_TRUE(toLink(cp1250(paths[0])).contains("%32=E8"));
}

TEST(QuotedPrintable, percentCodesInAPathDoNotComeBack)
{
    // The link form cannot tell them from its own codes.
    EXPECT_EQ(fromLink(toLink("/a%32b%13c")), "/a b\r\nc");
}
