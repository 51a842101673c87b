#include "groupedreport.h"

#include "sqlite/errors.h"

#include "tests/support/pdftext.h"

#include <QFile>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ReportTest, previewHookGetsThePreparedPagesAndTheTime)
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

TEST(ReportTest, printsTheChosenRangeAsManyTimesAsAsked)
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
