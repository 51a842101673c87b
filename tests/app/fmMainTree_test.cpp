#include "mainwindow_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTest>

namespace {

// Groups in three levels and items in most of them:
//   Archiv(4) > Krabice(5)
//   Sklad(1) > Police(2) > Šuplík(3)
//            > Regál(6)
class GroupTreePane : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Sql("INSERT INTO TYPY VALUES(1,0,0,'Sklad','Hlavní sklad');"
            "INSERT INTO TYPY VALUES(2,1,1,'Police','');"
            "INSERT INTO TYPY VALUES(3,2,2,'Šuplík','  ');"
            "INSERT INTO TYPY VALUES(4,0,0,'Archiv','');"
            "INSERT INTO TYPY VALUES(5,4,1,'Krabice','');"
            "INSERT INTO TYPY VALUES(6,1,1,'Regál','');"
            "INSERT INTO MATR VALUES(10,1,'Kladivo','','A',NULL,NULL);"
            "INSERT INTO MATR VALUES(11,2,'Pilka','','B',NULL,NULL);"
            "INSERT INTO MATR VALUES(12,3,'Šroubek','','C',NULL,NULL);"
            "INSERT INTO MATR VALUES(13,5,'Pořadač','','D',NULL,NULL);"
            "INSERT INTO MATR VALUES(14,0,'Lepidlo','','E',NULL,NULL);"
            "INSERT INTO MATR VALUES(15,NULL,'Provázek','','F',NULL,NULL);");
        Open();
    }

    // TYPY as "IDENT:PARENT:LEVEL" in identifier order.
    QStringList Rows() { return Column("SELECT IDENT||':'||PARENT||':'||LEVEL FROM TYPY ORDER BY IDENT"); }
    static QStringList Sorted(QStringList list)
    {
        list.sort();
        return list;
    }
};

TEST_F(GroupTreePane, SelectingABranchShowsItsItemsAndEndsTheTextFilter)
{
    TfMain& w = *window;
    EXPECT_EQ(Sorted(ListedItems()), QStringList({"10", "11", "12", "13", "14", "15"}));

    w.edFilter->setText("kla");
    w.filterText = "KLA";
    Select(Node(1));
    EXPECT_TRUE(w.filterText.isEmpty());
    EXPECT_TRUE(w.edFilter->text().isEmpty());
    EXPECT_EQ(Sorted(ListedItems()), QStringList({"10", "11", "12"}));
    EXPECT_EQ(w.StatusText(0), "Hlavní sklad");

    Select(Node(2));  // from one branch to another: the list is re-read
    EXPECT_EQ(Sorted(ListedItems()), QStringList({"11", "12"}));
    Select(Node(3));
    EXPECT_EQ(w.StatusText(0), "Šuplík");  // a blank description shows the node's text

    Select(NoGroup());  // an empty group identifier counts as 0
    EXPECT_EQ(Sorted(ListedItems()), QStringList({"14", "15"}));
    EXPECT_EQ(w.StatusText(0), "NEZAŘAZENO");

    Select(AllItems());
    EXPECT_FALSE(w.table.Filtered());
    EXPECT_EQ(ListedItems().size(), 6);

    // A text filter selects the all-items node and filters on its own.
    w.filterText = "PILKA";
    w.treeChange(AllItems());
    EXPECT_TRUE(w.table.Filtered());
    EXPECT_EQ(ListedItems(), QStringList({"11"}));
}

TEST_F(GroupTreePane, TheGroupColumnShowsTheGroupName)
{
    TDataSetModel& model = *window->gridModel;
    QStringList cells;
    for (int row = 0; row < model.rowCount(); ++row)
        cells << model.data(model.index(row, 0)).toString() + "=" + model.data(model.index(row, 1)).toString();
    cells.sort();
    EXPECT_EQ(cells, QStringList({"10=Sklad", "11=Police", "12=Šuplík", "13=Krabice", "14=", "15="}));
}

TEST_F(GroupTreePane, ABranchCollectsAtMost127GroupsInPreOrder)
{
    // Group 100 with 130 subgroups 101…230, one item in each of them.
    QString script = "BEGIN;INSERT INTO TYPY VALUES(100,0,0,'Velká','');";
    for (int i = 101; i <= 230; ++i)
        script += QString("INSERT INTO TYPY VALUES(%1,100,1,'P%2','');INSERT INTO MATR VALUES(%1,%1,'x','','',NULL,NULL);")
                      .arg(i)
                      .arg(i, 3, 10, QChar('0'));
    script += "INSERT INTO TYPY VALUES(300,101,2,'Vnuk','');COMMIT;";
    Sql(script);
    window->ReloadAndSelect(100);
    TfMain& w = *window;
    EXPECT_EQ(w.groupIdCount, 127);
    EXPECT_EQ(w.groupIds[0], 100);
    EXPECT_EQ(w.groupIds[1], 101);
    EXPECT_EQ(w.groupIds[2], 300);  // below its parent, before the parent's next sibling
    EXPECT_EQ(w.groupIds[3], 102);
    EXPECT_EQ(w.groupIds[126], 225);
    const QStringList listed = ListedItems();
    EXPECT_EQ(listed.size(), 125);
    EXPECT_TRUE(listed.contains("225"));
    EXPECT_FALSE(listed.contains("226"));
}

TEST_F(GroupTreePane, TheSpecialNodesCannotBeEditedOrDeleted)
{
    TfMain& w = *window;
    const QStringList before = Rows();
    Select(AllItems());
    w.toolEditG->trigger();
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->text, "Větev \"VŠECHNY POLOŽKY\" nelze editovat!");
    EXPECT_EQ(LastMessage()->caption, "Upravit položku");
    EXPECT_EQ(LastMessage()->icon, QMessageBox::Critical);
    EXPECT_EQ(LastMessage()->owner, &w);

    Select(NoGroup());
    w.toolDelG->trigger();
    EXPECT_EQ(LastMessage()->text, "Větev \"NEZAŘAZENO\" nelze vymazat!");
    EXPECT_EQ(LastMessage()->caption, "Vymazat");
    w.toolEditGClick();
    EXPECT_EQ(LastMessage()->text, "Větev \"NEZAŘAZENO\" nelze editovat!");
    EXPECT_EQ(Rows(), before);
    EXPECT_EQ(MessageBoxAnswers::History().size(), 3u);
}

TEST_F(GroupTreePane, OnlyAnEmptyLeafGroupIsDeletedAndOnlyAfterYes)
{
    TfMain& w = *window;
    Select(Node(2));  // has a subgroup
    w.toolDelGClick();
    EXPECT_EQ(LastMessage()->text, "Větev \"Police\" není prázdná!");
    EXPECT_EQ(LastMessage()->icon, QMessageBox::Critical);
    Select(Node(3));  // a leaf with an item
    w.toolDelGClick();
    EXPECT_EQ(LastMessage()->text, "Větev \"Šuplík\" není prázdná!");

    Select(Node(6));  // an empty leaf
    MessageBoxAnswers::Queue(QMessageBox::No);
    w.toolDelGClick();
    EXPECT_EQ(LastMessage()->text, "Vymazat větev \"Regál\"?");
    EXPECT_EQ(LastMessage()->icon, QMessageBox::Warning);
    EXPECT_EQ(Rows().size(), 6);
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    w.toolDelGClick();
    EXPECT_EQ(Rows(), QStringList({"1:0:0", "2:1:1", "3:2:2", "4:0:0", "5:4:1"}));
    EXPECT_EQ(Node(6), nullptr);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM MATR"), "6");
    EXPECT_NE(w.SelectedNode(), nullptr);  // another node took the selection
}

TEST_F(GroupTreePane, ACancelledNewGroupLeavesNoRowAndAConfirmedOneIsSelected)
{
    TfMain& w = *window;
    Select(Node(3));  // depth 2
    QString caption, branch;
    WhenModal([&](QDialog& d) {
        caption = d.windowTitle();
        branch = Control<QLabel>(d, "textBranch")->text();
        Control<QPushButton>(d, "bCan")->click();
    });
    w.toolNewG->trigger();
    EXPECT_EQ(caption, "Přidat položku");
    EXPECT_EQ(branch, "Šuplík");
    EXPECT_EQ(Rows().size(), 6);

    WhenModal([&](QDialog& d) {
        TypeText(Control<QLineEdit>(d, "edNazev"), "Přihrádka");
        Control<QPushButton>(d, "bOK")->click();
    });
    w.toolNewGClick();
    EXPECT_EQ(Rows().last(), "7:3:3");  // a subgroup at depth 3
    ASSERT_NE(w.SelectedNode(), nullptr);
    EXPECT_EQ(w.SelectedNode()->text(0), "Přihrádka");
    EXPECT_EQ(w.SelectedNode()->parent(), Node(3));

    // With a special node selected the new group goes to the top level.
    Select(AllItems());
    WhenModal([&](QDialog& d) {
        branch = Control<QLabel>(d, "textBranch")->text();
        Control<QPushButton>(d, "bOK")->click();
    });
    w.toolNewGClick();
    EXPECT_EQ(branch, "Kořenová větev");
    EXPECT_EQ(Rows().last(), "8:0:0");

    WhenModal([&](QDialog& d) {
        caption = d.windowTitle();
        Control<QPushButton>(d, "bOK")->click();
    });
    w.toolNewRGClick();
    EXPECT_EQ(caption, "Přidat kořenovou položku");
    EXPECT_EQ(Rows().last(), "9:0:0");
}

TEST_F(GroupTreePane, EditingAGroupShowsItsParentAsBranch)
{
    TfMain& w = *window;
    Select(Node(1));
    QString branch, caption;
    WhenModal([&](QDialog& d) {
        branch = Control<QLabel>(d, "textBranch")->text();
        caption = d.windowTitle();
        Control<QLineEdit>(d, "edNazev")->setText("Dílna");
        Control<QPushButton>(d, "bOK")->click();
    });
    emit w.tree->itemDoubleClicked(Node(1), 0);
    EXPECT_EQ(branch, "Kořenová větev");
    EXPECT_EQ(caption, "Upravit položku");
    EXPECT_EQ(w.SelectedNode()->text(0), "Dílna");

    Select(Node(3));
    WhenModal([&](QDialog& d) {
        branch = Control<QLabel>(d, "textBranch")->text();
        d.reject();
    });
    w.toolEditGClick();
    EXPECT_EQ(branch, "Police");
}

TEST_F(GroupTreePane, DragsOntoItselfItsSubgroupsOrTheSpecialNodesAreRefused)
{
    TfMain& w = *window;
    QObject* fromTree = w.tree;
    QObject* fromList = w.grid;
    Select(Node(2));
    EXPECT_FALSE(w.treeDragOver(fromTree, Node(2)));
    EXPECT_FALSE(w.treeDragOver(fromTree, Node(3)));
    EXPECT_FALSE(w.treeDragOver(fromTree, AllItems()));
    EXPECT_FALSE(w.treeDragOver(fromTree, NoGroup()));
    EXPECT_FALSE(w.treeDragOver(fromTree, nullptr));
    EXPECT_EQ(w.draggedGroupId, 0);
    EXPECT_TRUE(w.treeDragOver(fromTree, Node(1)));  // its own parent is a valid target
    EXPECT_EQ(w.draggedGroupId, 2);
    EXPECT_TRUE(w.treeDragOver(fromTree, Node(5)));
    EXPECT_FALSE(w.treeDragOver(fromTree, Node(3)));
    EXPECT_EQ(w.draggedGroupId, 0);  // every refused position resets it

    Select(NoGroup());
    EXPECT_FALSE(w.treeDragOver(fromTree, Node(1)));

    // Items from the list go onto any group or onto "NEZAŘAZENO".
    EXPECT_TRUE(w.treeDragOver(fromList, NoGroup()));
    EXPECT_TRUE(w.treeDragOver(fromList, Node(3)));
    EXPECT_FALSE(w.treeDragOver(fromList, AllItems()));
    EXPECT_EQ(w.draggedGroupId, 0);
}

TEST_F(GroupTreePane, AConfirmedDropStoresTheWholeSubtreeAndNoLeavesEverything)
{
    TfMain& w = *window;
    Select(Node(2));
    ASSERT_TRUE(w.treeDragOver(w.tree, Node(5)));
    MessageBoxAnswers::Queue(QMessageBox::No);
    w.treeDragDrop(w.tree, Node(5));
    EXPECT_EQ(LastMessage()->text, "Přesunout větev Police do Krabice?");
    EXPECT_EQ(LastMessage()->caption, "Přesunout");
    EXPECT_EQ(LastMessage()->icon, QMessageBox::Question);
    EXPECT_EQ(w.draggedGroupId, 0);
    QTreeWidgetItem* before = Node(2);
    w.treeEndDrag();
    EXPECT_EQ(Node(2), before);  // no reload
    EXPECT_EQ(Node(2)->parent(), Node(1));
    EXPECT_EQ(Rows(), QStringList({"1:0:0", "2:1:1", "3:2:2", "4:0:0", "5:4:1", "6:1:1"}));

    ASSERT_TRUE(w.treeDragOver(w.tree, Node(5)));
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    w.treeDragDrop(w.tree, Node(5));
    w.treeEndDrag();
    EXPECT_EQ(Rows(), QStringList({"1:0:0", "2:5:2", "3:2:3", "4:0:0", "5:4:1", "6:1:1"}));
    ASSERT_NE(w.SelectedNode(), nullptr);
    EXPECT_EQ(w.SelectedNode(), Node(2));
    EXPECT_EQ(Node(2)->parent(), Node(5));
    EXPECT_TRUE(Node(5)->isExpanded());
    EXPECT_EQ(w.draggedGroupId, 0);
    EXPECT_EQ(Sorted(ListedItems()), QStringList({"11", "12"}));
}

TEST_F(GroupTreePane, MoveToTheRootIsOfferedBelowTheTopLevelAndStoresNewLevels)
{
    TfMain& w = *window;
    QAction* toRoot = w.popupTree->actions().last();
    EXPECT_EQ(QString(toRoot->text()).remove(u'&'), "Přesunout do kořenové větve");
    Select(Node(1));
    w.popupTreePopup();
    EXPECT_FALSE(toRoot->isEnabled());
    Select(Node(2));
    w.popupTreePopup();
    ASSERT_TRUE(toRoot->isEnabled());

    // A right click selects the node under the mouse before the menu opens.
    const QPoint onShelf = w.tree->visualItemRect(Node(3)).center();
    emit w.tree->customContextMenuRequested(onShelf);
    EXPECT_EQ(w.SelectedNode(), Node(3));
    EXPECT_TRUE(w.popupTree->isVisible());
    EXPECT_TRUE(toRoot->isEnabled());
    w.popupTree->hide();
    Select(Node(2));

    MessageBoxAnswers::Queue(QMessageBox::No);
    toRoot->trigger();
    EXPECT_EQ(LastMessage()->text, "Přesunout Police do kořenové větve?");
    EXPECT_EQ(Rows().at(1), "2:1:1");

    MessageBoxAnswers::Queue(QMessageBox::Yes);
    toRoot->trigger();
    EXPECT_EQ(Rows(), QStringList({"1:0:0", "2:0:0", "3:2:1", "4:0:0", "5:4:1", "6:1:1"}));
    EXPECT_EQ(w.SelectedNode(), Node(2));
    EXPECT_EQ(Node(2)->parent(), nullptr);
    EXPECT_EQ(NoGroup()->text(0), "NEZAŘAZENO");  // still last after the reload
}

TEST_F(GroupTreePane, AFailedMoveIsReportedAndLeavesTypyUnchanged)
{
    Sql("CREATE TRIGGER refuse BEFORE UPDATE ON TYPY WHEN NEW.IDENT=3 BEGIN SELECT RAISE(ABORT,'zamčeno'); END;");
    TfMain& w = *window;
    Select(Node(2));
    ASSERT_TRUE(w.treeDragOver(w.tree, Node(4)));
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    w.treeDragDrop(w.tree, Node(4));
    MessageBoxAnswers::Queue(QMessageBox::No);
    Guarded([&] { w.treeEndDrag(); });
    EXPECT_TRUE(LastMessage()->text.contains("zamčeno")) << LastMessage()->text.toStdString();
    EXPECT_TRUE(LastMessage()->text.endsWith(" Ukončit aplikaci?"));
    EXPECT_EQ(Rows(), QStringList({"1:0:0", "2:1:1", "3:2:2", "4:0:0", "5:4:1", "6:1:1"}));
    EXPECT_FALSE(data.db.TransactionActive());
}

TEST_F(GroupTreePane, NodesStayExpandedAndAreColouredByTheirChildren)
{
    TfMain& w = *window;
    w.tree->collapseItem(Node(1));
    EXPECT_TRUE(Node(1)->isExpanded());
    EXPECT_EQ(w.tree->font().family(), "Arial");
    EXPECT_EQ(w.tree->font().pointSize(), 9);

    QStyleOptionViewItem option;
    w.treeCustomDrawItem(Node(1), option);
    EXPECT_EQ(option.palette.color(QPalette::Text), QColor(0, 0, 255));
    w.treeCustomDrawItem(Node(3), option);
    EXPECT_EQ(option.palette.color(QPalette::Text), QColor(Qt::black));
    option.state |= QStyle::State_Selected;
    w.treeCustomDrawItem(Node(1), option);
    EXPECT_EQ(option.palette.color(QPalette::HighlightedText), QColor(Qt::white));
}

}  // namespace
