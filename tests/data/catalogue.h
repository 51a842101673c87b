#pragma once

// A real catalogue in a temporary work folder: the data module, connected, with the schema made.

#include "data/uDM.h"

#include "tests/sqlite/sql3_testdb.h"
#include "tests/support/workfolder.h"

#include <gtest/gtest.h>

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(data.OpenCatalogue()); }

    void Sql(const QString& script) { data.db.ExecSQL(script); }
    // From here on every row written to DOCS leaves its path in DocsWrites(), also a rewrite of the same bytes.
    void LogDocsWrites()
    {
        Sql("CREATE TABLE DOCS_WRITES (DOCPATH)");
        Sql("CREATE TRIGGER DOCS_UPDATED AFTER UPDATE ON DOCS BEGIN INSERT INTO DOCS_WRITES VALUES(new.DOCPATH); END");
        Sql("CREATE TRIGGER DOCS_INSERTED AFTER INSERT ON DOCS BEGIN INSERT INTO DOCS_WRITES VALUES(new.DOCPATH); END");
    }
    QStringList DocsWrites() { return Column("SELECT DOCPATH FROM DOCS_WRITES ORDER BY rowid"); }
    void ClearDocsWrites() { Sql("DELETE FROM DOCS_WRITES"); }
    QStringList Column(const QString& sql) { return ColumnOf(data.db, sql); }
    QString Value(const QString& sql) { return Column(sql).value(0); }

    TempWorkFolder folder;  // first: the data module makes its files inside it
    Tdm data;
};
