#pragma once

// The catalogue's tables in a fresh test database, filled with numbered items.

#include "sql3_testdb.h"

#include "sqlite/sql3_query.h"

inline void CreateCatalogTables(TMeral3Database& db)
{
    db.ExecSQL(QStringLiteral(
        "CREATE TABLE MATR (IDENT INTEGER NOT NULL, IDTYP INTEGER, NAZEV VARCHAR(32), POPIS VARCHAR(64),"
        " MISTO VARCHAR(32), PATH_DOK VARCHAR(255), OBSAH TEXT, PRIMARY KEY (IDENT));"
        "CREATE INDEX IXTYP ON MATR (IDTYP, NAZEV);"
        "CREATE INDEX IXMATR ON MATR (NAZEV,IDTYP);"
        "CREATE INDEX IXPOPIS ON MATR (POPIS);"
        "CREATE INDEX IXMISTO ON MATR (MISTO,POPIS);"
        "CREATE TABLE DOCS (DOCPATH VARCHAR(255) NOT NULL, DOCSIZE INTEGER, ZIPSIZE INTEGER, ZIP BLOB,"
        " PRIMARY KEY (DOCPATH));"));
}

// Items 1..count: NAZEV "Položka 001"..., POPIS counting down, so the two orders differ.
inline void AddItems(TMeral3Database& db, int count, int firstIdent = 1)
{
    db.StartTransaction();
    for (int i = firstIdent; i < firstIdent + count; ++i)
        db.ExecSQL(QStringLiteral("INSERT INTO MATR VALUES(%1, %2, 'Položka %3', 'Popis %4', 'Regál %5', NULL,"
                                  " 'Obsah položky %1')")
                       .arg(i)
                       .arg(i % 5)
                       .arg(i, 3, 10, QLatin1Char('0'))
                       .arg(1000 - i)
                       .arg(i % 7));
    db.Commit();
}

struct CatalogDatabase : TempDatabase {
    explicit CatalogDatabase(int items = 0)
    {
        CreateCatalogTables(db);
        if (items > 0)
            AddItems(db, items);
    }
};

// A live query named "query" over the catalogue.
struct LiveQuery : CatalogDatabase {
    TMeral3Query query;

    explicit LiveQuery(int items = 0) : CatalogDatabase(items)
    {
        query.SetName(QStringLiteral("query"));
        query.SetDatabase(&db);
        query.SetRequestLive(true);
    }

    void OpenOn(const QString& sql)
    {
        query.Close();
        query.SetSQL(sql);
        query.Open();
    }
};
