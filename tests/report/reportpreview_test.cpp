#include "report/report.h"
#include "report/reportpreview.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// Pages with one line of text each, in a shown preview of a fixed size.
class ReportPreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        preview.resize(600, 500);
        preview.show();
    }

    void AddPages(int count)
    {
        for (int i = 0; i < count; ++i) {
            TReportPage page;
            page.texts.push_back({"detail", {}, QRectF(20, 20, 100, 6), "Strana", ReportFont("Arial", 20, true)});
            source.AddPage(page);
        }
    }

    TReportPageSource source;
    TReportPreview preview;
};

}  // namespace

TEST_F(ReportPreviewTest, announcesPagesThroughTheEventQueue)
{
    AddPages(2);
    QSignalSpy spy(&preview, &TReportPreview::PageAvailable);
    preview.SetPageSource(&source);
    EXPECT_EQ(spy.count(), 0);  // never while the caller is still setting up
    QApplication::processEvents();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), 2);
    AddPages(2);
    EXPECT_EQ(spy.count(), 0);
    QApplication::processEvents();
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 3);
    EXPECT_EQ(spy.at(1).at(0).toInt(), 4);

    TReportPageSource empty;
    preview.SetPageSource(&empty);
    QApplication::processEvents();
    AddPages(1);  // the former source is no longer listened to
    QApplication::processEvents();
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(ReportPreviewTest, pageNumberAndZoomStayInRange)
{
    AddPages(3);
    preview.SetPageSource(&source);
    preview.SetPageNumber(0);
    EXPECT_EQ(preview.PageNumber(), 1);
    preview.SetPageNumber(7);
    EXPECT_EQ(preview.PageNumber(), 3);
    preview.SetZoom(1);
    EXPECT_EQ(preview.Zoom(), TReportPreview::kMinZoom);
    preview.SetZoom(5000);
    EXPECT_EQ(preview.Zoom(), TReportPreview::kMaxZoom);
    preview.SetPageSource(nullptr);
    EXPECT_EQ(preview.PageCount(), 0);
    preview.SetPageNumber(2);
    EXPECT_EQ(preview.PageNumber(), 1);
}

TEST_F(ReportPreviewTest, zoomKeepsTheTopOfThePageOrTheMiddleOfTheView)
{
    AddPages(1);
    preview.SetPageSource(&source);
    preview.SetZoom(100);
    EXPECT_EQ(preview.verticalScrollBar()->value(), 0);
    preview.SetZoom(200);
    EXPECT_EQ(preview.verticalScrollBar()->value(), 0);
    QScrollBar* bar = preview.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    const double middle = (bar->value() + bar->pageStep() / 2.0) / (bar->maximum() + bar->pageStep());
    preview.SetZoom(300);
    EXPECT_NEAR((bar->value() + bar->pageStep() / 2.0) / (bar->maximum() + bar->pageStep()), middle, 0.01);
}

TEST_F(ReportPreviewTest, paintsTheCurrentPageAndSurvivesItsSourceGoing)
{
    auto owned = std::make_unique<TReportPageSource>();
    TReportPage page;
    page.texts.push_back({"detail", {}, QRectF(10, 10, 150, 12), "XXXXXXXX", ReportFont("Arial", 28, true)});
    owned->AddPage(page);
    owned->AddPage({});
    preview.SetPageSource(owned.get());
    preview.ZoomToFit();
    auto inkIn = [&] {
        const QImage shot = preview.viewport()->grab().toImage();
        int dark = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                dark += qGray(shot.pixel(x, y)) < 60;
        return dark;
    };
    EXPECT_GT(inkIn(), 100);
    preview.SetPageNumber(2);
    const int blank = inkIn();  // only the background and the page's edge remain
    EXPECT_LT(blank, 100);
    owned.reset();
    EXPECT_EQ(preview.PageCount(), 0);
    EXPECT_LE(inkIn(), blank);
}
