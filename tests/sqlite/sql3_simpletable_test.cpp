#include "sql3_testdb.h"

#include "sqlite/sql3_simpletable.h"

#include <gtest/gtest.h>

namespace {

struct ReaderTest : ::testing::Test {
    TempDatabase t;
    TMeral3SimpleTable reader{&t.db};

    void SetUp() override
    {
        t.db.ExecSQL(QStringLiteral("create table \"Sklad ž\"(A integer, \"B b\" text, C);"
                                    "insert into \"Sklad ž\" values(1, 'jedna', null);"
                                    "insert into \"Sklad ž\" values(2, 'dvě', 'x');"
                                    "insert into \"Sklad ž\" values(3, 'tři', 'y');"
                                    "create table Empty(a)"));
    }
};

TEST_F(ReaderTest, BuildsItsStatementFromTheProperties)
{
    reader.SetTableName(QStringLiteral("Sklad ž"));
    reader.SetColumnList("A;B b");
    reader.SetFilter("A > 1");
    reader.SetOrderField("A desc");  // not a plain name: quoted as one, so the order stays ascending
    reader.SetOrderField("C,A");
    reader.Open();
    EXPECT_EQ(reader.ColCount(), 2);
    EXPECT_EQ(reader.RowCount(), 2);
    EXPECT_EQ(reader.ColumnName(1), "B b");
    EXPECT_EQ(reader.Cell(1, 0), QStringLiteral("dvě"));
    EXPECT_EQ(reader.CellByName("b B", 1), QStringLiteral("tři"));

    reader.SetTableName(QStringLiteral("Sklad ž"));  // forgets columns, filter and order
    reader.Open();
    EXPECT_EQ(reader.ColCount(), 3);
    EXPECT_EQ(reader.RowCount(), 3);
    EXPECT_EQ(reader.Cell(2, 0), "");  // NULL
}

TEST_F(ReaderTest, CellsOutsideTheResultAreEmpty)
{
    reader.Open(QStringLiteral("select A, C from \"Sklad ž\" order by A"));
    EXPECT_EQ(reader.Cell(1, 2), "y");
    EXPECT_EQ(reader.Cell(2, 0), "");   // not the next row's first cell
    EXPECT_EQ(reader.Cell(0, -1), "");  // not the column names
    EXPECT_EQ(reader.Cell(0, 3), "");
    EXPECT_EQ(reader.Cell(-1, 1), "");
    EXPECT_EQ(reader.ColumnName(2), "");
    EXPECT_EQ(reader.ColumnIndex("c"), 1);
    EXPECT_EQ(reader.ColumnIndex("D"), -1);
    EXPECT_EQ(ErrorOf([&] { reader.CellByName("D", 0); }), "Field 'D' not found");
    reader.SetName("tab");
    EXPECT_EQ(ErrorOf([&] { reader.CellByName("D", 0); }), "tab: Field 'D' not found");
}

TEST_F(ReaderTest, EmptyResultReadsAsOneCellOfTheEmptyText)
{
    reader.SetTableName("Empty");
    reader.Open();
    EXPECT_TRUE(reader.IsEmpty());
    EXPECT_EQ(reader.RowCount(), 1);
    EXPECT_EQ(reader.ColCount(), 1);
    EXPECT_EQ(reader.Cell(0, 0), "Empty");
    EXPECT_EQ(reader.CellByName("whatever", 0), "Empty");
    reader.SetStringIfEmpty(" ");
    EXPECT_EQ(reader.Cell(0, 0), "Empty table");
    reader.SetStringIfEmpty(QStringLiteral("Prázdné"));
    EXPECT_EQ(reader.Cell(0, 0), QStringLiteral("Prázdné"));
}

TEST_F(ReaderTest, ErrorsNameTheMissingPiece)
{
    EXPECT_EQ(ErrorOf([&] { reader.Open(); }), "Missing TableName property!");
    EXPECT_EQ(ErrorOf([&] { reader.Open("select * from Missing"); }), "no such table: Missing");
    EXPECT_EQ(reader.ResultCode(), 1);
    EXPECT_TRUE(reader.IsEmpty());
    const QString cut = QStringLiteral("select 1;") + QChar(0) + QStringLiteral("select * from Missing");
    EXPECT_EQ(ErrorOf([&] { reader.Open(cut); }), "SQL text holds a NUL character at position 9");
    TMeral3SimpleTable lonely;
    EXPECT_EQ(ErrorOf([&] { lonely.Open("select 1"); }), "Not connected!");
}

TEST_F(ReaderTest, EncodingPragmaGivesOneCell)
{
    reader.Open("pragma encoding");
    EXPECT_FALSE(reader.IsEmpty());
    EXPECT_EQ(reader.RowCount(), 1);
    EXPECT_EQ(reader.ColCount(), 1);
    EXPECT_EQ(reader.Cell(0, 0), "UTF-8");
}

}  // namespace
