#include "reports/rpTable.h"

#include "reports/fmPrint.h"
#include "rpCatalog.h"
#include "sqlite/sql3_query.h"
#include "sqlite/sql3_table.h"

#include <QApplication>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Counts what a bound view is told.
struct CountingLink : TDataLink {
    int scrolled = 0;
    int active = 0;
    void DataSetScrolled() override { ++scrolled; }
    void ActiveChanged(bool) override { ++active; }
};

// The main window's item list: the items table in designation order, the group column showing
// the group's name (empty when the group is unknown), optionally narrowed to some groups.
class PlainListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cat.AddGroup(1, 0, "Elektro");
        cat.AddGroup(2, 1, "Kabely");
        cat.AddGroup(3, 0, "Spojovací materiál");
    }

    void OpenTable()
    {
        groups = cat.GroupNames();
        table.SetName("table");
        table.SetDatabase(&cat.data.db);
        table.SetTableName("MATR");
        table.SetIndexName("IXMATR");
        table.Open();
        table.FieldByName("IDTYP").OnGetText = [this](TField& f, QString& text, bool) {
            text = groups.value(f.AsLargeInt());
        };
    }

    QStringList ScanNames()
    {
        QStringList names;
        for (table.First(); !table.Eof(); table.Next())
            names << table.FieldByName("NAZEV").AsString();
        return names;
    }

    ReportCatalogue cat;
    TMeral3Table table;
    QHash<qint64, QString> groups;
    PreviewCapture preview;
};

}  // namespace

TEST_F(PlainListTest, printsExactlyTheListRowsInItsOrderAndReturnsToItsRow)
{
    cat.AddItem(1, 2, "Kabel CYKY 3x2,5", "Regál 1", "Instalační kabel");
    cat.AddItem(2, 3, "Šroub M6", "Šuplík 4", "Pozinkovaný");
    cat.AddItem(3, 2, "Čep 8 mm", "Regál 2", "Ocel");
    cat.AddItem(4, 1, "Cívka", "Regál 1", "Tlumivka");
    cat.AddItem(5, 2, "Deska plošných spojů", "Regál 3", "FR4");
    cat.AddItem(6, 3, "Matice M6", "Šuplík 4", "");
    OpenTable();
    // A branch of the tree: only the cables and electro groups.
    table.SetOnFilterRecord([](TMeral3Command& ds, bool& accept) {
        accept = ds.FieldByName("IDTYP").AsInteger() != 3;
    });
    table.SetFiltered(true);
    const QStringList listed = ScanNames();
    ASSERT_EQ(listed, (QStringList{"Cívka", "Čep 8 mm", "Deska plošných spojů", "Kabel CYKY 3x2,5"}));
    table.First();
    table.Next();
    table.Next();
    const int row = table.RecNo();
    const qint64 ident = table.FieldByName("IDENT").AsLargeInt();

    CountingLink view;
    view.SetDataSet(&table);
    bool quiet = false;
    preview.during = [&] { quiet = table.ControlsDisabled() && view.scrolled == 0; };
    ReportList(table, nullptr);

    ASSERT_EQ(preview.previews, 1);
    EXPECT_EQ(preview.reportTitle, "Seznam materiálu");
    EXPECT_EQ(DetailColumn(preview.pages, "qrNazev"), listed);
    EXPECT_EQ(DetailColumn(preview.pages, "qrID"), (QStringList{"4", "3", "5", "1"}));
    EXPECT_EQ(DetailColumn(preview.pages, "qrSkupina"), (QStringList{"Elektro", "Kabely", "Kabely", "Kabely"}));
    EXPECT_EQ(DetailColumn(preview.pages, "qrPopis"), (QStringList{"Tlumivka", "Ocel", "FR4", "Instalační kabel"}));
    EXPECT_EQ(DetailColumn(preview.pages, "qrMisto"), (QStringList{"Regál 1", "Regál 2", "Regál 3", "Regál 1"}));
    EXPECT_EQ(Outline(preview.pages).last(), "= 4 položek");
    EXPECT_TRUE(quiet) << "the list followed the report's scrolling";
    EXPECT_FALSE(table.ControlsDisabled());
    EXPECT_EQ(table.RecNo(), row);
    EXPECT_EQ(table.FieldByName("IDENT").AsLargeInt(), ident);
    EXPECT_GE(view.active, 1);  // the views were told to show the record set again
}

TEST_F(PlainListTest, itemsWithoutAKnownGroupPrintAnEmptyGroupAndOneItemCountsAsOne)
{
    cat.AddItem(1, 0, "Bez skupiny");
    cat.AddItem(2, 99, "Cizí skupina");  // its group is gone
    cat.AddItem(3, 1, "Zásuvka");
    OpenTable();
    ReportList(table, nullptr);
    const std::vector<BandTexts> rows = DetailRows(preview.pages);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_FALSE(rows[0].contains("qrSkupina"));
    EXPECT_FALSE(rows[1].contains("qrSkupina"));
    EXPECT_EQ(rows[2].value("qrSkupina"), "Elektro");
    EXPECT_EQ(rows[0].value("qrMisto"), "");

    table.SetOnFilterRecord([](TMeral3Command& ds, bool& accept) { accept = ds.FieldByName("IDENT").AsInteger() == 3; });
    table.SetFiltered(true);
    preview.pages.clear();
    ReportList(table, nullptr);
    EXPECT_EQ(Outline(preview.pages), (QStringList{"Zásuvka", "= 1 položek"}));
}

TEST_F(PlainListTest, pagesCarryHeaderCaptionsAndNumberedFooterAndTheRowsRunOn)
{
    for (int i = 1; i <= 120; ++i)
        cat.AddItem(i, 1 + i % 3, QStringLiteral("Položka %1").arg(i, 3, 10, QLatin1Char('0')), "Regál");
    OpenTable();
    ReportList(table, nullptr);
    ASSERT_EQ(preview.pages.size(), 3u);
    QStringList expected;
    for (int i = 1; i <= 120; ++i)
        expected << QStringLiteral("Položka %1").arg(i, 3, 10, QLatin1Char('0'));
    EXPECT_EQ(DetailColumn(preview.pages, "qrNazev"), expected);

    const QRegularExpression dateTime(R"(^\d{1,2}\.\d{1,2}\.\d{4} \d{1,2}:\d{2}:\d{2}$)");
    for (std::size_t p = 0; p < preview.pages.size(); ++p) {
        const TReportPage& page = preview.pages[p];
        ASSERT_GE(page.bands.size(), 2u);
        const TPlacedBand& head = page.bands.front();
        const TPlacedBand& foot = page.bands.back();
        EXPECT_EQ(head.name, "head");
        EXPECT_DOUBLE_EQ(head.rect.top(), 10);
        EXPECT_DOUBLE_EQ(head.rect.height(), 22.0);
        EXPECT_EQ(foot.name, "foot");
        EXPECT_DOUBLE_EQ(foot.rect.bottom(), 287);  // bound to the foot of the page
        const QStringList headTexts = page.Texts("head");
        ASSERT_EQ(headTexts.size(), 8);
        EXPECT_EQ(headTexts[0], "Seznam materiálu");
        EXPECT_TRUE(dateTime.match(headTexts[1]).hasMatch()) << headTexts[1].toStdString();
        EXPECT_EQ(headTexts.mid(2), (QStringList{"Celkový seznam", "ID", "Skupina", "Název", "Popis", "Umístění"}));
        EXPECT_EQ(page.Texts("foot"), QStringList{QString::number(p + 1)});
        // The line under the header and the one over the footer.
        ASSERT_EQ(page.lines.size(), 2u);
        EXPECT_DOUBLE_EQ(page.lines[0].line.y1(), head.rect.bottom());
        EXPECT_DOUBLE_EQ(page.lines[1].line.y1(), foot.rect.top());
    }
    const TReportPage& first = preview.pages.front();
    for (const TPlacedText& t : first.texts) {
        if (t.text == "Seznam materiálu") {
            EXPECT_EQ(t.font.family(), "Arial");
            EXPECT_EQ(t.font.pointSizeF(), 12);
            EXPECT_TRUE(t.font.bold());
            EXPECT_DOUBLE_EQ(t.rect.left(), 12.1);
            EXPECT_DOUBLE_EQ(t.rect.top(), 11.6);
        } else if (t.text == "Popis" && t.band == "head") {
            EXPECT_TRUE(t.font.bold());
            EXPECT_DOUBLE_EQ(t.rect.left(), 94.7);
            EXPECT_DOUBLE_EQ(t.rect.top(), 26.9);
        } else if (t.element == "qrPopis") {
            EXPECT_EQ(t.font.family(), "Arial Narrow");
            EXPECT_FALSE(t.font.bold());
        }
    }
    EXPECT_EQ(Outline(preview.pages).last(), "= 120 položek");
}

TEST_F(PlainListTest, textWiderThanItsColumnIsCutToTheColumn)
{
    const QString wide(64, QLatin1Char('W'));
    cat.AddItem(1, 1, QString(32, QLatin1Char('M')), QString(32, QLatin1Char('W')), wide);
    OpenTable();
    ReportList(table, nullptr);
    ASSERT_EQ(preview.pages.size(), 1u);
    for (const TPlacedText& t : preview.pages[0].texts) {
        if (t.element == "qrPopis") {
            EXPECT_LT(t.text.size(), wide.size());
            EXPECT_TRUE(wide.startsWith(t.text));
            EXPECT_LE(t.rect.width(), 80.7 + 1e-6);
        } else if (t.element == "qrMisto") {
            EXPECT_LE(t.rect.right(), 200 + 1e-6);  // the band's right edge
        } else if (t.element == "qrNazev") {
            EXPECT_LE(t.rect.right(), 10 + 49.7 + 33.9 + 1e-6);
        }
    }
}

TEST_F(PlainListTest, emptyListStillGivesOnePageWithHeaderAndFooter)
{
    OpenTable();
    ReportList(table, nullptr);
    ASSERT_EQ(preview.pages.size(), 1u);
    EXPECT_TRUE(DetailRows(preview.pages).empty());
    EXPECT_EQ(preview.pages[0].bands.front().name, "head");
    EXPECT_EQ(preview.pages[0].Texts("foot"), QStringList{"1"});
    EXPECT_EQ(table.RecNo(), 1);
}

TEST_F(PlainListTest, failedReportStillRestoresTheListAndNamesTheField)
{
    for (int i = 1; i <= 12; ++i)
        cat.AddItem(i, 1, QStringLiteral("Položka %1").arg(i, 2, 10, QLatin1Char('0')));
    TMeral3Query items;  // a list without the place column
    items.SetDatabase(&cat.data.db);
    items.SetSQL("SELECT IDENT, IDTYP, NAZEV, POPIS FROM MATR ORDER BY IDENT");
    items.Open();
    items.SetRecNo(1);
    items.Next();
    items.Next();
    EXPECT_EQ(ErrorOf([&] { ReportList(items, nullptr); }), "Field 'MISTO' not found");
    EXPECT_EQ(preview.previews, 0);
    EXPECT_FALSE(items.ControlsDisabled());
    EXPECT_EQ(items.RecNo(), 3);
    EXPECT_EQ(items.FieldByName("IDENT").AsInteger(), 3);
}

TEST(PlainListPreview, opensThePreviewWindowOverTheMainWindow)
{
    ReportCatalogue cat;
    cat.AddItem(1, 0, "Cívka");
    TMeral3Table table;
    table.SetDatabase(&cat.data.db);
    table.SetTableName("MATR");
    table.Open();
    QWidget main;
    main.setGeometry(30, 40, 800, 600);
    QString title, pages;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<TfPrint*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        title = window->PanelText(0);
        pages = window->PanelText(1);
        window->reject();
    });
    ReportList(table, &main);
    EXPECT_EQ(title, "Seznam materiálu");
    EXPECT_EQ(pages, "#1");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
