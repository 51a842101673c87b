#include "catalogue.h"

namespace {

using Idents = CatalogueTest;

TEST_F(Idents, NewIdentIsTheHighestPlusOneAndReusesAFreedTop)
{
    EXPECT_EQ(data.NewIdent("TYPY"), 1);
    EXPECT_EQ(data.NewIdent("MATR"), 1);
    Sql("INSERT INTO MATR (IDENT, IDTYP) VALUES(3,0);INSERT INTO MATR (IDENT, IDTYP) VALUES(41,0)");
    EXPECT_EQ(data.NewIdent("MATR"), 42);
    Sql("DELETE FROM MATR WHERE IDENT=41");
    EXPECT_EQ(data.NewIdent("MATR"), 4);
    EXPECT_FALSE(data.query.Active());
}

TEST_F(Idents, NewIdentErrorPassesWithTheQueryClosed)
{
    EXPECT_TRUE(ErrorOf([&] { data.NewIdent("NIC"); }).contains("NIC"));
    EXPECT_FALSE(data.query.Active());
    EXPECT_EQ(data.NewIdent("TYPY"), 1);  // the shared query still serves
}

TEST_F(Idents, MoveChangesOnlyTheGroup)
{
    Sql("INSERT INTO MATR VALUES(7,2,'šroub','M6','regál 1','/doc/a.pdf','obsah')");
    EXPECT_TRUE(data.MoveItemToGroup(7, 0));
    EXPECT_EQ(Value("SELECT IDENT||'|'||IDTYP||'|'||NAZEV||'|'||POPIS||'|'||MISTO||'|'||PATH_DOK||'|'||OBSAH FROM MATR"),
              "7|0|šroub|M6|regál 1|/doc/a.pdf|obsah");
    EXPECT_FALSE(data.db.TransactionActive());
}

TEST_F(Idents, FailedMoveAnswersFalseAndChangesNothing)
{
    Sql("INSERT INTO MATR (IDENT, IDTYP) VALUES(7,2);"
        "CREATE TRIGGER refuse BEFORE UPDATE ON MATR BEGIN SELECT RAISE(ABORT,'ne'); END");
    EXPECT_FALSE(data.MoveItemToGroup(7, 5));
    EXPECT_EQ(Value("SELECT IDTYP FROM MATR"), "2");
    EXPECT_FALSE(data.db.TransactionActive());
}

TEST_F(Idents, PlacesAreDistinctIgnoringCaseTrimmedAndInCzechOrder)
{
    Sql("INSERT INTO MATR (IDENT, MISTO) VALUES(1,'Regál');"
        "INSERT INTO MATR (IDENT, MISTO) VALUES(2,'REGÁL');"
        "INSERT INTO MATR (IDENT, MISTO) VALUES(3,'chodba');"
        "INSERT INTO MATR (IDENT, MISTO) VALUES(4,'hala');"
        "INSERT INTO MATR (IDENT, MISTO) VALUES(5,'   ');"
        "INSERT INTO MATR (IDENT, MISTO) VALUES(6,NULL);"
        "INSERT INTO MATR (IDENT, MISTO) VALUES(7,'');"
        "INSERT INTO MATR (IDENT, MISTO) VALUES(8,'Čtvrtá');"
        "INSERT INTO MATR (IDENT, MISTO) VALUES(9,'cesta');"
        "INSERT INTO MATR (IDENT, MISTO) VALUES(10,'hala ');"
        "INSERT INTO MATR (IDENT, MISTO) VALUES(11,'regál')");
    QStringList places{"stará položka"};
    data.ListPlaces(places);
    ASSERT_EQ(places.size(), 6);
    EXPECT_EQ(places.mid(0, 5), QStringList({"cesta", "Čtvrtá", "hala", "hala", "chodba"}));
    EXPECT_EQ(places[5].toLower(), "regál");  // one of the written forms
    EXPECT_EQ(places.count(places[5]), 1);
}

}  // namespace
