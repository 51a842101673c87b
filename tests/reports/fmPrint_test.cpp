#include "report/report.h"
#include "report/reportpreview.h"
#include "reports/fmPrint.h"
#include "toolkit/icons.h"
#include "toolkit/messagebox.h"

#include "tests/support/controlnames.h"
#include "tests/support/pdftext.h"
#include "tests/support/settle.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// A report of `records` one-line records, 40 to a page.
class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MessageBoxAnswers::Reset();
        main.setGeometry(40, 50, 900, 700);
        main.show();
        TReportBand* detail = report.Layout().AddBand(TBandKind::Detail, "detail", 6.6);
        detail->AddField(2, 0.5, 50, ReportFont("Arial Narrow", 8), "N");
        report.Layout().AddBand(TBandKind::PageFooter, "foot", 10)->AddPageNumber(150, 1, ReportFont("Arial", 10));
        report.SetReportTitle("Seznam materiálu");
        report.SetDataSource(&data);
    }

    void TearDown() override { TfPrint::SetPrintDialogRunner({}); }

    // Prepares a report of that many pages and opens the window on it, not yet past the event queue.
    TfPrint& Open(int pages)
    {
        for (int i = 0; i < pages * 40; ++i)
            data.AddRecord({QString::number(i + 1)});
        report.Prepare();
        EXPECT_EQ(report.Pages().PageCount(), pages);
        window = std::make_unique<TfPrint>(&main);
        window->Prepare(report.Pages(), report);
        window->show();
        return *window;
    }

    QToolButton* Button(const char* name) { return window->findChild<QToolButton*>(name); }
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    TReportPreview& Prev() { return *window->Preview(); }

    void Wheel(int delta)
    {
        QWidget* viewport = Prev().viewport();
        const QPoint at = viewport->rect().center();
        QWheelEvent event(at, viewport->mapToGlobal(at), {}, QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    }

    QWidget main;
    TReport report;
    TMemoryDataSource data{{"N"}};
    std::unique_ptr<TfPrint> window;
};

}  // namespace

TEST_F(PreviewTest, opensOverTheMainWindowWithItsStripAndStatusBar)
{
    TfPrint& w = Open(3);
    EXPECT_EQ(w.windowTitle(), w.PanelText(0));  // the report's own title
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_EQ(w.minimumSize(), QSize(300, 300));
    EXPECT_EQ(w.pos(), main.pos());
    EXPECT_EQ(w.size(), main.size());

    EXPECT_EQ(w.findChild<QWidget*>(kPreviewStrip)->height(), 23);
    const char* names[] = {kFirstPageButton,   kPreviousPageButton, kNextPageButton, kLastPageButton, kZoomToWidthButton,
                           kZoomToFitButton,   kZoomInButton,       kZoomOutButton,  kPrintButton};
    const char* hints[] = {"První strana (Home)", "Předchozí strana (PageUp)", "Další strana (PageDown)",
                           "Poslední strana (End)", "Na šířku stránky", "Celá stránka (F7)", "Zvětšit (+)",
                           "Zmenšit (-)", "Tisk (F8)"};
    int lastRight = -1;
    for (int i = 0; i < 9; ++i) {
        QToolButton* b = Button(names[i]);
        ASSERT_NE(b, nullptr) << names[i];
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(hints[i]));
        EXPECT_EQ(b->accessibleName(), b->toolTip());
        EXPECT_EQ(b->size(), QSize(23, 23));
        EXPECT_TRUE(b->autoRaise());
        EXPECT_GE(b->x(), lastRight + 1) << names[i];  // left to right in this order
        if (i == 4 || i == 6 || i == 8) {
            EXPECT_GT(b->x(), lastRight + 1) << "a gap before " << names[i];
        }
        lastRight = b->geometry().right();
        EXPECT_NE(i < 4 ? b->text().isEmpty() : b->icon().isNull(), true) << names[i];
    }
    EXPECT_EQ(Button(kFirstPageButton)->text(), "<<");
    EXPECT_EQ(Button(kLastPageButton)->text(), ">>");

    ASSERT_NE(w.findChild<QStatusBar*>("bar"), nullptr);
    EXPECT_EQ(w.findChild<QLabel*>(kTitlePanel)->width(), 256);
    EXPECT_EQ(w.findChild<QLabel*>(kPagePanel)->width(), 88);
    EXPECT_EQ(w.PanelText(0), "Seznam materiálu");
    EXPECT_EQ(w.PanelText(2), "   +/- zvětšení  PageDown-další strana  PageUp-předchozí strana  F8-tisk");
    EXPECT_EQ(Prev().PageNumber(), 1);
    EXPECT_EQ(Prev().Zoom(), 100);
}

// At a scale factor of 2 a 1280 pixel screen is 640 wide: in a main window that narrow, and with
// a larger font, the key hint still shows whole; the title gives way and shows whole as a tooltip.
TEST_F(PreviewTest, theKeyHintShowsWholeInANarrowWindowWithALargeFont)
{
    const QFont previous = QApplication::font();
    QFont large = previous;
    large.setPointSizeF(previous.pointSizeF() * 1.1);
    QApplication::setFont(large);
    const auto restore = qScopeGuard([&] { QApplication::setFont(previous); });
    main.resize(640, 400);
    report.SetReportTitle(QString("Seznam materiálu podle skupin a míst uložení").repeated(2));
    TfPrint& w = Open(1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_EQ(w.width(), 640);
    auto* hint = w.findChild<QLabel*>(kHintPanel);
    auto* title = w.findChild<QLabel*>(kTitlePanel);
    EXPECT_GE(hint->width(), hint->sizeHint().width());
    EXPECT_GE(hint->contentsRect().width(), hint->fontMetrics().horizontalAdvance(hint->text()));
    EXPECT_LE(title->geometry().right(), w.width());
    title->grab();  // the tooltip is set when the panel is painted
    EXPECT_EQ(title->toolTip(), report.ReportTitle());
}

TEST_F(PreviewTest, pictureButtonsShowTheSharedIconsAndPagingCaptionsAreBlack)
{
    Open(1);
    auto image = [](const QIcon& icon) { return icon.pixmap(QSize(16, 16), 2.0).toImage(); };
    const std::pair<const char*, PreviewPicture> pictures[] = {
        {kZoomToWidthButton, PreviewPicture::ZoomWidth}, {kZoomToFitButton, PreviewPicture::ZoomFit},
        {kZoomInButton, PreviewPicture::ZoomIn},         {kZoomOutButton, PreviewPicture::ZoomOut},
        {kPrintButton, PreviewPicture::Print}};
    for (const auto& [name, picture] : pictures)
        EXPECT_EQ(image(Button(name)->icon()), image(PreviewIcon(picture))) << name;
    // Where Arial Black is missing, the fallback family still draws heavy arrows.
    for (const char* name : {kFirstPageButton, kPreviousPageButton, kNextPageButton, kLastPageButton}) {
        EXPECT_EQ(Button(name)->font().family(), "Arial Black") << name;
        EXPECT_EQ(Button(name)->font().weight(), QFont::Black) << name;
        EXPECT_EQ(Button(name)->font().pointSize(), 11) << name;
        const QFontInfo drawn(Button(name)->font());
        EXPECT_FALSE(drawn.fixedPitch()) << name << ": " << drawn.family().toStdString();
        EXPECT_GE(drawn.weight(), QFont::Bold) << name << ": " << drawn.family().toStdString();
    }
}

TEST_F(PreviewTest, pageInformationTurnsIntoTheCountAndTheViewToPageWidth)
{
    TfPrint& w = Open(3);
    EXPECT_EQ(w.PanelText(1), "#1");
    EXPECT_EQ(Prev().Zoom(), 100);
    ASSERT_TRUE(WaitUntil([&] { return w.PanelText(1) == "3"; })) << w.PanelText(1).toStdString();
    EXPECT_NE(Prev().Zoom(), 100);
    EXPECT_EQ(Prev().horizontalScrollBar()->maximum(), 0);  // the page fits the width exactly
    // Pages that come later are announced one by one.
    report.Pages().AddPage({});
    ASSERT_TRUE(WaitUntil([&] { return w.PanelText(1) == "4"; })) << w.PanelText(1).toStdString();
}

TEST_F(PreviewTest, pagingButtonsAndKeysStopAtTheEnds)
{
    Open(3);
    QApplication::processEvents();
    Click(kPreviousPageButton);
    EXPECT_EQ(Prev().PageNumber(), 1);
    Click(kNextPageButton);
    Click(kNextPageButton);
    Click(kNextPageButton);
    EXPECT_EQ(Prev().PageNumber(), 3);
    Click(kFirstPageButton);
    EXPECT_EQ(Prev().PageNumber(), 1);
    Click(kLastPageButton);
    EXPECT_EQ(Prev().PageNumber(), 3);

    // The keys go to the window even when the preview has the focus; PageUp goes back.
    Prev().setFocus();
    QTest::keyClick(&Prev(), Qt::Key_PageUp);
    EXPECT_EQ(Prev().PageNumber(), 2);
    QTest::keyClick(&Prev(), Qt::Key_PageDown);
    EXPECT_EQ(Prev().PageNumber(), 3);
    QTest::keyClick(&Prev(), Qt::Key_Home);
    EXPECT_EQ(Prev().PageNumber(), 1);
    QTest::keyClick(&Prev(), Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(Prev().PageNumber(), 3);
}

TEST_F(PreviewTest, wheelTurnsPagesAndNeverScrolls)
{
    Open(3);
    Prev().SetZoom(200);
    Prev().setFocus();
    const int scrolled = Prev().verticalScrollBar()->value();
    Wheel(-120);
    EXPECT_EQ(Prev().PageNumber(), 2);
    Wheel(-60);
    EXPECT_EQ(Prev().PageNumber(), 2);  // half a notch turns nothing yet
    Wheel(-60);
    EXPECT_EQ(Prev().PageNumber(), 3);
    Wheel(-120);
    EXPECT_EQ(Prev().PageNumber(), 3);
    Wheel(240);
    EXPECT_EQ(Prev().PageNumber(), 1);
    EXPECT_EQ(Prev().verticalScrollBar()->value(), scrolled);
}

TEST_F(PreviewTest, zoomStepsStopAtTheirBoundsFromAnyValue)
{
    TfPrint& w = Open(1);
    Prev().SetZoom(290);
    Click(kZoomInButton);
    EXPECT_EQ(Prev().Zoom(), 300);
    Click(kZoomInButton);
    EXPECT_EQ(Prev().Zoom(), 300);
    Prev().SetZoom(297);
    Click(kZoomInButton);
    EXPECT_EQ(Prev().Zoom(), 307);
    Prev().SetZoom(40);
    Click(kZoomOutButton);
    EXPECT_EQ(Prev().Zoom(), 40);
    Prev().SetZoom(41);
    QTest::keyClick(&w, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(Prev().Zoom(), 31);
    QTest::keyClick(&w, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Prev().Zoom(), 41);
    QTest::keyClick(&w, Qt::Key_Plus);  // the main keyboard's + does nothing
    QTest::keyClick(&w, Qt::Key_Minus);
    EXPECT_EQ(Prev().Zoom(), 41);

    QTest::keyClick(&w, Qt::Key_F7);
    const int fit = Prev().Zoom();
    EXPECT_EQ(Prev().verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(Prev().horizontalScrollBar()->maximum(), 0);
    Click(kZoomToWidthButton);
    EXPECT_GT(Prev().Zoom(), fit);  // the window is wider than the page is tall, relatively
    EXPECT_EQ(Prev().horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(Prev().verticalScrollBar()->maximum(), 0);
    Click(kZoomToFitButton);
    EXPECT_EQ(Prev().Zoom(), fit);
}

TEST_F(PreviewTest, cancellingThePrintDialogChangesNothing)
{
    Open(3);
    report.PrinterSettings() = {1, 0, 0};
    int asked = 0;
    TfPrint::SetPrintDialogRunner([&](QPrintDialog& dialog) {
        ++asked;
        EXPECT_EQ(dialog.objectName(), "PrintDialog");
        EXPECT_EQ(dialog.minPage(), 1);
        EXPECT_EQ(dialog.maxPage(), 3);
        EXPECT_EQ(dialog.fromPage(), 1);
        EXPECT_EQ(dialog.toPage(), 3);
        EXPECT_EQ(dialog.printRange(), QAbstractPrintDialog::PageRange);
        EXPECT_TRUE(dialog.testOption(QAbstractPrintDialog::PrintPageRange));
        dialog.setFromTo(2, 3);
        return false;
    });
    Click(kPrintButton);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(report.PrinterSettings().Copies, 1);
    EXPECT_EQ(report.PrinterSettings().FirstPage, 0);
    EXPECT_EQ(report.PrinterSettings().LastPage, 0);
}

TEST_F(PreviewTest, printsTheChosenPagesAndCopiesWithF8)
{
    TfPrint& w = Open(4);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("report.pdf");
    TfPrint::SetPrintDialogRunner([&](QPrintDialog& dialog) {
        dialog.printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog.printer()->setOutputFileName(pdf);
        dialog.printer()->setCopyCount(2);
        dialog.printer()->setCollateCopies(false);
        dialog.printer()->setPageOrder(QPrinter::LastPageFirst);
        dialog.setFromTo(2, 3);
        EXPECT_TRUE(dialog.testOption(QAbstractPrintDialog::PrintCollateCopies));
        return true;
    });
    QTest::keyClick(&w, Qt::Key_F8);
    const TPrinterSettings& chosen = report.PrinterSettings();
    EXPECT_EQ(chosen.Copies, 2);
    EXPECT_EQ(chosen.FirstPage, 2);
    EXPECT_EQ(chosen.LastPage, 3);
    EXPECT_FALSE(chosen.Collate);
    EXPECT_TRUE(chosen.Reverse);
    // The sheets are laid out here; the printer must not multiply or turn them again.
    EXPECT_EQ(report.Printer().copyCount(), 1);
    EXPECT_EQ(report.Printer().pageOrder(), QPrinter::FirstPageFirst);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.count("/Type /Page\n"), 4);
    EXPECT_TRUE(bytes.contains(PdfInfoEntry("Title", u"Seznam materiálu"_qs)));
    EXPECT_TRUE(MessageBoxAnswers::History().empty());
}

TEST_F(PreviewTest, aFailedPrintIsReportedNotSwallowed)
{
    Open(1);
    TfPrint::SetPrintDialogRunner([&](QPrintDialog& dialog) {
        dialog.printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog.printer()->setOutputFileName("/nonexistent-folder/report.pdf");
        return true;
    });
    Click(kPrintButton);
    ASSERT_EQ(MessageBoxAnswers::History().size(), 1u);
    EXPECT_TRUE(MessageBoxAnswers::History()[0].text.contains("/nonexistent-folder/report.pdf"));
    EXPECT_EQ(MessageBoxAnswers::History()[0].icon, QMessageBox::Critical);
}

TEST_F(PreviewTest, showPreviewRunsModallyUntilEscape)
{
    for (int i = 0; i < 10; ++i)
        data.AddRecord({QString::number(i)});
    report.Prepare();
    QString pageInfo;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TfPrint*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        pageInfo = w->PanelText(1);
        QTest::keyClick(w->Preview(), Qt::Key_Escape);
    });
    ShowPreview(report.Pages(), report, &main);
    EXPECT_TRUE(pageInfo == "#1" || pageInfo == "1") << pageInfo.toStdString();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
