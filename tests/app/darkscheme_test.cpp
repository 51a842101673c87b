// The main window under a dark colour scheme: every text it colours itself stays legible.

#include "mainwindow_fixture.h"

#include "toolkit/codeeditor.h"

#include <QLabel>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

double Luminance(const QColor& colour)
{
    auto linear = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

// The contrast ratio of two colours, 1 (none) to 21 (black on white).
double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

constexpr double kLegible = 4.5;

QPalette DarkPalette()
{
    QPalette dark;
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::Window, QColor(0x22, 0x20, 0x20)},     {QPalette::WindowText, Qt::white},
        {QPalette::Base, QColor(0x2b, 0x2b, 0x2b)},       {QPalette::AlternateBase, QColor(0x35, 0x35, 0x35)},
        {QPalette::Text, QColor(0xee, 0xee, 0xee)},       {QPalette::Button, QColor(0x42, 0x42, 0x45)},
        {QPalette::ButtonText, Qt::white},                {QPalette::Light, QColor(0x60, 0x60, 0x60)},
        {QPalette::Highlight, QColor(0x12, 0x60, 0x8a)},  {QPalette::HighlightedText, Qt::white},
        {QPalette::ToolTipBase, QColor(0x3f, 0x3f, 0x36)}, {QPalette::ToolTipText, Qt::white},
        {QPalette::Link, QColor(0x8a, 0xb4, 0xf8)},
    };
    for (const auto& [role, colour] : roles)
        dark.setColor(role, colour);
    return dark;
}

// Set before the catalogue's data module is made: it takes the look of links then.
struct DarkApplicationPalette {
    DarkApplicationPalette() { QApplication::setPalette(DarkPalette()); }
};

class DarkScheme : private DarkApplicationPalette, public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Sql("INSERT INTO TYPY VALUES(1,0,0,'Sklad','');"
            "INSERT INTO TYPY VALUES(2,1,1,'Police','');"
            "INSERT INTO MATR VALUES(10,2,'Drát','měděný','A',NULL,NULL);"
            "INSERT INTO MATR VALUES(11,2,'Cín','trubičkový','B',NULL,NULL);"
            "INSERT INTO MATR VALUES(12,2,'Kalafuna','','C',NULL,NULL);");
        Open();
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        QApplication::setPalette(QPalette());
    }
};

// The darkest and the lightest pixel of a cell: its background and its text, whichever is which.
std::pair<QColor, QColor> Extremes(const QImage& image, const QRect& cell)
{
    QColor darkest(Qt::white), lightest(Qt::black);
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (Luminance(c) < Luminance(darkest))
                darkest = c;
            if (Luminance(c) > Luminance(lightest))
                lightest = c;
        }
    return {darkest, lightest};
}

}  // namespace

TEST_F(DarkScheme, treeNodesAreLegibleOnTheirBackground)
{
    TfMain& w = *window;
    const QPalette& colours = w.tree->palette();
    QStyleOptionViewItem option;
    option.palette = colours;
    w.treeCustomDrawItem(Node(1), option);  // a branch
    EXPECT_GE(Contrast(option.palette.color(QPalette::Text), colours.color(QPalette::Base)), kLegible);
    w.treeCustomDrawItem(Node(2), option);  // a leaf
    EXPECT_GE(Contrast(option.palette.color(QPalette::Text), colours.color(QPalette::Base)), kLegible);
    EXPECT_NE(option.palette.color(QPalette::Text), colours.color(QPalette::Link));  // branches stand out
    option.state |= QStyle::State_Selected;
    w.treeCustomDrawItem(Node(1), option);
    EXPECT_GE(Contrast(option.palette.color(QPalette::HighlightedText), colours.color(QPalette::Highlight)), kLegible);
}

TEST_F(DarkScheme, everyBandOfTheListIsLegible)
{
    TfMain& w = *window;
    w.resize(800, 600);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTableView& grid = *w.grid;
    w.table.Locate("IDENT", 12);  // the third row is current
    const QImage image = grid.viewport()->grab().toImage();
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        const QRect cell(grid.columnViewportPosition(2), grid.rowViewportPosition(row), grid.columnWidth(2) - 1,
                         grid.rowHeight(row) - 1);
        const auto [darkest, lightest] = Extremes(image, cell);
        EXPECT_GE(Contrast(darkest, lightest), kLegible) << darkest.name().toStdString() << " "
                                                         << lightest.name().toStdString();
    }
}

TEST_F(DarkScheme, theDocumentPathTheLinksAndTheSilverPanelsAreLegible)
{
    TfMain& w = *window;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QColor window = w.palette().color(QPalette::Window);
    EXPECT_GE(Contrast(w.textPath->palette().color(QPalette::WindowText), window), kLegible);
    const QColor link = data.synURI.LinkFormat().foreground().color();
    EXPECT_GE(Contrast(link, w.memo->palette().color(QPalette::Base)), kLegible);
    for (QWidget* panel : {static_cast<QWidget*>(w.panelProgress), w.findChild<QWidget*>("panMista")}) {
        ASSERT_NE(panel, nullptr);
        const QColor silver = panel->palette().color(QPalette::Window);
        for (QLabel* label : panel->findChildren<QLabel*>())
            EXPECT_GE(Contrast(label->palette().color(QPalette::WindowText), silver), kLegible)
                << label->objectName().toStdString();
    }
}
