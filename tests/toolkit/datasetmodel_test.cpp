#include "tests/sqlite/sql3_catalog.h"
#include "toolkit/datasetmodel.h"

#include "sqlite/sql3_table.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

struct ModelFixture : CatalogDatabase {
    TMeral3Table table;
    TDataSetModel model;

    explicit ModelFixture(int items) : CatalogDatabase(items)
    {
        table.SetDatabase(&db);
        table.SetTableName(QStringLiteral("MATR"));
        table.SetIndexName(QStringLiteral("_primary_key"));
        model.SetDataSet(&table);
        model.SetColumns({QStringLiteral("IDENT"), QStringLiteral("NAZEV"), QStringLiteral("POPIS")});
    }

    QString Cell(int row, int column) { return model.data(model.index(row, column)).toString(); }
};

}  // namespace

TEST(DataSetModel, FetchesLazilyAndPassesTheModelTester)
{
    ModelFixture t(1000);
    QAbstractItemModelTester tester(&t.model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    t.table.Open();
    EXPECT_EQ(t.model.rowCount(), 8);
    EXPECT_EQ(t.model.columnCount(), 3);
    EXPECT_EQ(t.Cell(0, 1), "Položka 001");
    EXPECT_TRUE(t.model.canFetchMore(QModelIndex()));
    t.model.fetchMore(QModelIndex());
    EXPECT_GE(t.model.rowCount(), 64);
    EXPECT_LT(t.model.rowCount(), 100);
    EXPECT_EQ(t.Cell(70, 0), "71");

    QTableView view;
    view.resize(400, 300);
    view.setModel(&t.model);
    view.show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    EXPECT_LT(t.table.RecordCount(), 300);  // a screenful, not the table
    view.scrollToBottom();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    EXPECT_LT(t.table.RecordCount(), 1000);

    t.table.Last();
    EXPECT_EQ(t.model.rowCount(), 1000);
    EXPECT_FALSE(t.model.canFetchMore(QModelIndex()));
    t.table.Close();
    EXPECT_EQ(t.model.rowCount(), 0);
}

TEST(DataSetModel, CurrentRowFollowsTheRecordSetBothWays)
{
    ModelFixture t(100);
    QItemSelectionModel selection(&t.model);
    t.model.BindSelection(&selection);
    t.table.Open();
    EXPECT_EQ(selection.currentIndex().row(), 0);
    selection.setCurrentIndex(t.model.index(5, 0), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(t.table.FieldByName(QStringLiteral("IDENT")).AsInteger(), 6);
    t.table.Next();
    EXPECT_EQ(selection.currentIndex().row(), 6);
    t.table.Locate(QStringLiteral("IDENT"), 90);  // beyond the rows shown so far
    EXPECT_EQ(selection.currentIndex().row(), 89);
    EXPECT_EQ(t.Cell(89, 0), "90");
    t.table.Requery();
    EXPECT_EQ(selection.currentIndex().row(), 89);
}

TEST(DataSetModel, ShowsOnlyAcceptedRowsAndFollowsChanges)
{
    ModelFixture t(500);
    QAbstractItemModelTester tester(&t.model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    t.table.SetOnFilterRecord([](TMeral3Command& ds, bool& accept) {
        accept = ds.FieldByName(QStringLiteral("IDTYP")).AsInteger() == 2;
    });
    t.table.Open();
    t.table.SetFiltered(true);
    while (t.model.canFetchMore(QModelIndex()))
        t.model.fetchMore(QModelIndex());
    ASSERT_EQ(t.model.rowCount(), 100);
    EXPECT_EQ(t.Cell(0, 0), "2");
    EXPECT_EQ(t.Cell(99, 0), "497");
    EXPECT_EQ(t.model.headerData(1, Qt::Horizontal).toString(), "NAZEV");
    t.table.FieldByName(QStringLiteral("NAZEV")).SetDisplayLabel(QStringLiteral("Označení"));
    EXPECT_EQ(t.model.headerData(1, Qt::Horizontal).toString(), "Označení");

    QSignalSpy changed(&t.model, &QAbstractItemModel::dataChanged);
    t.table.Edit();
    t.table.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("upraveno"));
    EXPECT_GE(changed.count(), 1);
    EXPECT_EQ(t.Cell(0, 1), "upraveno");
    t.table.Post();
    t.table.Delete();
    EXPECT_EQ(t.model.rowCount(), 99);
    EXPECT_EQ(t.Cell(0, 0), "7");
}
