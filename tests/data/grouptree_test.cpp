#include "data/grouptree.h"

#include "catalogue.h"

#include <QTreeWidget>

namespace {

class GroupTree : public CatalogueTest {
protected:
    // Every node in tree order as indentation, text and identifier: "  name#3".
    QStringList Shape()
    {
        QStringList lines;
        for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
            const TTreeData* payload = TreeData(*it);
            lines << QString(NodeLevel(*it) * 2, ' ') + (*it)->text(0) + '#'
                         + (payload ? QString::number(payload->Ident) : QStringLiteral("none"));
        }
        return lines;
    }
    // TYPY as "IDENT:PARENT:LEVEL" in identifier order.
    QStringList Rows() { return Column("SELECT IDENT||':'||PARENT||':'||LEVEL FROM TYPY ORDER BY IDENT"); }
    QTreeWidgetItem* Node(qint32 ident) { return Tdm::FindGroupNode(&tree, ident); }

    QTreeWidget tree;
};

TEST_F(GroupTree, EmptyCatalogueHasOnlyTheTwoSpecialNodes)
{
    EXPECT_EQ(data.LoadGroupTree(&tree), 0);
    EXPECT_EQ(Shape(), QStringList({"VŠECHNY POLOŽKY#-1", "NEZAŘAZENO#0"}));
    EXPECT_TRUE(TreeData(tree.topLevelItem(0))->Description.isEmpty());
    EXPECT_FALSE(data.query.Active());
}

TEST_F(GroupTree, GroupsNestUnderTheirParentsInCzechNameOrder)
{
    Sql("INSERT INTO TYPY VALUES(1,0,0,'Sklad','hlavní');"
        "INSERT INTO TYPY VALUES(2,1,1,'Chmel','');"
        "INSERT INTO TYPY VALUES(3,1,1,'cukr',NULL);"
        "INSERT INTO TYPY VALUES(4,1,1,'Čaj','zelený');"
        "INSERT INTO TYPY VALUES(5,1,1,'Hřebíky','');"
        "INSERT INTO TYPY VALUES(6,4,2,NULL,NULL);"
        "INSERT INTO TYPY VALUES(7,0,0,'archiv','');");
    EXPECT_EQ(data.LoadGroupTree(&tree), 7);
    EXPECT_EQ(Shape(), QStringList({"VŠECHNY POLOŽKY#-1", "archiv#7", "Sklad#1", "  cukr#3", "  Čaj#4", "    #6",
                                    "  Hřebíky#5", "  Chmel#2", "NEZAŘAZENO#0"}));
    EXPECT_EQ(TreeData(Node(4))->Description, "zelený");
    EXPECT_TRUE(TreeData(Node(6))->Description.isEmpty());
    EXPECT_TRUE(Node(4)->isExpanded());
    EXPECT_TRUE(Node(1)->isExpanded());

    // A reload replaces everything: nothing is left over from the first load.
    Sql("DELETE FROM TYPY WHERE IDENT<>7");
    EXPECT_EQ(data.LoadGroupTree(&tree), 1);
    EXPECT_EQ(Shape(), QStringList({"VŠECHNY POLOŽKY#-1", "archiv#7", "NEZAŘAZENO#0"}));
}

TEST_F(GroupTree, GroupsWithoutAReachableParentGoToTheTopAndAreSavedThere)
{
    Sql("INSERT INTO TYPY VALUES(1,0,0,'Kořen','');"
        "INSERT INTO TYPY VALUES(2,99,1,'Sirotek','');"        // names no group
        "INSERT INTO TYPY VALUES(3,4,0,'Předběhlý','');"       // read before its parent
        "INSERT INTO TYPY VALUES(4,1,1,'Rodič','');"
        "INSERT INTO TYPY VALUES(5,5,1,'Sám sobě','');"        // its own parent
        "INSERT INTO TYPY VALUES(6,-1,1,'Pod všemi','');");   // under the all-items node
    EXPECT_EQ(data.LoadGroupTree(&tree), 6);
    EXPECT_EQ(Shape(), QStringList({"VŠECHNY POLOŽKY#-1", "  Pod všemi#6", "Kořen#1", "  Rodič#4",
                                    "Předběhlý#3", "Sám sobě#5", "Sirotek#2", "NEZAŘAZENO#0"}));

    data.SaveTreeShape(&tree);
    EXPECT_EQ(Rows(), QStringList({"1:0:0", "2:0:0", "3:0:0", "4:1:1", "5:0:0", "6:-1:1"}));
}

TEST_F(GroupTree, FindGroupNodeNeverFindsTheNoGroupNode)
{
    Sql("INSERT INTO TYPY VALUES(1,0,0,'A','');INSERT INTO TYPY VALUES(2,1,1,'B','')");
    data.LoadGroupTree(&tree);
    EXPECT_EQ(Node(0), nullptr);
    EXPECT_EQ(Node(-1), tree.topLevelItem(0));
    EXPECT_EQ(Node(2)->text(0), "B");
    EXPECT_EQ(Node(3), nullptr);
    EXPECT_EQ(TreeData(nullptr), nullptr);
    QTreeWidgetItem foreign(&tree, QStringList{"cizí"});
    EXPECT_EQ(TreeData(&foreign), nullptr);
}

TEST_F(GroupTree, CopiedNodesCarryTheirOwnPayloads)
{
    Sql("INSERT INTO TYPY VALUES(1,0,0,'A','popis');INSERT INTO TYPY VALUES(2,1,1,'B','')");
    data.LoadGroupTree(&tree);
    std::unique_ptr<QTreeWidgetItem> copy(Node(1)->clone());
    ASSERT_NE(TreeData(copy.get()), nullptr);
    EXPECT_EQ(TreeData(copy.get())->Description, "popis");
    EXPECT_NE(TreeData(copy.get()), TreeData(Node(1)));
    EXPECT_EQ(TreeData(copy->child(0))->Ident, 2);
}

TEST_F(GroupTree, MovingAGroupWithTwoLevelsBelowItRewritesTheWholeBranch)
{
    Sql("INSERT INTO TYPY VALUES(1,0,0,'A','');INSERT INTO TYPY VALUES(2,1,1,'B','');"
        "INSERT INTO TYPY VALUES(3,2,2,'C','');INSERT INTO TYPY VALUES(4,0,0,'D','');"
        "INSERT INTO TYPY VALUES(5,4,1,'E','')");
    data.LoadGroupTree(&tree);
    QTreeWidgetItem* moved = tree.takeTopLevelItem(tree.indexOfTopLevelItem(Node(1)));
    Node(5)->addChild(moved);  // as a drop does: the node travels with its subtree

    data.SaveTreeShape(&tree);
    EXPECT_EQ(Rows(), QStringList({"1:5:2", "2:1:3", "3:2:4", "4:0:0", "5:4:1"}));
    EXPECT_FALSE(data.db.TransactionActive());
    data.LoadGroupTree(&tree);
    EXPECT_EQ(Shape(), QStringList({"VŠECHNY POLOŽKY#-1", "D#4", "  E#5", "    A#1", "      B#2", "        C#3",
                                    "NEZAŘAZENO#0"}));
}

TEST_F(GroupTree, AFailureDuringTheSaveLeavesEveryGroupAsItWas)
{
    Sql("INSERT INTO TYPY VALUES(1,0,0,'A','');INSERT INTO TYPY VALUES(2,0,0,'B','');"
        "INSERT INTO TYPY VALUES(3,2,1,'C','');"
        "CREATE TRIGGER refuse BEFORE UPDATE ON TYPY WHEN NEW.IDENT=2 BEGIN SELECT RAISE(ABORT,'odmítnuto'); END");
    data.LoadGroupTree(&tree);
    Node(1)->addChild(Node(2)->takeChild(0));  // A, then the moved C are written before B fails

    EXPECT_TRUE(ErrorOf([&] { data.SaveTreeShape(&tree); }).contains("odmítnuto"));
    EXPECT_EQ(Rows(), QStringList({"1:0:0", "2:0:0", "3:2:1"}));
    EXPECT_FALSE(data.db.TransactionActive());
}

TEST_F(GroupTree, AFailedLoadClosesTheQueryAndKeepsWhatWasRead)
{
    Sql("DROP TABLE TYPY");
    EXPECT_NE(ErrorOf([&] { data.LoadGroupTree(&tree); }), "<no error>");
    EXPECT_EQ(Shape(), QStringList({"VŠECHNY POLOŽKY#-1"}));
    EXPECT_FALSE(data.query.Active());
}

}  // namespace
