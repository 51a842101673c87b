#include "documents.h"

#include "search/extractchild.h"
#include "sqlite/sql3_utils.h"

#include <gtest/gtest.h>

namespace {

TExtractChild TestChild(int milliseconds = 30'000)
{
    return TExtractChild(QStringLiteral(SEARCH_TEST_CHILD), {QString::fromLatin1(ExtractOption)}, {milliseconds});
}

TEST(Extract, EachFormatGivesItsWords)
{
    const TExtractChild child = TestChild();
    const QString words = QStringLiteral("Šroubovák křížový Regál");
    const auto text = [&child](const QString& name, const QByteArray& bytes) {
        const TExtracted extracted = child.Extract(KindOfName(name), bytes);
        EXPECT_TRUE(extracted.Ok()) << name.toStdString() << ": " << extracted.Error.toStdString();
        return extracted.Text.simplified();
    };
    EXPECT_TRUE(text("a.PDF", MakePdf({"první strana", words})).contains(words));
    EXPECT_TRUE(text("a.odt", MakeOdt(words)).contains(words));
    EXPECT_TRUE(text("a.docx", MakeDocx(words)).contains(words));
    EXPECT_TRUE(text("a.xlsx", MakeXlsx(words)).contains(words));
    EXPECT_EQ(text("a.txt", ToCodePage(words)), words);                  // Windows-1250
    EXPECT_EQ(text("a.txt", "\xEF\xBB\xBF" + words.toUtf8()), words);    // UTF-8 with a BOM
    EXPECT_EQ(text("a.csv", words.toUtf8()), words);
    EXPECT_EQ(text("a.html", "<html><body><p>&#352;roubov&aacute;k</p><p>k&#x159;&iacute;&#382;ov&yacute; &amp; &lt;b&gt;</p></body></html>"),
              QStringLiteral("Šroubovák křížový & <b>"));
    EXPECT_EQ(text("a.rtf", "{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0 Arial;}}\\f0 \\'8aroubov\\'e1k\\par "
                            "k\\u345?\\'ed\\'9eov\\'fd{\\*\\generator x}}"),
              QStringLiteral("Šroubovák křížový"));
    EXPECT_EQ(KindOfName("výkres.dwg"), TDocKind::NameOnly);
}

TEST(Extract, DamagedAndHostileDocumentsFailWithAReason)
{
    const TExtractChild child = TestChild();
    const QByteArray pdf = MakePdf({"Regál"});
    const TExtracted truncated = child.Extract(TDocKind::Pdf, pdf.left(pdf.size() / 3));
    EXPECT_TRUE(!truncated.Ok() || !truncated.Text.contains("Regál"));
    EXPECT_FALSE(child.Extract(TDocKind::OfficeXml, "PK not a zip").Ok());
    // 100 MB of blanks packed into a few hundred kilobytes: refused before it is unpacked.
    const TExtracted bomb = child.Extract(TDocKind::OfficeXml, MakeZipBomb(100 << 20));
    EXPECT_FALSE(bomb.Ok());
    EXPECT_TRUE(bomb.Error.contains("příliš velká")) << bomb.Error.toStdString();
    // An entry that unpacks to more than it declares is refused, not read on.
    const TExtracted lying = ZipText(WithDeclaredSize(MakeZipBomb(1 << 20), 100), TDocKind::OfficeXml);
    EXPECT_FALSE(lying.Ok());
    EXPECT_LE(lying.Text.size(), 100);
}

TEST(Extract, OneChildTakesTheDocumentsInTurnAndAFailureCostsOnlyTheDocumentInHand)
{
    TExtractSession session(TestChild(5000));  // room for the sound documents on a loaded machine
    const auto text = [&session](const QByteArray& document) { return session.Extract(TDocKind::Plain, document).Text; };
    const QString first = text("#pid#");
    EXPECT_EQ(text("Regál"), "Regál");
    EXPECT_FALSE(session.Extract(TDocKind::OfficeXml, "PK not a zip").Ok());
    EXPECT_EQ(text("#pid#"), first);  // one child so far: a document it refused did not end it

    EXPECT_EQ(session.Extract(TDocKind::Plain, "#crash#").Error, "Čtení dokumentu skončilo chybou.");
    EXPECT_EQ(text("kabel"), "kabel");
    const QString second = text("#pid#");
    EXPECT_NE(second, first);
    EXPECT_EQ(session.Extract(TDocKind::Plain, "#hang#").Error, "Čtení dokumentu trvalo příliš dlouho.");
    EXPECT_EQ(text("kabel"), "kabel");
    EXPECT_NE(text("#pid#"), second);
#if !defined(__SANITIZE_ADDRESS__)  // the child has no memory limit under AddressSanitizer
    EXPECT_FALSE(session.Extract(TDocKind::Plain, "#eat#").Ok());
    EXPECT_EQ(text("kabel"), "kabel");
#endif
}

TEST(Extract, TextIsCappedPerDocument)
{
    const QByteArray big(MaxTextChars + 1000, 'a');
    EXPECT_EQ(PlainText(big).size(), MaxTextChars);
    EXPECT_EQ(TestChild().Extract(TDocKind::Plain, big).Text.size(), MaxTextChars);
}

}  // namespace
