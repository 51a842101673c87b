#include "report/report.h"
#include "report/reportexpr.h"
#include "sqlite/errors.h"

#include "tests/support/pdftext.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QStringList kFields{"ID", "GRP", "NAME", "PLACE"};

QFont narrow8() { return ReportFont("Arial Narrow", 8); }

// A list grouped by GRP: page header, group header with the value, detail, group footer with the
// count, summary with the whole count and the page number in the footer.
struct GroupedReport {
    TReport report;
    TMemoryDataSource data{kFields, "queryRepo"};
    TReportBand* group;

    explicit GroupedReport(bool repeatGroup = false)
    {
        TReportLayout& l = report.Layout();
        TReportBand* head = l.AddBand(TBandKind::PageHeader, "head", 12.7);
        head->AddLabel(2.1, 1.6, ReportFont("Arial", 12, true), "Seznam materiálu");
        group = l.AddGroup("QRGroup1", "queryRepo.GRP", 11.6);
        group->SetLineBelow(true);
        group->SetLineColor(Qt::gray);
        group->SetRepeatOnNewPage(repeatGroup);
        group->AddField(2.1, 1.1, 0, ReportFont("Courier New", 11, true), "GRP", "exprField");
        TReportBand* detail = l.AddBand(TBandKind::Detail, "detail", 4.8);
        detail->AddField(2.1, 0.5, 12.7, narrow8(), "ID");
        detail->AddField(49.7, 0.5, 33.9, narrow8(), "NAME");
        TReportBand* footer = l.AddBand(TBandKind::GroupFooter, "grfood", 8.5);
        footer->SetLineAbove(true);
        footer->AddExpression(2.1, 2.1, 0, narrow8(), "COUNT + ' položek'");
        group->SetFooterBand(footer);
        l.AddBand(TBandKind::Summary, "summary", 4.8)->AddExpression(2.1, 1.1, 0, narrow8(), "COUNT + ' položek'");
        l.AddBand(TBandKind::PageFooter, "foot", 6.3)->AddPageNumber(152.4, 1.1, ReportFont("Arial", 10));
        report.SetDataSource(&data);
    }

    void Add(int id, const QString& grp, const QString& name = "x")
    {
        data.AddRecord({QString::number(id), grp, name, ""});
    }

    const TReportPage& Page(int n) { return report.Pages().Page(n); }

    // Every text of a band over all pages, in order.
    QStringList All(const QString& band)
    {
        QStringList texts;
        for (int n = 1; n <= report.Pages().PageCount(); ++n)
            texts << Page(n).Texts(band);
        return texts;
    }
};

int countBands(const TReportPage& page, const QString& name)
{
    return int(std::count_if(page.bands.begin(), page.bands.end(),
                             [&](const TPlacedBand& b) { return b.name == name; }));
}

}  // namespace

TEST(ReportExpressionTest, joinsCountFieldsAndTexts)
{
    const TFieldReader fields = [](const QString& name) { return name == "MISTO" ? QString("Sklad") : QString("?"); };
    EXPECT_EQ(TReportExpression("COUNT + ' položek'").Evaluate(1, fields), "1 položek");
    EXPECT_EQ(TReportExpression("count+' ks'").Evaluate(12, fields), "12 ks");
    EXPECT_EQ(TReportExpression("COUNT + 1 + ' a'").Evaluate(2, fields), "3 a");
    EXPECT_EQ(TReportExpression("'it''s ' + MISTO").Evaluate(0, fields), "it's Sklad");
    EXPECT_EQ(TReportExpression("queryRepo.MISTO").Evaluate(0, fields, "queryRepo"), "Sklad");
    EXPECT_EQ(TReportExpression("'a' + queryRepo.MISTO").FieldNames(), QStringList{"MISTO"});
    EXPECT_THROW(TReportExpression("other.MISTO").Evaluate(0, fields, "queryRepo"), Exception);
}

TEST(ReportExpressionTest, rejectsMalformedTextNamingIt)
{
    for (const char* bad : {"", "COUNT +", "'open", "COUNT * 2", "a. + 1", "99999999999999999999"})
        EXPECT_THROW(TReportExpression{QString(bad)}, Exception) << bad;
    try {
        TReportExpression("COUNT - 1");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains("COUNT - 1")) << e.Message().toStdString();
    }
}

TEST(ReportEngineTest, emptyReportGivesOnePageWithHeaderFooterAndSummary)
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

TEST(ReportEngineTest, groupsFollowValueChangesAndCountTheirRecords)
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

TEST(ReportEngineTest, pagesBreakWithHeaderFooterAndNumberOnEveryPage)
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

TEST(ReportEngineTest, groupHeaderRepeatsOnNewPageWhenAskedAndNeverEndsAPage)
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

TEST(ReportEngineTest, nestedGroupsRestartWithTheirOuterGroup)
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

TEST(ReportEngineTest, fieldsAreCutToTheirWidthAndAutoWidthToThePage)
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

TEST(ReportEngineTest, badLayoutsAndUnknownFieldsRaise)
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

TEST(ReportEngineTest, bandTallerThanAPageDoesNotLoop)
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

TEST(ReportEngineTest, previewHookGetsThePreparedPagesAndTheTime)
{
    GroupedReport r;
    r.report.Layout().Band("head")->AddDateTime(146.1, 2.1, narrow8());
    r.report.SetReportTime(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 1)));
    r.Add(1, "A");
    int pagesSeen = -1;
    r.report.OnPreview = [&](TReportPageSource& pages) { pagesSeen = pages.PageCount(); };
    std::vector<int> announced;
    QObject::connect(&r.report.Pages(), &TReportPageSource::PageAvailable, [&](int n) { announced.push_back(n); });
    r.report.Preview();
    EXPECT_EQ(pagesSeen, 1);
    EXPECT_EQ(announced, std::vector<int>{1});
    EXPECT_TRUE(r.Page(1).Texts("head").contains("7.3.2026 9:05:01"));
}

TEST(ReportPagesTest, renderingInksTextsAndGreyLines)
{
    GroupedReport r;
    r.Add(1, "Police A", "Kladivo");
    r.report.Prepare();
    const QImage image = r.report.Pages().RenderPage(1, 150);
    EXPECT_EQ(image.width(), qRound(210 * 150 / 25.4));
    const double pxPerMm = 150 / 25.4;
    auto darkPixels = [&](const QRectF& mm) {
        int dark = 0;
        const QRect px = QRectF(mm.topLeft() * pxPerMm, mm.size() * pxPerMm).toAlignedRect();
        for (int y = px.top(); y <= px.bottom(); ++y)
            for (int x = px.left(); x <= px.right(); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    for (const TPlacedText& t : r.Page(1).texts)
        EXPECT_GT(darkPixels(t.rect), 5) << t.text.toStdString();
    EXPECT_EQ(darkPixels(QRectF(100, 150, 50, 50)), 0);  // nothing where nothing was placed
    const TPlacedLine& grey = r.Page(1).lines.front();
    const QPoint onLine = (QPointF(100, grey.line.y1()) * pxPerMm).toPoint();
    bool greyFound = false;
    for (int dy = -1; dy <= 1; ++dy) {
        const QColor c = image.pixelColor(onLine + QPoint(0, dy));
        greyFound = greyFound || (c.red() < 200 && c.red() > 60 && std::abs(c.red() - c.blue()) < 10);
    }
    EXPECT_TRUE(greyFound);
    EXPECT_THROW(r.report.Pages().RenderPage(2, 150), Exception);
}

TEST(ReportPagesTest, printsTheChosenRangeAsManyTimesAsAsked)
{
    GroupedReport r;
    for (int i = 1; i <= 150; ++i)
        r.Add(i, "G");
    r.report.Prepare();
    ASSERT_GE(r.report.Pages().PageCount(), 3);
    QTemporaryDir dir;
    auto printedPages = [&](int copies, int first, int last) {
        const QString path = dir.filePath(QString("out%1%2%3.pdf").arg(copies).arg(first).arg(last));
        {
            QPdfWriter writer(path);
            r.report.PrinterSettings() = {copies, first, last};
            r.report.Print(writer);
        }
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return int(file.readAll().count("/Type /Page\n"));
    };
    EXPECT_EQ(printedPages(1, 0, 0), r.report.Pages().PageCount());
    EXPECT_EQ(printedPages(2, 2, 3), 4);
    EXPECT_EQ(printedPages(1, 3, 99), r.report.Pages().PageCount() - 2);
    QPdfWriter writer(dir.filePath("none.pdf"));
    r.report.PrinterSettings() = {1, 50, 60};
    EXPECT_THROW(r.report.Print(writer), Exception);

    // The document carries the report's title.
    r.report.SetReportTitle(u"Seznam materiálu – sklad"_qs);
    r.report.PrinterSettings() = {};
    {
        QPdfWriter named(dir.filePath("named.pdf"));
        r.report.Print(named);
    }
    QFile named(dir.filePath("named.pdf"));
    ASSERT_TRUE(named.open(QIODevice::ReadOnly));
    EXPECT_TRUE(named.readAll().contains(PdfInfoEntry("Title", u"Seznam materiálu – sklad"_qs)));
}

TEST(ReportPagesTest, copiesAreCollatedOrNotAndTheRangeTurnsWhenReversed)
{
    using Order = std::vector<int>;
    EXPECT_EQ(PrintOrder({2, 2, 3, true, false}, 5), (Order{2, 3, 2, 3}));
    EXPECT_EQ(PrintOrder({2, 2, 3, false, false}, 5), (Order{2, 2, 3, 3}));
    EXPECT_EQ(PrintOrder({1, 0, 0, true, true}, 3), (Order{3, 2, 1}));
    EXPECT_EQ(PrintOrder({2, 0, 0, false, true}, 3), (Order{3, 3, 2, 2, 1, 1}));
    EXPECT_EQ(PrintOrder({0, 2, 99, true, true}, 3), (Order{3, 2}));  // no copy count means one
    EXPECT_TRUE(PrintOrder({1, 4, 5, true, false}, 3).empty());
}
