#include "mainwindow_fixture.h"

#include <QDrag>
#include <QHeaderView>
#include <QMimeData>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "tests/support/settle.h"

#include <functional>

namespace {

// Two groups and items whose designations, descriptions and places differ in letter case, so
// that every order shows whether text is compared without regard to case.
class ItemList : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Sql("INSERT INTO TYPY VALUES(1,0,0,'Sklad','Hlavní sklad');"
            "INSERT INTO TYPY VALUES(2,0,0,'Elektro','');"
            "INSERT INTO MATR VALUES(10,2,'Drát','měděný','Regál B','/dok/drat.pdf',NULL);"
            "INSERT INTO MATR VALUES(11,1,'ampér','Zkoušečka','regál a','   ',NULL);"
            "INSERT INTO MATR VALUES(12,0,'cívka','Bužírka','Regál B',NULL,NULL);"
            "INSERT INTO MATR VALUES(13,1,'Bod','cín','Police',NULL,NULL);"
            "INSERT INTO MATR VALUES(14,2,'Bod','Anténa','police',NULL,NULL);");
        Open();
    }

    QString Current() { return window->table.IsEmpty() ? QString() : window->tableIDENT->AsString(); }
    QString GroupCellOfCurrent()
    {
        const QModelIndex current = window->grid->currentIndex();
        return window->gridModel->data(window->gridModel->index(current.row(), 1)).toString();
    }
    // 300 more items in group 1, designated in reverse order of their identifiers, in a shown window.
    void ShowWithManyItems()
    {
        QString script = "BEGIN;";
        for (int i = 100; i < 400; ++i)
            script += QString("INSERT INTO MATR VALUES(%1,1,'Položka %2','','',NULL,NULL);").arg(i).arg(499 - i);
        Sql(script + "COMMIT;");
        window->resize(800, 600);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void ClickTitle(int column)
    {
        QHeaderView* titles = window->grid->horizontalHeader();
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                          QPoint(titles->sectionViewportPosition(column) + 5, titles->height() / 2));
    }
};

TEST_F(ItemList, EveryTitleSortsByItsIndexWithTextIgnoringLetterCase)
{
    TfMain& w = *window;
    EXPECT_EQ(w.table.IndexName(), "IXMATR");  // designation, then group
    EXPECT_EQ(ListedItems(), QStringList({"11", "13", "14", "12", "10"}));
    const std::vector<std::pair<const char*, QStringList>> orders{
        {"_primary_key", {"10", "11", "12", "13", "14"}},
        {"IXTYP", {"12", "11", "13", "14", "10"}},  // the group's number, not its name
        {"IXMATR", {"11", "13", "14", "12", "10"}},
        {"IXPOPIS", {"14", "12", "13", "10", "11"}},
        {"IXMISTO", {"14", "13", "11", "12", "10"}},  // place, then description
    };
    for (int column = 0; column < 5; ++column) {
        ClickTitle(column);
        EXPECT_EQ(w.table.IndexName(), orders[size_t(column)].first) << column;
        EXPECT_EQ(ListedItems(), orders[size_t(column)].second) << column;
    }
    // A second click keeps the order; other positions change nothing.
    ClickTitle(4);
    w.gridTitleBtnClick(5);
    w.gridTitleBtnClick(-1);
    EXPECT_EQ(w.table.IndexName(), "IXMISTO");
    EXPECT_EQ(ListedItems(), orders[4].second);

    // The order applies within a branch too, and the current item stays current.
    Select(Node(1));
    w.table.Locate("IDENT", 13);
    ClickTitle(0);
    EXPECT_EQ(ListedItems(), QStringList({"11", "13"}));
    EXPECT_EQ(Current(), "13");
}

TEST_F(ItemList, TheTitlesAreUnderlinedButtonsAndTheCellsKeepTheirFonts)
{
    TfMain& w = *window;
    QHeaderView* titles = w.grid->horizontalHeader();
    EXPECT_TRUE(titles->sectionsClickable());
    EXPECT_TRUE(titles->font().underline());
    EXPECT_EQ(titles->font().pointSize(), 8);
    EXPECT_EQ(titles->sectionResizeMode(2), QHeaderView::Interactive);
    QStringList labels;
    for (int i = 0; i < w.gridModel->columnCount(); ++i)
        labels << w.gridModel->headerData(i, Qt::Horizontal).toString();
    EXPECT_EQ(labels, QStringList({"ID", "Skupina", "Označení", "Popis", "Umístění"}));
    EXPECT_EQ(w.grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(w.grid->selectionBehavior(), QAbstractItemView::SelectRows);
}

// Screen rows alternate white and the button colour; the current row has the tooltip colour.
// Scrolling moves the items, never the bands.
TEST_F(ItemList, BandsStayWithTheScreenRowsWhileTheListScrolls)
{
    QString script = "BEGIN;";
    for (int i = 100; i < 160; ++i)
        script += QString("INSERT INTO MATR VALUES(%1,1,'Položka %1','','',NULL,NULL);").arg(i);
    Sql(script + "COMMIT;");
    TfMain& w = *window;
    w.table.Requery();
    w.resize(800, 700);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTableView& grid = *w.grid;
    const int x = grid.columnViewportPosition(2) + grid.columnWidth(2) - 4;  // right of any text
    auto colourAt = [&](int screenRow) {
        const QImage image = grid.viewport()->grab().toImage();
        return QColor(image.pixel(x, screenRow * grid.rowHeight(0) + grid.rowHeight(0) / 2));
    };
    const QColor white(Qt::white);
    const QColor grey = w.palette().color(QPalette::Button);
    const QColor current = w.palette().color(QPalette::ToolTipBase);
    ASSERT_NE(grey, white);

    w.table.Locate("IDENT", 14);  // the third row is current
    grid.clearFocus();            // the current row stays marked without the focus
    EXPECT_EQ(colourAt(0), white);
    EXPECT_EQ(colourAt(1), grey);
    EXPECT_EQ(colourAt(2), current);
    EXPECT_EQ(colourAt(3), grey);
    EXPECT_EQ(colourAt(4), white);

    // The view fetches the rows it has room for and lays them out when the event loop runs.
    ASSERT_TRUE(WaitUntil([&] { return grid.verticalScrollBar()->maximum() > 4; }));
    grid.verticalScrollBar()->setValue(3);  // the current row is off the screen now
    EXPECT_EQ(colourAt(0), white);
    EXPECT_EQ(colourAt(1), grey);
    EXPECT_EQ(colourAt(2), white);
    grid.verticalScrollBar()->setValue(4);
    EXPECT_EQ(colourAt(0), white);
    EXPECT_EQ(colourAt(1), grey);
}

// Every re-read that keeps the current item (a sort change, the filter off, a refresh, a move)
// leaves it current in the grid and on the screen, so Edit and Delete act on an item in view.
TEST_F(ItemList, TheCurrentItemStaysInViewAndMarkedAfterEveryReRead)
{
    ASSERT_NO_FATAL_FAILURE(ShowWithManyItems());
    TfMain& w = *window;
    QTableView& grid = *w.grid;
    auto reRead = [&](const char* step, const std::function<void()>& action) {
        action();
        EXPECT_EQ(Current(), "150") << step;
        const int row = w.gridModel->RowOfRecord(w.table.CurrentIndex());
        EXPECT_EQ(grid.currentIndex().row(), row) << step;
        EXPECT_TRUE(grid.selectionModel()->isRowSelected(row, QModelIndex())) << step;
        // Visible once the view has laid out its rows, which may wait for the event loop.
        EXPECT_TRUE(WaitUntil(
            [&] { return grid.viewport()->rect().contains(grid.visualRect(w.gridModel->index(row, 2))); }))
            << step;
    };
    w.table.Requery();
    w.table.Locate("IDENT", 150);  // "Položka 349", far down in designation order
    reRead("sort by identifier", [&] { ClickTitle(0); });
    reRead("sort by designation", [&] { ClickTitle(2); });
    reRead("refresh", [&] { w.table.Requery(); });
    Select(Node(1));
    w.table.Locate("IDENT", 150);
    reRead("filter off", [&] { Select(AllItems()); });
    reRead("place renamed", [&] {
        Sql("UPDATE MATR SET MISTO='Sklad' WHERE IDENT=150");
        w.table.Requery();
    });
    reRead("moved to another group", [&] { w.gridEndDrag(w.tree, Node(2)); });
}

// After a sort the row mark stands in the current row's band, on the screen as well as in a fresh
// paint: the indicator column scrolls with the rows, so stale pixels would show one row off.
TEST_F(ItemList, AfterASortTheRowMarkIsOnTheScreenAtTheCurrentRow)
{
    ASSERT_NO_FATAL_FAILURE(ShowWithManyItems());
    TfMain& w = *window;
    QTableView& grid = *w.grid;
    QHeaderView& marks = *grid.verticalHeader();
    w.table.Requery();
    w.table.Locate("IDENT", 150);
    // The lines of the indicator column's middle that hold dark pixels of the mark.
    auto markLines = [&](const QImage& image, QPoint origin) {
        QList<int> lines;
        for (int y = 0; y < marks.viewport()->height(); ++y)
            if (QColor(image.pixel(origin.x() + marks.width() / 2 - 1, origin.y() + y)).lightness() < 60)
                lines << y;
        return lines;
    };
    for (int column : {0, 2, 3, 4, 1}) {
        ClickTitle(column);
        const int row = w.gridModel->RowOfRecord(w.table.CurrentIndex());
        const QRect band = grid.visualRect(w.gridModel->index(row, 0));
        ASSERT_TRUE(WaitUntil([&] { return grid.viewport()->rect().contains(band); })) << column;
        Settle();
        const QList<int> drawn = markLines(marks.viewport()->grab().toImage(), QPoint(0, 0));
        ASSERT_FALSE(drawn.isEmpty()) << column;
        EXPECT_GE(drawn.first(), band.top()) << column;
        EXPECT_LE(drawn.last(), band.bottom()) << column;
        const QImage screen = w.screen()->grabWindow(w.winId()).toImage();
        EXPECT_EQ(markLines(screen, marks.viewport()->mapTo(&w, QPoint(0, 0))), drawn) << column;
    }
}

TEST_F(ItemList, TheCurrentItemShowsItsPlaceAndDescriptionInTheStatusBar)
{
    TfMain& w = *window;
    EXPECT_EQ(w.StatusText(1), "regál a");  // the first item, when the list opened
    EXPECT_EQ(w.StatusText(2), "Zkoušečka");
    QTest::keyClick(w.grid, Qt::Key_Down);
    EXPECT_EQ(Current(), "13");
    EXPECT_EQ(w.StatusText(1), "Police");
    EXPECT_EQ(w.StatusText(2), "cín");

    // In the first window size the description has the rest of the bar, not an empty neighbour.
    w.resize(800, 600);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto* description = w.findChild<QLabel*>("status2");
    EXPECT_GE(description->width(), w.width() - 2 * 256 - 80);  // the size grip and spacing

    // An empty list keeps the texts.
    w.edFilter->setText("nic takového");
    w.toolFilterClick();
    EXPECT_TRUE(w.table.IsEmpty());
    EXPECT_EQ(w.StatusText(1), "Police");
}

// --- Filters ---------------------------------------------------------------------------------------

class TextFilter : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Sql("INSERT INTO TYPY VALUES(1,0,0,'Sklad','');"
            "INSERT INTO MATR VALUES(1,1,'KABELY','','',NULL,NULL);"
            "INSERT INTO MATR VALUES(2,1,'Zásuvka','Kabel 3×1,5','',NULL,NULL);"
            "INSERT INTO MATR VALUES(3,0,'Svorky','','',NULL,'pro tenký kabel' || char(13,10) || 'a drát');"
            "INSERT INTO MATR VALUES(4,1,'Skříň','','Kabelová skříň','/dok/kabel.pdf',NULL);"
            "INSERT INTO MATR VALUES(5,1,'Měděný drát','','',NULL,NULL);"
            "INSERT INTO MATR VALUES(6,1,'drát měděný','Měděný  drát','',NULL,NULL);"
            "INSERT INTO MATR VALUES(7,1,NULL,'hliníkový měděný drát',NULL,NULL,NULL);");
        Open();
    }
};

TEST_F(TextFilter, FindsTheTextInDesignationDescriptionAndContentButNotInThePlaceOrPath)
{
    TfMain& w = *window;
    Select(Node(1));
    EXPECT_EQ(Filtered("  kabel  "), QStringList({"1", "2", "3"}));
    EXPECT_EQ(w.filterText, "KABEL");
    EXPECT_EQ(w.SelectedNode(), AllItems());  // a text filter always selects all items
    // Upper-casing follows the locale for letters beyond ASCII.
    EXPECT_EQ(Filtered("ZÁSUV"), QStringList({"2"}));
    EXPECT_EQ(Filtered("3×1"), QStringList({"2"}));
}

TEST_F(TextFilter, EveryWordMatchesOnItsOwnInAnyFieldAndOrder)
{
    EXPECT_EQ(Filtered("měděný drát"), QStringList({"5", "6", "7"}));
    EXPECT_EQ(Filtered("drát  měděný"), QStringList({"5", "6", "7"}));
    EXPECT_EQ(Filtered("hliníkový drát"), QStringList({"7"}));
    EXPECT_EQ(Filtered("kabel drát"), QStringList({"3"}));  // both in the content, across a line break
    EXPECT_EQ(Filtered("zásuvka 3×1"), QStringList({"2"}));  // one word in the designation, one in the description
    EXPECT_EQ(Filtered("kabel mosaz"), QStringList());
}

TEST_F(TextFilter, LettersMatchWithoutCaseAndDiacriticsOnBothSides)
{
    Sql("INSERT INTO MATR VALUES(30,0,'Regál A1','','',NULL,NULL);"
        "INSERT INTO MATR VALUES(31,0,'Šroubovák křížový','','',NULL,NULL);"
        "INSERT INTO MATR VALUES(32,0,'','Růže','',NULL,NULL);"
        "INSERT INTO MATR VALUES(33,0,'Regal B2','','',NULL,NULL);");
    window->table.Requery();
    EXPECT_EQ(Filtered("regal a1"), QStringList({"30"}));
    EXPECT_EQ(Filtered("REGÁL"), QStringList({"30", "33"}));  // typed with diacritics: the same items
    EXPECT_EQ(Filtered("regal"), QStringList({"30", "33"}));
    EXPECT_EQ(Filtered(QString::fromUtf16(u"Re\u0301gal")), QStringList({"30", "33"}));  // a decomposed á
    EXPECT_EQ(Filtered("krizovy sroub"), QStringList({"31"}));
    EXPECT_EQ(Filtered("ruze"), QStringList({"32"}));
    EXPECT_EQ(Filtered("měděný drát"), Filtered("medeny drat"));
}

// The filter compares text as text: wildcards, quotes and backslashes match only themselves,
// and a NUL in stored content does not end it.
TEST_F(TextFilter, WildcardsQuotesAndBackslashesMatchOnlyThemselves)
{
    Sql("INSERT INTO MATR VALUES(20,0,'sleva 50%','','',NULL,NULL);"
        "INSERT INTO MATR VALUES(21,0,'sleva 50 kusů','','',NULL,NULL);"
        "INSERT INTO MATR VALUES(22,0,'a_b','','',NULL,NULL);"
        "INSERT INTO MATR VALUES(23,0,'axb','O''Brien \\ \"X\"','',NULL,NULL);"
        "INSERT INTO MATR VALUES(24,0,'nul','','',NULL,'před' || char(0) || 'za NUL');");
    window->table.Requery();
    EXPECT_EQ(Filtered("50%"), QStringList({"20"}));
    EXPECT_EQ(Filtered("A_B"), QStringList({"22"}));
    EXPECT_EQ(Filtered("o'brien \\ \"x\""), QStringList({"23"}));
    EXPECT_EQ(Filtered("za nul"), QStringList({"24"}));
}

TEST_F(TextFilter, AnEmptyBoxShowsEverythingAndEnterSetsTheFilter)
{
    TfMain& w = *window;
    Select(Node(1));
    EXPECT_EQ(ListedItems().size(), 6);
    EXPECT_EQ(Filtered("   "), QStringList({"1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(w.SelectedNode(), AllItems());
    EXPECT_FALSE(w.table.Filtered());

    w.edFilter->setFocus();
    QTest::keyClicks(w.edFilter, "svork");
    EXPECT_EQ(ListedItems().size(), 7);  // typing alone does not filter
    QTest::keyClick(w.edFilter, Qt::Key_Return);
    EXPECT_EQ(ListedItems(), QStringList({"3"}));
    // A new text while the filter is on is applied at once.
    w.edFilter->clear();
    TypeText(w.edFilter, "drát");
    QTest::keyClick(w.edFilter, Qt::Key_Enter);
    QStringList found = ListedItems();
    found.sort();
    EXPECT_EQ(found, QStringList({"3", "5", "6", "7"}));
    EXPECT_TRUE(w.edFilterKeyPress(Qt::Key_Return));
    EXPECT_FALSE(w.edFilterKeyPress(Qt::Key_A));

    // Selecting a group ends the text filter.
    Select(Node(1));
    EXPECT_TRUE(w.edFilter->text().isEmpty());
    EXPECT_EQ(ListedItems().size(), 6);
}

// --- Item commands ---------------------------------------------------------------------------------

TEST_F(ItemList, DeletingAsksWithTheDesignationAndKeepsThePlaceInTheList)
{
    TfMain& w = *window;
    w.table.Locate("IDENT", 13);
    MessageBoxAnswers::Queue(QMessageBox::No);
    w.toolMatrDel->trigger();
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->text, "Vymazat položku Bod?");
    EXPECT_EQ(LastMessage()->caption, "Vymazat");
    EXPECT_EQ(LastMessage()->icon, QMessageBox::Question);
    EXPECT_EQ(LastMessage()->buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(LastMessage()->owner, &w);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM MATR"), "5");

    MessageBoxAnswers::Queue(QMessageBox::Yes);
    w.toolMatrDelClick();
    EXPECT_EQ(Value("SELECT COUNT(*) FROM MATR WHERE IDENT=13"), "0");
    EXPECT_EQ(ListedItems(), QStringList({"11", "14", "12", "10"}));
    EXPECT_EQ(Current(), "14");  // the next item

    w.table.Last();
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    w.toolMatrDelClick();
    EXPECT_EQ(Current(), "12");  // the last item gone: the one before it
}

TEST_F(ItemList, AnEmptyDesignationIsAskedForAsItStandsAndAnEmptyListAsksNothing)
{
    TfMain& w = *window;
    Sql("INSERT INTO MATR VALUES(20,0,NULL,'','',NULL,NULL);");
    w.table.Requery();
    w.table.Locate("IDENT", 20);
    w.toolMatrDelClick();
    EXPECT_EQ(LastMessage()->text, "Vymazat položku ?");

    w.edFilter->setText("nic takového");
    w.toolFilterClick();
    MessageBoxAnswers::Reset();
    w.toolMatrDelClick();
    EXPECT_TRUE(MessageBoxAnswers::History().empty());
}

TEST_F(ItemList, AFailingDeleteIsReportedAndTheListIsNotReRead)
{
    TfMain& w = *window;
    Sql("CREATE TRIGGER nodelete BEFORE DELETE ON MATR BEGIN SELECT RAISE(ABORT, 'zamčeno'); END;");
    w.table.Locate("IDENT", 14);
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    MessageBoxAnswers::Queue(QMessageBox::No);  // go on after the error
    w.toolMatrDel->trigger();
    ASSERT_EQ(MessageBoxAnswers::History().size(), 2u);
    EXPECT_EQ(LastMessage()->caption, "Chyba");
    EXPECT_TRUE(LastMessage()->text.contains("zamčeno"));
    EXPECT_EQ(Current(), "14");
    EXPECT_EQ(ListedItems().size(), 5);
    EXPECT_EQ(quits, 0);
}

TEST_F(ItemList, ANewItemUnderAllItemsGoesToNoGroupAndBecomesCurrent)
{
    TfMain& w = *window;
    Select(AllItems());
    QString caption;
    WhenModal([&](QDialog& d) {
        caption = d.windowTitle();
        TypeText(Control<QLineEdit>(d, "edNazev"), "Žárovka");
        Control<QPushButton>(d, "bOK")->click();
    });
    w.toolMatrAdd->trigger();
    EXPECT_EQ(caption, "Nová položka");
    EXPECT_EQ(Value("SELECT IDENT||':'||IDTYP||':'||NAZEV FROM MATR WHERE IDENT=15"), "15:0:Žárovka");
    EXPECT_EQ(Current(), "15");
    EXPECT_EQ(ListedItems().size(), 6);
    Select(NoGroup());
    QStringList ungrouped = ListedItems();
    ungrouped.sort();
    EXPECT_EQ(ungrouped, QStringList({"12", "15"}));

    // Under a group the new item takes that group and shows in its branch.
    Select(Node(2));
    WhenModal([&](QDialog& d) { Control<QPushButton>(d, "bOK")->click(); });
    w.toolMatrAddClick();
    EXPECT_EQ(Value("SELECT IDTYP FROM MATR WHERE IDENT=16"), "2");
    EXPECT_EQ(Current(), "16");
    EXPECT_TRUE(ListedItems().contains("16"));
}

TEST_F(ItemList, EditingReReadsTheListAndOnAnEmptyListMakesANewItem)
{
    TfMain& w = *window;
    w.table.Locate("IDENT", 13);
    QString caption;
    WhenModal([&](QDialog& d) {
        caption = d.windowTitle();
        QLineEdit* name = Control<QLineEdit>(d, "edNazev");
        name->clear();
        TypeText(name, "Amper");
        Control<QPushButton>(d, "bOK")->click();
    });
    w.toolMatrEdit->trigger();
    EXPECT_EQ(caption, "Úprava položky");
    EXPECT_EQ(Value("SELECT NAZEV||':'||IDTYP FROM MATR WHERE IDENT=13"), "Amper:1");
    EXPECT_EQ(ListedItems(), QStringList({"13", "11", "14", "12", "10"}));  // re-read in its order
    EXPECT_EQ(Current(), "13");
    EXPECT_EQ(w.gridModel->data(w.grid->currentIndex().siblingAtColumn(2)).toString(), "Amper");

    w.edFilter->setText("nic takového");
    w.toolFilterClick();
    WhenModal([&](QDialog& d) {
        caption = d.windowTitle();
        Control<QPushButton>(d, "bCan")->click();
    });
    w.toolMatrEditClick();
    EXPECT_EQ(caption, "Úprava položky");
    EXPECT_EQ(Value("SELECT COUNT(*) FROM MATR"), "5");  // cancelled: the new row is gone
}

TEST_F(ItemList, ThePopUpOffersTheDocumentOnlyWhenTheItemHasOne)
{
    TfMain& w = *window;
    QStringList entries;
    for (QAction* a : w.gridPopup->actions())
        entries << (a->isSeparator() ? "-" : QString(a->text()).remove(u'&'));
    EXPECT_EQ(entries, QStringList({"Úprava položky", "-", "Otevři dokument", "Ukaž ve složce", "-", "Smazat položku", "-",
                                    "Export seznamu do CSV…"}));

    w.table.Locate("IDENT", 10);
    w.gridPopupPopup();
    EXPECT_TRUE(w.menuDoc->isEnabled());
    EXPECT_TRUE(w.menuDocFolder->isEnabled());
    w.table.Locate("IDENT", 11);  // a path of blanks
    w.gridPopupPopup();
    EXPECT_FALSE(w.menuDoc->isEnabled());
    EXPECT_FALSE(w.menuDocFolder->isEnabled());
    w.edFilter->setText("nic takového");
    w.toolFilterClick();
    w.gridPopupPopup();
    EXPECT_FALSE(w.menuDoc->isEnabled());
    EXPECT_TRUE(w.menuMatrEdit->isEnabled());
    EXPECT_TRUE(w.menuMatrDel->isEnabled());
}

// --- Dragging items onto the tree ------------------------------------------------------------------

TEST_F(ItemList, AnItemDroppedOnNoGroupIsStoredWithGroupZeroAndStaysCurrent)
{
    TfMain& w = *window;
    w.table.Locate("IDENT", 13);
    EXPECT_EQ(GroupCellOfCurrent(), "Sklad");
    w.gridEndDrag(w.tree, NoGroup());
    EXPECT_EQ(Value("SELECT IDTYP FROM MATR WHERE IDENT=13"), "0");
    EXPECT_EQ(Value("SELECT NAZEV||POPIS||MISTO FROM MATR WHERE IDENT=13"), "BodcínPolice");
    EXPECT_EQ(w.SelectedNode(), NoGroup());
    EXPECT_EQ(ListedItems(), QStringList({"13", "12"}));
    EXPECT_EQ(Current(), "13");
    EXPECT_EQ(GroupCellOfCurrent(), "");

    // A drag that did not end on the tree, or on no node, or on all items, stores nothing.
    w.gridEndDrag(nullptr, Node(2));
    w.gridEndDrag(w.tree, nullptr);
    w.gridEndDrag(w.tree, AllItems());
    EXPECT_EQ(Value("SELECT IDTYP FROM MATR WHERE IDENT=13"), "0");
    EXPECT_EQ(w.SelectedNode(), NoGroup());
}

TEST_F(ItemList, ADropOnTheSelectedNodeShowsTheNewGroupAtOnce)
{
    // Sklad holds Elektro here, so an Elektro item shown under Sklad can move to Sklad itself.
    Sql("UPDATE TYPY SET PARENT=1, LEVEL=1 WHERE IDENT=2;");
    TfMain& w = *window;
    w.ReloadAndSelect(1);
    w.table.Locate("IDENT", 10);
    EXPECT_EQ(GroupCellOfCurrent(), "Elektro");
    w.gridEndDrag(w.tree, Node(1));
    EXPECT_EQ(Value("SELECT IDTYP FROM MATR WHERE IDENT=10"), "1");
    EXPECT_EQ(Current(), "10");
    EXPECT_EQ(GroupCellOfCurrent(), "Sklad");
}

TEST_F(ItemList, AFailedMoveStillSelectsTheTargetWithoutAMessage)
{
    TfMain& w = *window;
    Sql("CREATE TRIGGER nomove BEFORE UPDATE ON MATR BEGIN SELECT RAISE(ABORT, 'zamčeno'); END;");
    w.table.Locate("IDENT", 11);
    w.gridEndDrag(w.tree, Node(2));
    EXPECT_EQ(Value("SELECT IDTYP FROM MATR WHERE IDENT=11"), "1");
    EXPECT_EQ(w.SelectedNode(), Node(2));
    QStringList listed = ListedItems();
    listed.sort();
    EXPECT_EQ(listed, QStringList({"10", "14"}));
    EXPECT_TRUE(MessageBoxAnswers::History().empty());
}

// Pressing on a row and moving down past the drag distance starts a drag of that item from the
// list. (The offscreen platform ends every drag at once without a drop; the drop's side is
// covered through gridEndDrag above.)
TEST_F(ItemList, PressingOnARowAndMovingPastTheDragDistanceDragsThatItem)
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        GTEST_SKIP() << "a real drag waits for the mouse; the test with the drop covers it";
    TfMain& w = *window;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTableView& grid = *w.grid;
    const QPoint press = grid.visualRect(w.gridModel->index(1, 2)).center();  // item 13
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, press);
    EXPECT_EQ(Current(), "13");
    QMouseEvent move(QEvent::MouseMove, QPointF(press + QPoint(0, QApplication::startDragDistance() + 1)),
                     grid.viewport()->mapToGlobal(QPointF(press)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &move);
    const QList<QDrag*> drags = grid.findChildren<QDrag*>();
    ASSERT_EQ(drags.size(), 1);
    EXPECT_EQ(drags[0]->source(), &grid);
    EXPECT_EQ(drags[0]->mimeData()->text(), "13");
    EXPECT_EQ(w.gridPressPos, QPoint(-1, -1));
    EXPECT_EQ(Value("SELECT IDTYP FROM MATR WHERE IDENT=13"), "1");  // not dropped anywhere
    EXPECT_EQ(Current(), "13");
}

// The whole way with the mouse, drop included; only a platform with real drags can run it (an X
// server: QT_QPA_PLATFORM=xcb under Xvfb).
TEST_F(ItemList, DraggingARowWithTheMouseOntoAGroupMovesTheItem)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "drags end at once on " << QGuiApplication::platformName().toStdString();
    TfMain& w = *window;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QWindow* screen = w.windowHandle();
    QTableView& grid = *w.grid;
    const QPoint press = grid.viewport()->mapTo(&w, grid.visualRect(w.gridModel->index(1, 2)).center());  // item 13
    const QPoint target = w.tree->viewport()->mapTo(&w, w.tree->visualItemRect(Node(2)).center());
    QTimer::singleShot(100, &w, [&] {
        QTest::mouseMove(screen, target);
        QTest::mouseMove(screen, target + QPoint(1, 0));
        QTest::mouseRelease(screen, Qt::LeftButton, {}, target);
    });
    QTest::mousePress(screen, Qt::LeftButton, {}, press);
    QTest::mouseMove(screen, press + QPoint(0, QApplication::startDragDistance() + 2));
    EXPECT_EQ(Value("SELECT IDTYP FROM MATR WHERE IDENT=13"), "2");
    EXPECT_EQ(w.SelectedNode(), Node(2));
    EXPECT_EQ(Current(), "13");
}

TEST_F(ItemList, OnlyAPlainLeftButtonMoveBelowTheTitlesDragsAndOnlyAfterTheDragDistance)
{
    TfMain& w = *window;
    const QPoint start(50, 40);
    w.gridPressPos = start;
    EXPECT_FALSE(w.gridMouseMove(Qt::RightButton, Qt::NoModifier, start + QPoint(0, 30)));
    EXPECT_FALSE(w.gridMouseMove(Qt::LeftButton | Qt::RightButton, Qt::NoModifier, start + QPoint(0, 30)));
    EXPECT_FALSE(w.gridMouseMove(Qt::LeftButton, Qt::ShiftModifier, start + QPoint(0, 30)));
    EXPECT_FALSE(w.gridMouseMove(Qt::LeftButton, Qt::NoModifier, QPoint(50, 20)));  // on the titles
    // Within the drag distance the move is held back, so it does not sweep the selection.
    EXPECT_TRUE(w.gridMouseMove(Qt::LeftButton, Qt::NoModifier, start + QPoint(1, 0)));
    EXPECT_EQ(w.gridPressPos, start);

    EXPECT_TRUE(w.gridDragOver(w.grid));
    EXPECT_FALSE(w.gridDragOver(w.tree));
    w.edFilter->setText("nic takového");
    w.toolFilterClick();
    EXPECT_FALSE(w.gridDragOver(w.grid));  // nothing to drag
    EXPECT_FALSE(w.gridMouseMove(Qt::LeftButton, Qt::NoModifier, start + QPoint(0, 30)));
}

}  // namespace
