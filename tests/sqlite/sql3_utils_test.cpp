#include "sql3_testdb.h"

#include "sqlite/sql3_utils.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, CzechTextRoundTripsAsWindows1250Bytes)
{
    const QString text = QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy – „€“");
    const QByteArray bytes = ToCodePage(text);
    EXPECT_EQ(bytes.size(), text.size());
    EXPECT_EQ(bytes.left(3), QByteArray("P\xF8\xED"));
    EXPECT_EQ(FromCodePage(bytes), text);
    EXPECT_TRUE(FitsCodePage(text));
    EXPECT_TRUE(ToCodePage(QString()).isEmpty());
}

TEST(CodePage, UnfitCharacterIsNamed)
{
    EXPECT_FALSE(FitsCodePage(QStringLiteral("ab😀")));
    EXPECT_EQ(ErrorOf([] { ToCodePage(QStringLiteral("ab😀")); }),
              QStringLiteral("Character '😀' (U+1f600) cannot be stored in the Windows-1250 code page"));
    EXPECT_EQ(ErrorOf([] { ToCodePage(QStringLiteral("señor")); }).left(12), QStringLiteral("Character 'ñ"));
}

TEST(Identifiers, PlainAndQuoted)
{
    EXPECT_TRUE(IsPlainIdentifier(u"_Matr2"));
    EXPECT_FALSE(IsPlainIdentifier(u"2Matr"));
    EXPECT_FALSE(IsPlainIdentifier(u""));
    EXPECT_FALSE(IsPlainIdentifier(u"název"));
    EXPECT_TRUE(IsPlainIdentifier(QString(63, 'a')));
    EXPECT_FALSE(IsPlainIdentifier(QString(64, 'a')));

    EXPECT_EQ(QuoteIdent("  MATR \t"), "MATR");
    EXPECT_EQ(QuoteIdent("my table"), "\"my table\"");
    EXPECT_EQ(QuoteIdent(" \"already\" x"), "\"already\" x");
    EXPECT_EQ(QuoteIdent(" \t"), "\"\"");
    EXPECT_EQ(QuoteIdent(QString(64, 'a')), '"' + QString(64, 'a') + '"');
    EXPECT_EQ(QuoteIdentList("A; B b,C"), "A,\"B b\",C");
    EXPECT_EQ(QuoteIdentList("A,"), "A,\"\"");
    EXPECT_TRUE(IsBlank(u" \t\r\n"));
    EXPECT_FALSE(IsBlank(u" x"));
}

TEST(Identifiers, TableFromSelect)
{
    EXPECT_EQ(TableFromSelect("select * from matr where x=1", false), "MATR");
    EXPECT_EQ(TableFromSelect("select *\r\nfrom matr", false), "MATR");
    EXPECT_EQ(TableFromSelect("select * from matr", true), "MATR");
    EXPECT_EQ(TableFromSelect("select * from \"my table\" t", false), "MY TABLE");
    EXPECT_EQ(TableFromSelect("select * from \"my table\" t", true), "\"MY TABLE\"");
    EXPECT_EQ(TableFromSelect("select * from \"\"", false), "");
    EXPECT_EQ(TableFromSelect("select * from \"open", false), "");
    EXPECT_EQ(TableFromSelect("select 1", false), "");
    EXPECT_EQ(TableFromSelect("select * from   ", false), "");
}

TEST(DateNumbers, DaysSinceTheEndOf1899)
{
    EXPECT_DOUBLE_EQ(DateTimeToNumber(QDateTime(QDate(2000, 1, 1), QTime(18, 0), Qt::UTC)), 36526.75);
    EXPECT_DOUBLE_EQ(DateTimeToNumber(QDateTime(QDate(1899, 12, 29), QTime(6, 0), Qt::UTC)), -1.25);
    EXPECT_EQ(NumberToDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0), Qt::UTC));
    EXPECT_EQ(NumberToDateTime(36526.75), QDateTime(QDate(2000, 1, 1), QTime(18, 0), Qt::UTC));
}

}  // namespace
