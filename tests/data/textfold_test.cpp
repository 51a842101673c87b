#include "data/textfold.h"

#include "sqlite/sql3_utils.h"

#include <gtest/gtest.h>

namespace {

// Feeds the record's fields as the item list does (stored bytes) and answers the verdict.
bool Matches(const QString& filter, const QStringList& fields)
{
    TTextMatcher matcher(filter);
    matcher.Start();
    for (const QString& field : fields)
        matcher.FeedCodePage(ToCodePage(field));
    return matcher.AllFound();
}

TEST(TextFold, EveryWordMatchesWithoutCaseOrDiacriticsInAnyField)
{
    EXPECT_TRUE(Matches("regal", {"Regál A1"}));
    EXPECT_TRUE(Matches("REGÁL", {"Regál A1"}));
    EXPECT_TRUE(Matches("krizovy sroub", {"Šroubovák křížový"}));
    EXPECT_TRUE(Matches("ruze", {"Růže"}));
    EXPECT_TRUE(Matches(QString::fromUtf16(u"Re\u0301gal"), {"Regál"}));  // typed decomposed
    EXPECT_TRUE(Matches("ŘEŽ ĚŠČ ĎŤŇ ŮÚ Ý Ó Í Ľ Ĺ Ŕ Ő Ű Ą Ę Ż Ź Ś Ć Ń Ł", {"řez ěšč ďťň ůú ý ó í ľ ĺ ŕ ő ű ą ę ż ź ś ć ń ł"}));
    EXPECT_TRUE(Matches("sroub nerez", {"", "Šroub", "nerezový"}));  // words in different fields
    EXPECT_TRUE(Matches("drát měděný", {"Měděný  drát"}));           // any order, any spacing
    EXPECT_FALSE(Matches("sroub mosaz", {"Šroub", "nerezový"}));       // one word missing
    EXPECT_FALSE(Matches("regaly", {"Regál"}));
    EXPECT_FALSE(Matches("l", {"Ł"}));  // a stroke is part of the letter, not a mark
}

TEST(TextFold, StoredBytesOutsideLettersStayThemselves)
{
    // A NUL in stored content does not end the text; signs and digits match only themselves.
    EXPECT_TRUE(Matches("za nul", {QString("před") + QChar(0) + "za NUL"}));
    EXPECT_TRUE(Matches("3×1", {"Kabel 3×1,5"}));
    EXPECT_FALSE(Matches("3x1", {"Kabel 3×1,5"}));
    EXPECT_EQ(FoldCodePage(ToCodePage(u"50% a_b \"X\" §")), ToCodePage(u"50% a_b \"x\" §"));
}

TEST(TextFold, TextNoStoredTextCanHoldMatchesNothing)
{
    QByteArray folded;
    EXPECT_FALSE(FoldTyped(u"kabel €x ☃", folded));
    TTextMatcher wide(u"☃");
    wide.Start();
    wide.FeedText(u"☃");
    EXPECT_FALSE(wide.AllFound());
    TTextMatcher typed(u"sníh");
    typed.Start();
    typed.FeedText(u"SNIH ☃");
    EXPECT_TRUE(typed.AllFound());
}

TEST(TextFold, TheTypedAndTheStoredSideFoldAlike)
{
    // Every character of the code page, typed, folds like its stored byte.
    for (int b = 1; b < 256; ++b) {
        const char byte = char(b);
        const QString character = FromCodePage(QByteArrayView(&byte, 1));
        QByteArray typed;
        ASSERT_TRUE(FoldTyped(character, typed)) << b;
        if (typed.size() == 1) {
            EXPECT_EQ(typed, FoldCodePage(QByteArrayView(&byte, 1))) << b;
        }
    }
}

}  // namespace
