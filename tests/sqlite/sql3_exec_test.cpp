#include "sql3_testdb.h"

#include "sqlite/sql3_exec.h"

#include <gtest/gtest.h>

namespace {

struct ExecTest : ::testing::Test {
    TempDatabase t;
    TMeral3Exec exec{&t.db};

    void SetUp() override
    {
        t.db.ExecSQL("create table T(x, y)");
        exec.SetName("exec");
    }
};

TEST_F(ExecTest, ScriptOfManyStatementsRunsInOneCall)
{
    exec.SetCommandText(QStringList{"insert into T values(1, 'a');", " ", "", "insert into T values(2, 'č');"});
    exec.Execute();
    EXPECT_EQ(exec.ResultCode(), 0);
    EXPECT_EQ(t.Column("select y from T order by x"), (QStringList{"a", QStringLiteral("č")}));
}

TEST_F(ExecTest, FailingSecondStatementWithoutTransactionKeepsTheFirst)
{
    exec.SetCommandText("insert into T values(1, 'a');\ninsert into Missing values(2);\ninsert into T values(3, 'c');\n");
    EXPECT_EQ(exec.CommandText().size(), 3);
    EXPECT_EQ(ErrorOf([&] { exec.Execute(); }), "exec: no such table: Missing");
    EXPECT_NE(exec.ResultCode(), 0);
    EXPECT_EQ(t.Column("select x from T"), QStringList{"1"});
}

TEST_F(ExecTest, FailingSecondStatementInTransactionLeavesNothing)
{
    exec.SetInTransaction(true);
    exec.SetCommandText("insert into T values(1, 'a');\ninsert into Missing values(2);");
    EXPECT_EQ(ErrorOf([&] { exec.Execute(); }), "exec: no such table: Missing");
    EXPECT_FALSE(t.db.TransactionActive());
    EXPECT_EQ(t.Value("select count(*) from T"), "0");

    exec.SetCommandText("insert into T values(1, 'a');");
    exec.Execute();
    EXPECT_FALSE(t.db.TransactionActive());
    EXPECT_EQ(t.Value("select count(*) from T"), "1");
}

TEST_F(ExecTest, RowsReachTheCallbackAndTheStopFlagAbandonsTheScript)
{
    t.db.ExecSQL(QStringLiteral("insert into T values(1, 'žába'); insert into T values(2, null)"));
    std::vector<QStringList> rows;
    QStringList names;
    exec.OnFetchRecord = [&](TMeral3Exec& sender, int count, bool&, const QStringList& n, const QStringList& v) {
        EXPECT_EQ(&sender, &exec);
        EXPECT_EQ(count, 2);
        names = n;
        rows.push_back(v);
    };
    exec.SetCommandText(QStringLiteral("select x, y as \"jméno\" from T order by x"));
    exec.Execute();
    EXPECT_EQ(names, (QStringList{"x", QStringLiteral("jméno")}));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (QStringList{"1", QStringLiteral("žába")}));
    EXPECT_EQ(rows[1], (QStringList{"2", ""}));

    rows.clear();
    exec.OnFetchRecord = [&](TMeral3Exec&, int, bool& stop, const QStringList&, const QStringList& v) {
        rows.push_back(v);
        stop = true;
    };
    exec.SetCommandText("select x from T; insert into T values(9, 'z');");
    EXPECT_EQ(ErrorOf([&] { exec.Execute(); }), "exec: query aborted");
    EXPECT_EQ(rows.size(), 1u);
    EXPECT_EQ(t.Value("select count(*) from T where x = 9"), "0");
}

TEST_F(ExecTest, CallbackErrorIsRaisedAfterTheEngineReturns)
{
    t.db.ExecSQL("insert into T values(1, 'a')");
    exec.SetInTransaction(true);
    exec.OnFetchRecord = [](TMeral3Exec&, int, bool&, const QStringList&, const QStringList&) {
        throw Exception("chyba v obsluze");
    };
    exec.SetCommandText("insert into T values(2, 'b'); select x from T;");
    EXPECT_EQ(ErrorOf([&] { exec.Execute(); }), "chyba v obsluze");
    EXPECT_EQ(t.Value("select count(*) from T"), "1");  // rolled back
}

TEST_F(ExecTest, NeedsAnOpenConnection)
{
    TMeral3Exec lonely;
    EXPECT_EQ(ErrorOf([&] { lonely.Execute(); }), "Missing Database property!");
    t.db.Close();
    EXPECT_EQ(ErrorOf([&] { exec.Execute(); }), "exec: Not connected!");
}

TEST_F(ExecTest, ScriptOutsideTheCodePageRunsNothing)
{
    exec.SetInTransaction(true);
    exec.SetCommandText(QStringLiteral("insert into T values(1, 'Ω')"));
    EXPECT_TRUE(ErrorOf([&] { exec.Execute(); }).startsWith(QStringLiteral("db: Character 'Ω'")));
    EXPECT_FALSE(t.db.TransactionActive());
    EXPECT_EQ(t.Value("select count(*) from T"), "0");
}

TEST_F(ExecTest, ScriptHoldingANulRunsNothing)
{
    exec.SetCommandText(QStringList{"insert into T values(1, 'a');", QString(QChar(0)), "delete from T;"});
    EXPECT_EQ(ErrorOf([&] { exec.Execute(); }), "exec: SQL text holds a NUL character at position 31");
    EXPECT_EQ(t.Value("select count(*) from T"), "0");
}

}  // namespace
