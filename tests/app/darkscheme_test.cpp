// The main window under a dark colour scheme: every text it colours itself stays legible.

#include "mainwindow_fixture.h"
#include "tests/support/contrast.h"

#include "toolkit/codeeditor.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTest>


namespace {


QPalette DarkPalette()
{
    QPalette dark;
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::Window, QColor(0x22, 0x20, 0x20)},     {QPalette::WindowText, Qt::white},
        {QPalette::Base, QColor(0x2b, 0x2b, 0x2b)},       {QPalette::AlternateBase, QColor(0x35, 0x35, 0x35)},
        {QPalette::Text, QColor(0xee, 0xee, 0xee)},       {QPalette::Button, QColor(0x42, 0x42, 0x45)},
        {QPalette::ButtonText, Qt::white},                {QPalette::Light, QColor(0xa0, 0xa0, 0xa0)},
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

// Column titles, the main document's caption and the editor's gutter, drawn as they show:
// the darkest and lightest pixel of each stand at least 4.5:1 apart, in the dark scheme and in
// the light one.
static void ExpectFixedTextsLegible(TfMain& w)
{
    w.resize(800, 600);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.table.Locate("IDENT", 10);
    QHeaderView* titles = w.grid->horizontalHeader();
    const QImage header = titles->grab().toImage();
    for (int column = 0; column < 5; ++column) {
        const QRect section = QRect(titles->sectionViewportPosition(column) + 2, 2, titles->sectionSize(column) - 4,
                                    titles->height() - 4)
                                  .intersected(header.rect());
        if (section.width() < 8)
            continue;  // a column off the window's edge
        const auto [dark, light] = Extremes(header, section);
        EXPECT_GE(Contrast(dark, light), kLegible) << "column " << column;
    }
    const auto [captionDark, captionLight] = Extremes(w.panelDocCaption->grab().toImage(), w.panelDocCaption->rect());
    EXPECT_GE(Contrast(captionDark, captionLight), kLegible) << "caption";
    QWidget* gutter = w.memo->Gutter();
    if (gutter->isVisible() && gutter->width() > 0) {
        const auto [gutterDark, gutterLight] = Extremes(gutter->grab().toImage(), gutter->rect());
        EXPECT_GE(Contrast(gutterDark, gutterLight), kLegible) << "gutter";
    }
}

TEST_F(DarkScheme, columnTitlesTheDocumentCaptionAndTheGutterAreLegible)
{
    ExpectFixedTextsLegible(*window);
}

class LightScheme : public MainWindowTest {};

TEST_F(LightScheme, columnTitlesTheDocumentCaptionAndTheGutterAreLegible)
{
    Sql("INSERT INTO TYPY VALUES(1,0,0,'Sklad','');"
        "INSERT INTO MATR VALUES(10,1,'Drát','měděný','A',NULL,'první\r\ndruhý');");
    ExpectFixedTextsLegible(Open());
}
