#include "groupedreport.h"

#include "sqlite/errors.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>

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
