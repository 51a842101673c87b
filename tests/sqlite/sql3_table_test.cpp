#include "sql3_catalog.h"

#include "sqlite/sql3_table.h"

#include <gtest/gtest.h>

namespace {

struct ItemTable : CatalogDatabase {
    TMeral3Table table;

    explicit ItemTable(int items = 0, const QString& name = QStringLiteral("MATR")) : CatalogDatabase(items)
    {
        table.SetName(QStringLiteral("table"));
        table.SetDatabase(&db);
        table.SetTableName(name);
    }

    QList<int> Idents()
    {
        QList<int> v;
        for (table.First(); !table.Eof(); table.Next())
            v << table.FieldByName(QStringLiteral("IDENT")).AsInteger();
        return v;
    }
};

void AddDocs(TMeral3Database& db)
{
    db.ExecSQL(QStringLiteral("INSERT INTO DOCS VALUES('C:\\a.pdf', 1, 1, x'01');"
                              "INSERT INTO DOCS VALUES('C:\\b''s.pdf', 2, 2, x'02');"
                              "INSERT INTO DOCS VALUES('C:\\c.pdf', 3, 3, x'03')"));
}

}  // namespace

TEST(Table, StatementFromIndexOrColumnsWithTheLocaleCollationOnText)
{
    ItemTable t;
    t.db.Open();
    t.table.SetTableName(QStringLiteral("MATR"));
    t.table.SetIndexName(QStringLiteral("IXMATR"));
    EXPECT_EQ(t.table.BuildSelect(), "SELECT *,_rowid_ FROM MATR ORDER BY NAZEV COLLATE NATIVE,IDTYP");
    t.table.SetIndexName(QStringLiteral("_primary_key"));
    EXPECT_EQ(t.table.BuildSelect(), "SELECT *,_rowid_ FROM MATR ORDER BY IDENT");
    t.table.SetIndexFieldNames(QStringLiteral("MISTO;POPIS,IDENT"));
    EXPECT_TRUE(t.table.IndexName().isEmpty());
    EXPECT_EQ(t.table.BuildSelect(),
              "SELECT *,_rowid_ FROM MATR ORDER BY MISTO COLLATE NATIVE,POPIS COLLATE NATIVE,IDENT");
    t.table.SetFilter(QStringLiteral("IDTYP=2"));
    t.table.SetFiltered(true);
    t.table.SetIndexName(QStringLiteral("IXTYP"));
    EXPECT_TRUE(t.table.IndexFieldNames().isEmpty());
    EXPECT_EQ(t.table.BuildSelect(), "SELECT *,_rowid_ FROM MATR WHERE IDTYP=2 ORDER BY IDTYP,NAZEV COLLATE NATIVE");

    TempDatabase binary;
    binary.db.SetCollation(dcBinary);
    CreateCatalogTables(binary.db);
    TMeral3Table plain;
    plain.SetDatabase(&binary.db);
    plain.SetTableName(QStringLiteral("MATR"));
    plain.SetIndexName(QStringLiteral("IXMATR"));
    EXPECT_EQ(plain.BuildSelect(), "SELECT *,_rowid_ FROM MATR ORDER BY NAZEV,IDTYP");
}

TEST(Table, OpensWithFieldsRequiredMarksAndNoRowIdField)
{
    ItemTable t(3);
    t.table.Open();
    ASSERT_EQ(t.table.Fields().Count(), 7);
    EXPECT_EQ(t.table.Fields()[6].FieldName(), "OBSAH");
    EXPECT_EQ(t.table.Fields()[6].DataType(), ftMemo);
    EXPECT_TRUE(t.table.FieldByName(QStringLiteral("IDENT")).Required());
    EXPECT_FALSE(t.table.FieldByName(QStringLiteral("NAZEV")).Required());
    EXPECT_EQ(t.table.RowIdAlias(), "IDENT");
    EXPECT_EQ(t.table.CurrentRowId(), 1);
    EXPECT_GE(t.table.IndexDefs().size(), 5u);

    TMeral3Table docs;
    docs.SetDatabase(&t.db);
    docs.SetTableName(QStringLiteral("DOCS"));
    AddDocs(t.db);
    docs.Open();
    EXPECT_EQ(docs.Fields().Count(), 4);
    EXPECT_TRUE(docs.FieldByName(QStringLiteral("DOCPATH")).Required());
    EXPECT_EQ(docs.RowIdColumn(), 4);
    EXPECT_EQ(docs.CurrentRowId(), 1);
}

TEST(Table, OrderFollowsTheLocaleIgnoringLetterCase)
{
    ItemTable t;
    t.db.ExecSQL(QStringLiteral("INSERT INTO MATR (IDENT, NAZEV) VALUES(1, 'zeta');"
                                "INSERT INTO MATR (IDENT, NAZEV) VALUES(2, 'Éra');"
                                "INSERT INTO MATR (IDENT, NAZEV) VALUES(3, 'fil');"
                                "INSERT INTO MATR (IDENT, NAZEV) VALUES(4, 'ERB')"));
    t.table.SetIndexName(QStringLiteral("IXMATR"));
    t.table.Open();
    EXPECT_EQ(t.Idents(), (QList<int>{2, 4, 3, 1}));  // Éra, ERB, fil, zeta
}

TEST(Table, DocumentFilterReadsOneRowAndSwitchingItOffKeepsTheRow)
{
    ItemTable t(0, QStringLiteral("DOCS"));
    AddDocs(t.db);
    t.table.SetFilter(QStringLiteral("DOCPATH='C:\\b''s.pdf'"));
    t.table.SetFiltered(true);
    t.table.Open();
    EXPECT_EQ(t.table.RecordCount(), 1);
    EXPECT_EQ(t.table.FieldByName(QStringLiteral("DOCSIZE")).AsInteger(), 2);
    t.table.SetFiltered(false);
    EXPECT_TRUE(t.table.Active());
    EXPECT_EQ(t.table.FieldByName(QStringLiteral("DOCPATH")).AsString(), "C:\\b's.pdf");
    t.table.Last();
    EXPECT_EQ(t.table.RecordCount(), 3);

    // a new condition on an open filtered table applies at once, even when only letter case differs
    t.db.ExecSQL(QStringLiteral("INSERT INTO DOCS VALUES('C:\\C.PDF', 4, 4, NULL)"));
    t.table.SetFilter(QStringLiteral("DOCPATH='C:\\c.pdf'"));
    t.table.SetFiltered(true);
    EXPECT_EQ(t.table.FieldByName(QStringLiteral("DOCSIZE")).AsInteger(), 3);
    t.table.SetFilter(QStringLiteral("DOCPATH='C:\\C.PDF'"));
    EXPECT_EQ(t.table.RecordCount(), 1);
    EXPECT_EQ(t.table.FieldByName(QStringLiteral("DOCSIZE")).AsInteger(), 4);
}

TEST(Table, IndexChangeReordersAndKeepsTheCurrentItem)
{
    ItemTable t(30);
    t.table.SetIndexName(QStringLiteral("IXMATR"));
    t.table.Open();
    ASSERT_TRUE(t.table.Locate(QStringLiteral("IDENT"), 12));
    t.table.SetIndexName(QStringLiteral("IXPOPIS"));
    EXPECT_EQ(t.table.FieldByName(QStringLiteral("IDENT")).AsInteger(), 12);
    t.table.First();
    EXPECT_EQ(t.table.FieldByName(QStringLiteral("IDENT")).AsInteger(), 30);  // POPIS counts down
    t.table.SetTableName(QStringLiteral("MATR"));
    EXPECT_EQ(t.table.IndexName(), "IXPOPIS");
    EXPECT_TRUE(t.table.Active());
    t.table.SetTableName(QStringLiteral("DOCS"));
    EXPECT_TRUE(t.table.IndexName().isEmpty());
    EXPECT_FALSE(t.table.Active());
}

TEST(Table, BadOrderOrFilterFallsBackAndReportsTheValue)
{
    ItemTable t(10);
    t.table.SetIndexName(QStringLiteral("IXPOPIS"));
    t.table.Open();
    EXPECT_EQ(ErrorOf([&] { t.table.SetIndexName(QStringLiteral("NOSUCH")); }), "table: Invalid index!\r\nNOSUCH");
    EXPECT_TRUE(t.table.Active());
    EXPECT_TRUE(t.table.IndexName().isEmpty());
    EXPECT_EQ(t.table.StatementText(), "SELECT *,_rowid_ FROM MATR");

    EXPECT_EQ(ErrorOf([&] { t.table.SetIndexFieldNames(QStringLiteral("BOGUS")); }),
              "table: Invalid index field(s)!\r\nBOGUS");
    EXPECT_TRUE(t.table.Active());

    t.table.SetFilter(QStringLiteral("NAZEV LIKE"));
    EXPECT_EQ(ErrorOf([&] { t.table.SetFiltered(true); }), "table: Invalid filter expression!\r\nNAZEV LIKE");
    EXPECT_TRUE(t.table.Active());
    EXPECT_FALSE(t.table.Filtered());
    EXPECT_EQ(t.Idents().size(), 10);
}

TEST(Table, FilterHandlerNarrowsTheRows)
{
    ItemTable t(40);
    t.table.SetIndexName(QStringLiteral("_primary_key"));
    t.table.SetOnFilterRecord([](TMeral3Command& ds, bool& accept) {
        accept = ds.FieldByName(QStringLiteral("IDTYP")).AsInteger() == 3;
    });
    t.table.Open();
    t.table.SetFiltered(true);
    EXPECT_EQ(t.Idents(), (QList<int>{3, 8, 13, 18, 23, 28, 33, 38}));
    t.table.Locate(QStringLiteral("IDENT"), 23);
    t.table.SetFiltered(false);
    EXPECT_EQ(t.table.FieldByName(QStringLiteral("IDENT")).AsInteger(), 23);
}

TEST(Table, ReadOnlyAndViewsRefuseChanges)
{
    ItemTable t(2);
    t.table.SetReadOnly(true);
    t.table.Open();
    t.table.Edit();
    t.table.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("x"));
    EXPECT_EQ(ErrorOf([&] { t.table.Post(); }), "table: Cannot modify a read-only dataset");
    t.table.Cancel();
    EXPECT_EQ(ErrorOf([&] { t.table.Delete(); }), "table: Cannot modify a read-only dataset");

    t.db.ExecSQL(QStringLiteral("CREATE VIEW V AS SELECT * FROM MATR"));
    TMeral3Table view;
    view.SetDatabase(&t.db);
    view.SetTableName(QStringLiteral("V"));
    view.Open();
    EXPECT_TRUE(view.IsView());
    view.Edit();
    view.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("x"));
    EXPECT_EQ(ErrorOf([&] { view.Post(); }), "Cannot modify a VIEW object!");

    TMeral3Table none;
    none.SetName(QStringLiteral("none"));
    none.SetDatabase(&t.db);
    EXPECT_EQ(ErrorOf([&] { none.Open(); }), "none: Missing TableName property!");
}

TEST(Table, PostsEditsInsertsAndDeletesByRowId)
{
    ItemTable t(0, QStringLiteral("DOCS"));
    AddDocs(t.db);
    t.table.SetAutoRefresh(true);
    t.table.Open();
    t.table.Append();
    EXPECT_EQ(ErrorOf([&] { t.table.Post(); }), "table: Field 'DOCPATH' must have a value");
    t.table.FieldByName(QStringLiteral("DOCPATH")).SetAsString(QStringLiteral("D:\\nový.txt"));
    t.table.FieldByName(QStringLiteral("DOCSIZE")).SetAsLargeInt(5000000000LL);
    t.table.Post();
    EXPECT_EQ(t.table.FieldByName(QStringLiteral("DOCSIZE")).AsLargeInt(), 5000000000LL);
    EXPECT_EQ(t.Value(QStringLiteral("SELECT DOCSIZE FROM DOCS WHERE DOCPATH='D:\\nový.txt'")), "5000000000");
    // the refresh after the post shows what another statement wrote meanwhile
    t.db.ExecSQL(QStringLiteral("INSERT INTO DOCS VALUES('E:\\x', 0, 0, NULL)"));
    t.table.Edit();
    t.table.FieldByName(QStringLiteral("ZIPSIZE")).SetAsInteger(7);
    t.table.Post();
    EXPECT_EQ(t.table.FieldByName(QStringLiteral("DOCPATH")).AsString(), "D:\\nový.txt");
    t.table.Last();
    EXPECT_EQ(t.table.RecordCount(), 5);
    t.table.First();
    t.table.Delete();
    EXPECT_EQ(t.table.FieldByName(QStringLiteral("DOCPATH")).AsString(), "C:\\b's.pdf");
    EXPECT_EQ(t.Value(QStringLiteral("SELECT count(*) FROM DOCS")), "4");
}
