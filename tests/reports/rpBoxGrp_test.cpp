#include "reports/rpBoxGrp.h"

#include "rpCatalog.h"

#include "sqlite/sql3_utils.h"

#include <QCollator>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

const QString kByPlace = "ORDER BY MATR_MISTO, MATR_IDTYP, MATR_NAZEV";
const QString kByGroup = "ORDER BY TYPY_NAZEV, MATR_NAZEV";

class GroupedReportTest : public ::testing::Test {
protected:
    void ByPlace() { ReportGrouped("MATR_MISTO", kByPlace, "Podle umístění", nullptr); }
    void ByGroup() { ReportGrouped("TYPY_NAZEV", kByGroup, "Podle skupin", nullptr); }

    ReportCatalogue cat;
    PreviewCapture preview;
};

}  // namespace

TEST_F(GroupedReportTest, queryHasItsTwoLinesFieldsAndNoBlobs)
{
    TrepoBoxGrp report;
    report.SetGrouping("MATR_MISTO", kByPlace, "Podle umístění");
    const QString select =
        "SELECT MATR.IDENT MATR_IDENT, MATR.IDTYP MATR_IDTYP, MATR.NAZEV MATR_NAZEV,MATR.POPIS MATR_POPIS, "
        "MATR.MISTO MATR_MISTO, MATR.PATH_DOK MATR_PATH_DOK,TYPY.NAZEV TYPY_NAZEV FROM MATR LEFT JOIN TYPY ON "
        "(MATR.IDTYP = TYPY.IDENT) ";
    EXPECT_EQ(report.queryRepo.SQL(),
              (QStringList{select, "ORDER BY MATR_MISTO COLLATE NATIVE, MATR_MISTO, MATR_IDTYP, MATR_NAZEV COLLATE NATIVE"}));
    EXPECT_EQ(report.queryRepo.Database(), &cat.data.db);
    EXPECT_FALSE(report.queryRepo.FetchBlobs());
    EXPECT_EQ(report.Layout().Band("QRGroup1")->Expression(), "queryRepo.MATR_MISTO");

    cat.AddItem(1, 0, "Cívka", "Regál 1");
    report.queryRepo.Open();
    QStringList fields;
    for (const auto& f : report.queryRepo.Fields())
        fields << f->FieldName() + ":" + FieldTypeName(f->DataType()) + ":" + QString::number(f->Size());
    EXPECT_EQ(fields.size(), 7);
    EXPECT_EQ(fields[0], "MATR_IDENT:" + FieldTypeName(ftLargeint) + ":0");
    EXPECT_EQ(fields[5], "MATR_PATH_DOK:" + FieldTypeName(ftString) + ":255");
    EXPECT_EQ(fields[6], "TYPY_NAZEV:" + FieldTypeName(ftString) + ":32");
    EXPECT_EQ(report.queryRepo.FieldByName("MATR_MISTO").AsString(), "Regál 1");
}

TEST(GroupedOrder, textFieldsTakeTheConnectionCollationAndTheGroupFieldItsExactOrder)
{
    ReportCatalogue cat;
    TrepoBoxGrp report;
    const TMeral3Query& q = report.queryRepo;
    EXPECT_EQ(CollatedOrderClause(q, kByGroup, "TYPY_NAZEV"),
              "ORDER BY TYPY_NAZEV COLLATE NATIVE, TYPY_NAZEV, MATR_NAZEV COLLATE NATIVE");
    EXPECT_EQ(CollatedOrderClause(q, "order by MATR_POPIS desc,MATR_IDENT", "MATR_POPIS"),
              "ORDER BY MATR_POPIS COLLATE NATIVE desc, MATR_POPIS desc, MATR_IDENT");
    EXPECT_EQ(CollatedOrderClause(q, "ORDER BY MATR_NAZEV COLLATE BINARY", "TYPY_NAZEV"),
              "ORDER BY MATR_NAZEV COLLATE BINARY");
    cat.data.db.SetCollation(dcBinary);
    EXPECT_EQ(CollatedOrderClause(q, kByPlace, "MATR_MISTO"), kByPlace);
}

TEST_F(GroupedReportTest, byGroupPutsItemsWithoutGroupFirstAndJoinsSameNamedGroups)
{
    cat.AddGroup(1, 0, "Elektro");
    cat.AddGroup(2, 1, "Drobné");
    cat.AddGroup(3, 0, "Mechanika");
    cat.AddGroup(4, 3, "Drobné");  // the same name under another parent
    cat.AddGroup(5, 0, "Čidla");
    cat.AddItem(1, 2, "Rezistor", "Regál 1");
    cat.AddItem(2, 4, "Pružina", "Regál 2");
    cat.AddItem(3, 0, "Nezařazená věc", "Regál 1");
    cat.AddItem(4, 2, "Dioda", "Regál 1");
    cat.AddItem(5, 4, "Čep", "Regál 2");
    cat.AddItem(6, 5, "Teploměr", "Regál 3");
    cat.AddItem(7, 77, "Sirotek", "Regál 3");  // its group row is gone
    cat.AddItem(8, 1, "Cívka", "Regál 1");
    ByGroup();
    ASSERT_EQ(preview.previews, 1);
    EXPECT_EQ(Outline(preview.pages),
              (QStringList{"[]", "Nezařazená věc", "Sirotek", "= 2 položek",
                           "[Čidla]", "Teploměr", "= 1 položek",
                           "[Drobné]", "Čep", "Dioda", "Pružina", "Rezistor", "= 4 položek",
                           "[Elektro]", "Cívka", "= 1 položek"}));
    const std::vector<BandTexts> rows = DetailRows(preview.pages);
    EXPECT_FALSE(rows[0].contains("qrSkupina"));
    EXPECT_EQ(rows[2].value("qrSkupina"), "Čidla");
    EXPECT_EQ(rows[0].value("qrMisto"), "Regál 1");
    EXPECT_EQ(preview.pages[0].Texts("head").last(), "Podle skupin");
}

TEST_F(GroupedReportTest, byPlacePutsEmptyPlacesFirstInCzechOrder)
{
    cat.AddGroup(1, 0, "Elektro");
    cat.AddItem(1, 1, "Deska", "Šuplík");
    cat.AddItem(2, 1, "Cívka", "Regál 1");
    cat.AddItem(3, 0, "Čep", "");
    cat.AddItem(4, 1, "Anténa", QString());
    cat.AddItem(5, 0, "Deska", "Cihla");
    cat.AddItem(6, 1, "Čep", "Regál 1");
    cat.AddItem(7, 1, "Baterie", "Čtvrtá police");
    ByPlace();
    EXPECT_EQ(Outline(preview.pages),
              (QStringList{"[]", "Anténa", "Čep", "= 2 položek",
                           "[Cihla]", "Deska", "= 1 položek",
                           "[Čtvrtá police]", "Baterie", "= 1 položek",
                           "[Regál 1]", "Cívka", "Čep", "= 2 položek",
                           "[Šuplík]", "Deska", "= 1 položek"}));
    const std::vector<BandTexts> rows = DetailRows(preview.pages);
    EXPECT_EQ(rows[0].value("qrSkupina"), "Elektro");
    EXPECT_FALSE(rows[0].contains("qrMisto"));
    EXPECT_FALSE(rows[1].contains("qrSkupina"));  // no group
    EXPECT_EQ(preview.pages[0].Texts("head").last(), "Podle umístění");
    for (const TPlacedText& t : preview.pages[0].texts)
        if (t.element == "exprField") {
            EXPECT_EQ(t.font.family(), "Courier New");
            EXPECT_TRUE(t.font.bold());
        }
}

TEST_F(GroupedReportTest, placesDifferingInLetterCaseStayWholeGroups)
{
    // Sorted by designation alone the two spellings would alternate.
    cat.AddItem(1, 0, "A", "Sklad A");
    cat.AddItem(2, 0, "B", "sklad a");
    cat.AddItem(3, 0, "C", "Sklad A");
    cat.AddItem(4, 0, "D", "sklad a");
    ByPlace();
    QStringList headers;
    for (const QString& line : Outline(preview.pages))
        if (line.startsWith('['))
            headers << line;
    EXPECT_EQ(headers, (QStringList{"[Sklad A]", "[sklad a]"}));
    EXPECT_EQ(preview.pages[0].Texts("grfood"), (QStringList{"2 položek", "2 položek"}));
}

TEST_F(GroupedReportTest, groupContinuingOnANewPageGetsNoHeaderThere)
{
    cat.AddGroup(1, 0, "Elektro");
    cat.AddGroup(2, 0, "Hydraulika");
    cat.AddItem(1, 1, "Cívka");
    for (int i = 2; i <= 80; ++i)
        cat.AddItem(i, 2, QStringLiteral("Ventil %1").arg(i, 2, 10, QLatin1Char('0')));
    ByGroup();
    ASSERT_EQ(preview.pages.size(), 2u);
    const TReportPage& second = preview.pages[1];
    ASSERT_GE(second.bands.size(), 3u);
    EXPECT_EQ(second.bands[0].name, "head");
    EXPECT_EQ(second.bands[1].name, "detail");
    EXPECT_TRUE(second.Texts("QRGroup1").isEmpty());
    EXPECT_EQ(second.Texts("grfood"), QStringList{"79 položek"});
    EXPECT_EQ(second.Texts("foot"), QStringList{"2"});
    EXPECT_EQ(Outline(preview.pages).size(), 1 + 1 + 1 + 1 + 79 + 1);
    // The group header's grey line sits under it.
    const TReportPage& first = preview.pages[0];
    const auto header = std::find_if(first.bands.begin(), first.bands.end(),
                                     [](const TPlacedBand& b) { return b.name == "QRGroup1"; });
    ASSERT_NE(header, first.bands.end());
    const auto line = std::find_if(first.lines.begin(), first.lines.end(),
                                   [&](const TPlacedLine& l) { return qAbs(l.line.y1() - header->rect.bottom()) < 1e-6; });
    ASSERT_NE(line, first.lines.end());
    EXPECT_EQ(line->color, QColor(Qt::gray));
}

TEST_F(GroupedReportTest, emptyCatalogueGivesOnePageWithHeaderAndFooterOnly)
{
    ByGroup();
    ASSERT_EQ(preview.pages.size(), 1u);
    QStringList bands;
    for (const TPlacedBand& b : preview.pages[0].bands)
        bands << b.name;
    EXPECT_EQ(bands, (QStringList{"head", "foot"}));
    EXPECT_EQ(preview.pages[0].Texts("foot"), QStringList{"1"});
}

TEST_F(GroupedReportTest, badOrderClauseFailsWithTheEngineMessageAndShowsNothing)
{
    const QString error = ErrorOf([] { ReportGrouped("MATR_MISTO", "ORDER BY NEZNAMY", "Podle umístění", nullptr); });
    EXPECT_TRUE(error.endsWith("no such column: NEZNAMY")) << error.toStdString();
    EXPECT_EQ(preview.previews, 0);
}

// Stored texts a statement built from strings would misread: each prints as stored and forms a
// group of its own, wildcards included.
TEST_F(GroupedReportTest, oddStoredTextsPrintAsStoredAndGroupApart)
{
    const QStringList places{QString("x") + QChar(0) + "y", "50%_a", "50xxa", "a'b\"c\\d", "Regál\r\n2"};
    for (int i = 0; i < places.size(); ++i) {
        TParams values;
        values.Add("ident").SetAsLargeInt(i + 1);
        values.Add("name").SetAsString(places[i] + "!");
        values.Add("place").SetAsString(places[i]);
        cat.data.db.ExecSQL("INSERT INTO MATR (IDENT, IDTYP, NAZEV, MISTO) VALUES(:ident, 0, :name, :place)", &values);
    }
    ByPlace();
    QStringList expected;
    QStringList sorted = places;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return NativeCollator().compare(a, b) < 0;
    });
    for (const QString& place : sorted)
        expected << '[' + place + ']' << place + '!' << "= 1 položek";
    EXPECT_EQ(Outline(preview.pages), expected);
}
