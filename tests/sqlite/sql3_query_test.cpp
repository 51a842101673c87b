#include "sql3_catalog.h"

#include "sqlite/sql3_query.h"

#include <gtest/gtest.h>

TEST(Query, ParametersComeFromTheStatementAndBindOnOpen)
{
    CatalogDatabase t(5);
    TMeral3Query q;
    q.SetName(QStringLiteral("q"));
    q.SetDatabase(&t.db);
    q.SetSQL(QStringLiteral("SELECT IDENT,NAZEV FROM MATR WHERE IDENT=:ident OR NAZEV=':skip' OR IDENT=:IDENT"));
    ASSERT_EQ(q.Params().Count(), 1);
    EXPECT_EQ(q.Params()[0].Name, "ident");
    q.ParamByName(QStringLiteral("IDENT")).SetAsInteger(3);
    q.Open();
    EXPECT_EQ(q.FieldByName(QStringLiteral("NAZEV")).AsString(), "Položka 003");
    EXPECT_EQ(ErrorOf([&] { q.ParamByName(QStringLiteral("other")); }), "q: Parameter 'other' not found");
    // the same text again keeps the parameter values
    q.Close();
    q.SetSQL(QStringLiteral("SELECT IDENT,NAZEV FROM MATR WHERE IDENT=:ident OR NAZEV=':skip' OR IDENT=:IDENT"));
    q.Open();
    EXPECT_EQ(q.FieldByName(QStringLiteral("IDENT")).AsInteger(), 3);
}

TEST(Query, LinesEditedInPlaceApplyOnlyWhenAsked)
{
    CatalogDatabase t(5);
    TMeral3Query q;
    q.SetDatabase(&t.db);
    q.SQLLines() << QStringLiteral("SELECT count(*) N") << QStringLiteral("FROM MATR");
    q.Open();  // no statement yet: the lines are taken
    EXPECT_EQ(q.FieldByName(QStringLiteral("N")).AsInteger(), 5);
    q.Close();
    q.SQLLines().last() = QStringLiteral("FROM MATR WHERE IDENT < 3");
    q.Open();
    EXPECT_EQ(q.FieldByName(QStringLiteral("N")).AsInteger(), 5);
    q.ApplySQL();
    EXPECT_FALSE(q.Active());  // a new statement closes the record set
    q.Open();
    EXPECT_EQ(q.FieldByName(QStringLiteral("N")).AsInteger(), 2);
    EXPECT_EQ(q.StatementText(), "SELECT count(*) N\r\nFROM MATR WHERE IDENT < 3");
}

TEST(Query, CommandWithoutResultRunsAndStaysClosed)
{
    CatalogDatabase t(5);
    TMeral3Query q;
    q.SetDatabase(&t.db);
    q.SetSQL(QStringLiteral("UPDATE MATR SET MISTO='sklad'"));
    q.Open();
    EXPECT_FALSE(q.Active());
    EXPECT_EQ(t.Value(QStringLiteral("SELECT count(*) FROM MATR WHERE MISTO='sklad'")), "5");
}

TEST(Query, MisuseIsReportedWithTheNamedTexts)
{
    CatalogDatabase t;
    TMeral3Query q;
    q.SetName(QStringLiteral("q"));
    EXPECT_EQ(ErrorOf([&] { q.Open(); }), "q: Missing Database property!");
    q.SetDatabase(&t.db);
    EXPECT_EQ(ErrorOf([&] { q.Open(); }), "q: Invalid SQL command!");
    q.SetSQL(QStringLiteral("SELECT nope FROM MATR"));
    EXPECT_EQ(ErrorOf([&] { q.Open(); }), "db: no such column: nope");
    EXPECT_FALSE(q.Active());
}

TEST(Query, DisconnectClosesAndDestroyingTheConnectionIsSafe)
{
    auto t = std::make_unique<CatalogDatabase>(3);
    TMeral3Query q;
    q.SetDatabase(&t->db);
    q.SetSQL(QStringLiteral("SELECT * FROM MATR"));
    q.Open();
    t->db.Close();
    EXPECT_FALSE(q.Active());
    q.Open();  // connects on demand
    EXPECT_EQ(q.RecordCount(), 3);
    t.reset();
    EXPECT_FALSE(q.Active());
    EXPECT_EQ(q.Database(), nullptr);
}
