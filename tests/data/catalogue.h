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
    QStringList Column(const QString& sql) { return ColumnOf(data.db, sql); }
    QString Value(const QString& sql) { return Column(sql).value(0); }

    TempWorkFolder folder;  // first: the data module makes its files inside it
    Tdm data;
};
