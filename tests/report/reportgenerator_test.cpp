#include "groupedreport.h"

#include "sqlite/errors.h"

#include <QFontMetricsF>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

int countBands(const TReportPage& page, const QString& name)
{
    return int(std::count_if(page.bands.begin(), page.bands.end(),
                             [&](const TPlacedBand& b) { return b.name == name; }));
}

}  // namespace

TEST(ReportGeneratorTest, emptyReportGivesOnePageWithHeaderFooterAndSummary)
{
    GroupedReport r;
    r.report.Prepare();
    ASSERT_EQ(r.report.Pages().PageCount(), 1);
    const TReportPage& page = r.Page(1);
    EXPECT_EQ(page.Texts("head"), QStringList{"Seznam materiálu"});
    EXPECT_EQ(page.Texts("foot"), QStringList{"1"});
    EXPECT_EQ(page.Texts("summary"), QStringList{"0 položek"});
    EXPECT_EQ(countBands(page, "QRGroup1"), 0);
    EXPECT_EQ(countBands(page, "grfood"), 0);
    // The footer sits on the bottom margin: 297 - 10 mm.
    const auto foot = std::find_if(page.bands.begin(), page.bands.end(), [](auto& b) { return b.name == "foot"; });
    EXPECT_DOUBLE_EQ(foot->rect.bottom(), 287.0);
    EXPECT_DOUBLE_EQ(foot->rect.left(), 10.0);
    EXPECT_DOUBLE_EQ(foot->rect.width(), 190.0);
}

TEST(ReportGeneratorTest, groupsFollowValueChangesAndCountTheirRecords)
{
    GroupedReport r;
    r.Add(1, "");
    r.Add(2, "Police A");
    r.Add(3, "Police A");
    r.Add(4, "Police B");
    r.Add(5, "Police A");  // not adjacent to the first run: a group of its own
    r.report.Prepare();
    ASSERT_EQ(r.report.Pages().PageCount(), 1);
    // An empty group value prints no text, but the header band is there.
    EXPECT_EQ(countBands(r.Page(1), "QRGroup1"), 4);
    EXPECT_EQ(r.All("QRGroup1"), (QStringList{"Police A", "Police B", "Police A"}));
    EXPECT_EQ(r.All("grfood"), (QStringList{"1 položek", "2 položek", "1 položek", "1 položek"}));
    EXPECT_EQ(r.All("summary"), QStringList{"5 položek"});
    EXPECT_EQ(r.All("detail"), (QStringList{"1", "x", "2", "x", "3", "x", "4", "x", "5", "x"}));
    // Bands follow each other down the page without gaps.
    const auto& bands = r.Page(1).bands;
    for (std::size_t i = 1; i + 1 < bands.size(); ++i)
        EXPECT_DOUBLE_EQ(bands[i].rect.top(), bands[i - 1].rect.bottom()) << i;
}

TEST(ReportGeneratorTest, pagesBreakWithHeaderFooterAndNumberOnEveryPage)
{
    GroupedReport r;
    for (int i = 1; i <= 120; ++i)
        r.Add(i, "G" + QString::number((i - 1) / 50));  // groups of 50, 50, 20
    r.report.Prepare();
    const int pages = r.report.Pages().PageCount();
    ASSERT_GE(pages, 3);
    QStringList ids;
    for (int n = 1; n <= pages; ++n) {
        const TReportPage& page = r.Page(n);
        EXPECT_EQ(page.Texts("head"), QStringList{"Seznam materiálu"}) << n;
        EXPECT_EQ(page.Texts("foot"), QStringList{QString::number(n)}) << n;
        for (const TPlacedBand& band : page.bands) {
            if (band.name != "foot") {
                EXPECT_LE(band.rect.bottom(), 287.0 - 6.3 + 1e-9) << n;
            }
        }
        for (const TPlacedText& t : page.texts)
            if (t.band == "detail" && t.rect.left() < 20) {
                ids << t.text;
            }
    }
    ASSERT_EQ(ids.size(), 120);
    EXPECT_EQ(ids.front(), "1");
    EXPECT_EQ(ids.back(), "120");
    EXPECT_EQ(r.All("grfood"), (QStringList{"50 položek", "50 položek", "20 položek"}));
    EXPECT_EQ(r.All("QRGroup1"), (QStringList{"G0", "G1", "G2"}));  // a continued group is not repeated
    EXPECT_EQ(r.Page(pages).Texts("summary"), QStringList{"120 položek"});
}

TEST(ReportGeneratorTest, groupHeaderRepeatsOnNewPageWhenAskedAndNeverEndsAPage)
{
    GroupedReport r(true);
    for (int i = 1; i <= 200; ++i)
        r.Add(i, "G" + QString::number(i / 7));
    r.report.Prepare();
    for (int n = 1; n <= r.report.Pages().PageCount(); ++n) {
        const auto& bands = r.Page(n).bands;
        ASSERT_GE(bands.size(), 3u);
        // The first band after the page header is a group header (new or repeated) ...
        EXPECT_EQ(bands[1].name, "QRGroup1") << n;
        // ... and no group header is the last band before the footer.
        EXPECT_NE(bands[bands.size() - 2].name, "QRGroup1") << n;
    }
}

TEST(ReportGeneratorTest, nestedGroupsRestartWithTheirOuterGroup)
{
    TReport report;
    TMemoryDataSource data({"A", "B"});
    for (auto [a, b] : {std::pair{"1", "x"}, {"1", "x"}, {"1", "y"}, {"2", "y"}, {"2", "y"}})
        data.AddRecord({a, b});
    TReportLayout& l = report.Layout();
    TReportBand* outer = l.AddGroup("outer", "A", 5);
    TReportBand* inner = l.AddGroup("inner", "B", 5);
    outer->AddField(0, 0, 0, narrow8(), "A");
    inner->AddField(0, 0, 0, narrow8(), "B");
    TReportBand* outerFoot = l.AddBand(TBandKind::GroupFooter, "outerFoot", 5);
    TReportBand* innerFoot = l.AddBand(TBandKind::GroupFooter, "innerFoot", 5);
    outerFoot->AddExpression(0, 0, 0, narrow8(), "'A=' + A + ':' + COUNT");
    innerFoot->AddExpression(0, 0, 0, narrow8(), "B + ':' + COUNT");
    outer->SetFooterBand(outerFoot);
    inner->SetFooterBand(innerFoot);
    l.AddBand(TBandKind::Detail, "detail", 5);
    report.SetDataSource(&data);
    report.Prepare();
    const TReportPage& page = report.Pages().Page(1);
    QStringList order;
    for (const TPlacedText& t : page.texts)
        order << t.text;
    // "y" of outer 2 starts a new inner group although B did not change; footers show their group's last record.
    EXPECT_EQ(order, (QStringList{"1", "x", "x:2", "y", "y:1", "A=1:3", "2", "y", "y:2", "A=2:2"}));
}

TEST(ReportGeneratorTest, fieldsAreCutToTheirWidthAndAutoWidthToThePage)
{
    TReport report;
    TMemoryDataSource data({"T"});
    const QString longText = "Šroubovák křížový s izolovanou rukojetí a magnetickým hrotem PH2";
    data.AddRecord({longText});
    data.AddRecord({"krátký"});
    TReportBand* detail = report.Layout().AddBand(TBandKind::Detail, "detail", 4.8);
    detail->AddField(2.1, 0.5, 12.7, narrow8(), "T", "narrow");
    detail->AddField(166.2, 0.5, 0, narrow8(), "T", "auto");
    report.SetDataSource(&data);
    report.Prepare();
    const TReportPage& page = report.Pages().Page(1);
    ASSERT_EQ(page.texts.size(), 4u);
    const QFontMetricsF metrics(ReportUnitFont(narrow8()));
    auto widthMm = [&](const QString& s) { return metrics.horizontalAdvance(s) / kReportUnitsPerMm; };
    for (const TPlacedText& t : page.texts) {
        EXPECT_TRUE(longText.startsWith(t.text) || t.text == "krátký") << t.text.toStdString();
        EXPECT_LE(widthMm(t.text), t.rect.width() + 1e-6);
        EXPECT_LE(t.rect.right(), 200.0 + 1e-9);  // never past the right margin
    }
    const TPlacedText& cut = page.texts[0];
    EXPECT_LT(cut.text.size(), longText.size());
    EXPECT_GT(widthMm(longText.left(cut.text.size() + 1)), 12.7);  // the cut keeps all that fits
    EXPECT_DOUBLE_EQ(cut.rect.width(), 12.7);
    EXPECT_DOUBLE_EQ(page.texts[1].rect.right(), 200.0);
    EXPECT_EQ(page.texts[3].text, "krátký");
    EXPECT_NEAR(page.texts[3].rect.width(), widthMm("krátký"), 1e-9);
    EXPECT_NEAR(cut.rect.top(), 10.5, 1e-9);
    EXPECT_NEAR(cut.rect.height(), metrics.height() / kReportUnitsPerMm, 1e-9);
}

TEST(ReportGeneratorTest, badLayoutsAndUnknownFieldsRaise)
{
    TReport report;
    report.Layout().AddBand(TBandKind::Detail, "detail", 4.8)->AddField(0, 0, 10, narrow8(), "MISSING");
    EXPECT_THROW(report.Layout().AddBand(TBandKind::Detail, "again", 4.8), Exception);
    EXPECT_THROW(report.Layout().Band("detail")->SetFooterBand(report.Layout().Band("detail")), Exception);
    TMemoryDataSource data({"A"});
    data.AddRecord({"1"});
    report.SetDataSource(&data);
    try {
        report.Prepare();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains("MISSING"));
    }
    TReport grouped;
    grouped.Layout().AddGroup("g", "  ", 5);
    EXPECT_THROW(grouped.Prepare(), Exception);
    EXPECT_THROW(grouped.Preview(), Exception);  // no preview handler
}

TEST(ReportGeneratorTest, bandTallerThanAPageDoesNotLoop)
{
    TReport report;
    TMemoryDataSource data({"A"});
    for (int i = 0; i < 3; ++i)
        data.AddRecord({"a"});
    report.Layout().AddBand(TBandKind::Detail, "detail", 400);
    report.SetDataSource(&data);
    report.Prepare();
    EXPECT_EQ(report.Pages().PageCount(), 3);
}
