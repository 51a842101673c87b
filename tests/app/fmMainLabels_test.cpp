#include "mainwindow_fixture.h"

#include "report/report.h"
#include "reports/labelcode.h"
#include "reports/rpCommon.h"
#include "tests/reports/keyboardlayout.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

namespace {

// A catalogue long enough to scroll, with an item deep in a branch and places that differ only in
// letter case; codes are typed into the filter box key by key and ended with Enter.
class LabelScan : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Sql("INSERT INTO TYPY VALUES(1,0,0,'Sklad','');"
            "INSERT INTO TYPY VALUES(2,1,1,'Police','');"
            "INSERT INTO MATR VALUES(1,2,'Žárovka E27','','Regál A',NULL,NULL);"
            "INSERT INTO MATR VALUES(2,1,'Pojistka','','regál a ',NULL,NULL);"
            "INSERT INTO MATR VALUES(3,0,'Bez skupiny','','Šuplík 3',NULL,NULL);");
        for (int i = 10; i < 70; ++i)
            Sql(QStringLiteral("INSERT INTO MATR VALUES(%1,2,'Kabel %1','','Regál B',NULL,NULL);").arg(i));
        Open();
        window->resize(900, 500);
        window->show();
    }

    void Scan(const QString& typed)
    {
        window->edFilter->setFocus();
        TypeText(window->edFilter, typed);
        QTest::keyClick(window->edFilter, Qt::Key_Return);
    }

    qint64 CurrentItem() { return window->tableIDENT->AsLargeInt(); }

    bool CurrentRowInView()
    {
        QTableView& grid = *window->grid;
        const QRect row = grid.visualRect(grid.currentIndex());
        return grid.currentIndex().isValid() && grid.viewport()->rect().contains(row);
    }
};

}  // namespace

TEST_F(LabelScan, anItemCodeTypedOnEitherLayoutMakesTheItemCurrentInItsGroup)
{
    const QString code = ItemLabelCode(1);
    for (const QString& typed : {code, TypedOnCzechLayout(code), TypedWithCapsLock(TypedOnCzechLayout(code))}) {
        SCOPED_TRACE(typed.toStdString());
        Select(NoGroup());
        Scan(typed);
        EXPECT_EQ(window->SelectedNode(), Node(2));
        EXPECT_EQ(CurrentItem(), 1);
        EXPECT_EQ(window->gridModel->data(window->grid->currentIndex().siblingAtColumn(0)).toString(), "1");
        EXPECT_TRUE(CurrentRowInView());
        EXPECT_TRUE(window->edFilter->text().isEmpty());
        EXPECT_EQ(ListedItems().size(), 61);  // the whole branch, no text filter
    }
    // An item outside every group is found among all items, also when scanned after a text filter
    // whose text stays in the box.
    Scan("kabel");
    ASSERT_EQ(window->edFilter->text(), "kabel");
    Scan(TypedOnCzechLayout(ItemLabelCode(3)));
    EXPECT_EQ(window->SelectedNode(), AllItems());
    EXPECT_EQ(CurrentItem(), 3);
    EXPECT_EQ(ListedItems().size(), 63);
}

TEST_F(LabelScan, aPlaceCodeListsTheItemsOfThePlaceUntilAnotherBranchIsChosen)
{
    const QString code = PlaceLabelCode("Regál A");
    for (const QString& typed : {code, TypedOnCzechLayout(code)}) {
        Select(Node(1));
        Scan(typed);
        QStringList listed = ListedItems();
        listed.sort();
        EXPECT_EQ(listed, QStringList({"1", "2"})) << typed.toStdString();
        EXPECT_TRUE(window->StatusText(0).contains("Regál A", Qt::CaseInsensitive)) << window->StatusText(0).toStdString();
    }
    Select(Node(2));
    EXPECT_EQ(ListedItems().size(), 61);
    // Ordinary text after a place filters as before.
    Scan(PlaceLabelCode("šuplík 3"));
    EXPECT_EQ(ListedItems(), QStringList({"3"}));
    Scan("pojistka");
    EXPECT_EQ(ListedItems(), QStringList({"2"}));
}

TEST_F(LabelScan, anUnknownCodeIsReportedAndTheNextScanReplacesIt)
{
    Select(Node(1));
    const QStringList before = ListedItems();
    Scan(TypedOnCzechLayout(ItemLabelCode(4711)));
    EXPECT_TRUE(window->StatusText(0).contains("nepatří")) << window->StatusText(0).toStdString();
    EXPECT_EQ(ListedItems(), before);
    Scan(PlaceLabelCode("Půda"));  // typed over the selected text
    EXPECT_EQ(window->edFilter->text(), PlaceLabelCode("Půda"));
    EXPECT_TRUE(window->StatusText(0).contains(PlaceLabelCode("Půda")));
    Scan(ItemLabelCode(2));
    EXPECT_EQ(CurrentItem(), 2);
    EXPECT_EQ(window->SelectedNode(), Node(1));
}

// The Data menu's "Štítky…": the dialog's choice previews the labels of the listed items, of the
// current one, or of the places.
TEST_F(LabelScan, theLabelsEntryPreviewsTheChosenLabels)
{
    QAction* entry = window->findChild<QAction*>("menuLabels");
    ASSERT_TRUE(entry);
    std::vector<QStringList> previews;
    SetReportPreviewer([&](TReportPageSource& pages, TReport&, QWidget*) {
        QStringList codes;
        for (int i = 1; i <= pages.PageCount(); ++i)
            for (const TPlacedText& text : pages.Page(i).texts)
                if (text.element == "code")
                    codes << text.text;
        previews.push_back(codes);
    });
    const auto choose = [&](int what) {
        WhenModal([what](QDialog& dialog) {
            Control<QComboBox>(dialog, "cbWhat")->setCurrentIndex(what);
            Control<QPushButton>(dialog, "btnOK")->click();
        });
        entry->trigger();
    };
    Scan(ItemLabelCode(2));  // the group "Sklad": its branch holds all but item 3
    choose(0);
    choose(1);
    choose(3);
    SetReportPreviewer({});
    ASSERT_EQ(previews.size(), 3u);
    EXPECT_EQ(previews[0], QStringList({ItemLabelCode(2)}));
    EXPECT_EQ(previews[1].size(), 62);
    EXPECT_EQ(CurrentItem(), 2);  // the list stays on its row
    EXPECT_EQ(previews[2], QStringList({PlaceLabelCode("Regál A"), PlaceLabelCode("Regál B"), PlaceLabelCode("Šuplík 3")}));
}
