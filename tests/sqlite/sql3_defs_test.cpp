#include "sql3_testdb.h"

#include "sqlite/sql3_simpletable.h"
#include "sqlite/sql3_utils.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

// ---- connecting ----

TEST(Connection, EmptyDriverReadsAsThePlatformLibrary)
{
    TMeral3Database db;
    EXPECT_EQ(db.Driver(), "libsqlite3.so.0");
    db.SetDriver(QString());
    EXPECT_EQ(db.Driver(), "libsqlite3.so.0");
}

TEST(Connection, DriverErrorsNameTheCause)
{
    TempDatabase t;
    t.db.SetDriver(t.dir.filePath("missing.so"));
    EXPECT_EQ(ErrorOf([&] { t.db.Open(); }), "db: Missing DLL driver property!");

    QFile text(t.dir.filePath("notalib.so"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a shared library\n");
    text.close();
    t.db.SetDriver(text.fileName());
    EXPECT_EQ(ErrorOf([&] { t.db.Open(); }), "db: Invalid DLL driver!");

    // A real library that lacks the engine's functions: a copy of the maths library.
    void* libm = dlopen("libm.so.6", RTLD_NOW);
    ASSERT_NE(libm, nullptr);
    Dl_info info{};
    ASSERT_NE(dladdr(dlsym(libm, "cos"), &info), 0);
    ASSERT_TRUE(QFile::copy(QFile::decodeName(info.dli_fname), t.dir.filePath("libm-copy.so")));
    dlclose(libm);
    t.db.SetDriver(t.dir.filePath("libm-copy.so"));
    EXPECT_EQ(ErrorOf([&] { t.db.Open(); }), "db: Invalid DLL driver!");
    EXPECT_FALSE(t.db.Connected());

    // A library loaded by a connect that failed later does not stand in for a new driver.
    t.db.SetDriver(EngineLibraryPath());
    t.db.SetDatabaseFile(QString());
    EXPECT_EQ(ErrorOf([&] { t.db.Open(); }), "db: Database file don't exist's!");
    t.db.SetDriver(text.fileName());
    t.db.SetDatabaseFile(t.dir.filePath("test.db3"));
    EXPECT_EQ(ErrorOf([&] { t.db.Open(); }), "db: Invalid DLL driver!");

    // After the failed bindings the right library connects with a complete table.
    t.db.SetDriver(EngineLibraryPath());
    t.db.Open();
    EXPECT_TRUE(t.db.Connected());
    EXPECT_TRUE(t.db.LibraryVersion().startsWith("3."));
}

TEST(Connection, BindingFallsBackToPrepareAndNeedsEveryFunction)
{
    TempDatabase t;
    t.db.SetDriver(STUB_ENGINE);  // has sqlite3_prepare only: bound, then its open fails
    EXPECT_EQ(ErrorOf([&] { t.db.Open(); }), "db: Database error: stub engine opens nothing");
    EXPECT_EQ(t.db.LibraryVersion(), "stub");
    EXPECT_EQ(t.db.LastResult(), 14);

    t.db.SetDriver(STUB_ENGINE_PARTIAL);  // lacks the last function of the table
    EXPECT_EQ(ErrorOf([&] { t.db.Open(); }), "db: Invalid DLL driver!");
    EXPECT_EQ(ErrorOf([&] { t.db.Open(); }), "db: Invalid DLL driver!");  // never half bound
    EXPECT_EQ(ErrorOf([&] { t.db.Api(); }), "db: Not connected!");
}

TEST(Connection, RelativeDriverIsTheFileInTheCurrentFolder)
{
    TempDatabase t;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(t.dir.path()));
    t.db.SetDriver(QString());  // libsqlite3.so.0, which this folder does not hold
    const QString error = ErrorOf([&] { t.db.Open(); });
    QDir::setCurrent(previous);
    EXPECT_EQ(error, "db: Missing DLL driver property!");
}

TEST(Connection, DatabaseFileMustBeGivenAndMayHaveToExist)
{
    TempDatabase t;
    t.db.SetDatabaseFile("   ");
    EXPECT_EQ(ErrorOf([&] { t.db.Open(); }), "db: Database file don't exist's!");

    const QString file = t.dir.filePath("new.db3");
    t.db.SetDatabaseFile(file);
    t.db.SetMustExists(true);
    EXPECT_EQ(ErrorOf([&] { t.db.Open(); }), "db: Database file don't exist's!");
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(t.db.LastResult(), 14);

    t.db.SetMustExists(false);
    t.db.Open();
    EXPECT_TRUE(QFile::exists(file));
    QStringList tables;
    t.db.GetTableNames(tables, true);
    EXPECT_EQ(tables, QStringList{"sqlite_master"});
}

TEST(Connection, MissingFolderReportsTheEngineMessage)
{
    TempDatabase t;
    t.db.SetDatabaseFile(t.dir.filePath("no/such/folder/x.db3"));
    EXPECT_EQ(ErrorOf([&] { t.db.Open(); }), "db: Database error: unable to open database file");
    EXPECT_FALSE(t.db.Connected());
}

TEST(Connection, FileNameWithNonAsciiCharactersIsUtf8OnDisk)
{
    TempDatabase t;
    const QString file = t.dir.filePath(QStringLiteral("katalog Ωž.db3"));
    t.db.SetDatabaseFile(file);
    t.db.Open();
    t.db.ExecSQL("create table T(x)");
    EXPECT_TRUE(QFileInfo::exists(file));
}

TEST(Connection, NotificationsSurroundConnectAndDisconnect)
{
    QStringList calls;  // outlives the connection, whose destruction notifies too
    TempDatabase t;
    t.db.BeforeConnect = [&](TMeral3Database& d) { calls << QString("before connect %1").arg(d.Connected()); };
    t.db.AfterConnect = [&](TMeral3Database& d) { calls << QString("after connect %1").arg(d.Connected()); };
    t.db.BeforeDisconnect = [&](TMeral3Database&) { calls << "before disconnect"; };
    t.db.AfterDisconnect = [&](TMeral3Database& d) { calls << QString("after disconnect %1").arg(d.Connected()); };
    t.db.Open();
    t.db.Open();
    t.db.Close();
    EXPECT_EQ(calls, (QStringList{"before connect 0", "after connect 1", "before disconnect", "after disconnect 0"}));
}

TEST(Connection, ConnectRequestedWhileLoadingHappensWhenLoadingEnds)
{
    TempDatabase t;
    t.db.BeginLoading();
    t.db.Open();
    EXPECT_FALSE(t.db.Connected());
    t.db.EndLoading();
    EXPECT_TRUE(t.db.Connected());

    t.db.BeginLoading();
    t.db.EndLoading();  // no request: the connection ends up closed
    EXPECT_FALSE(t.db.Connected());
}

TEST(Connection, ChangingDriverOrFileDisconnects)
{
    TempDatabase t;
    t.db.Open();
    t.db.SetDatabaseFile(t.dir.filePath("other.db3"));
    EXPECT_FALSE(t.db.Connected());
    t.db.Open();
    t.db.SetDriver(EngineLibraryPath());
    EXPECT_FALSE(t.db.Connected());
    EXPECT_EQ(t.db.Changes(), -1);
}

// ---- pragmas ----

TEST(Connection, DefaultOptionsSwitchEveryPragmaOffButShortNames)
{
    TempDatabase t;
    t.db.Open();
    EXPECT_EQ(t.db.GetPragma("foreign_keys"), "0");
    EXPECT_EQ(t.db.GetPragma("automatic_index"), "0");
    EXPECT_EQ(t.db.GetPragma("recursive_triggers"), "0");
    EXPECT_EQ(t.db.GetPragma("secure_delete"), "0");
    EXPECT_EQ(t.db.GetPragma("read_uncommitted"), "0");
    EXPECT_EQ(t.db.GetPragma("short_column_names"), "1");
}

TEST(Connection, ChosenOptionsAndDirtyReadAreApplied)
{
    TempDatabase t;
    t.db.SetOptions({poForeignKeysSupport, poRecursiveTriggers, poAutomaticIndex, poSecureDelete,
                     poReverseUnorderedSelects});
    t.db.SetTransIsolation(tiDirtyRead);
    t.db.Open();
    EXPECT_EQ(t.db.GetPragma("foreign_keys"), "1");
    EXPECT_EQ(t.db.GetPragma("recursive_triggers"), "1");
    EXPECT_EQ(t.db.GetPragma("automatic_index"), "1");
    EXPECT_EQ(t.db.GetPragma("secure_delete"), "1");
    EXPECT_EQ(t.db.GetPragma("reverse_unordered_selects"), "1");
    EXPECT_EQ(t.db.GetPragma("read_uncommitted"), "1");
    EXPECT_EQ(t.db.GetPragma("short_column_names"), "0");
}

TEST(Connection, ParamsBecomePragmaStatements)
{
    EXPECT_EQ(ExpandPragmaParams(";cache_size=1234;"), "pragma cache_size=1234");
    EXPECT_EQ(ExpandPragmaParams("cache_size=1234,user_version=7"), "pragma cache_size=1234;pragma user_version=7");
    EXPECT_EQ(ExpandPragmaParams("a;,b"), "pragma a;pragma ;pragma b");

    TempDatabase t;
    t.db.SetParams("  ;cache_size=1234;user_version=7,  ");
    t.db.Open();
    EXPECT_EQ(t.db.GetPragma("cache_size"), "1234");
    EXPECT_EQ(t.db.GetPragma("user_version"), "7");

    t.db.Close();
    t.db.SetParams("cache_size=99;;user_version=8");
    EXPECT_EQ(ErrorOf([&] { t.db.Open(); }), "db: near \";\": syntax error");
    EXPECT_FALSE(t.db.Connected());
    t.db.SetParams(QString());
    t.db.Open();
    EXPECT_EQ(t.db.GetPragma("user_version"), "7");  // the failed entry ran nothing after it
}

// ---- statements and parameters ----

TEST(Statements, ParametersBindByNameWithoutRegardToCase)
{
    TempDatabase t;
    t.db.ExecSQL("create table T(id integer, name text, price real, data blob, flag integer, extra)");
    TParams params;
    params.Add("IDENT").SetAsLargeInt(5'000'000'123LL);
    params.Add("Name").SetAsString(QStringLiteral("Šroub č. 5 – €"));
    params.Add("price").SetAsFloat(12.5);
    params.Add("DATA").SetAsBlob(QByteArray("\x00\x01\xFF", 3));
    params.Add("flag", ftBoolean).Value = true;
    params.Add("unused").SetAsInteger(1);
    t.db.ExecSQL("insert into T values(:ident, :name, :PRICE, :data, :flag, ?)", &params);

    EXPECT_EQ(t.db.Changes(), 1);
    EXPECT_EQ(t.Value("select id from T"), "5000000123");  // all 64 bits
    EXPECT_EQ(t.Value("select name from T"), QStringLiteral("Šroub č. 5 – €"));
    EXPECT_EQ(t.Value("select hex(name) from T"), "8A726F756220E82E203520962080");  // Windows-1250 bytes
    EXPECT_EQ(t.Value("select price from T"), "12.5");
    EXPECT_EQ(t.Value("select hex(data) from T"), "0001FF");
    EXPECT_EQ(t.Value("select flag from T"), "1");
    EXPECT_EQ(t.Value("select typeof(extra) from T"), "null");  // the unnamed placeholder
}

TEST(Statements, ParameterReferencesSurviveLaterAdds)
{
    TempDatabase t;
    TParams params;
    TParam& first = params.Add("a", ftInteger);
    for (int i = 0; i < 100; ++i)
        params.Add(QString("p%1").arg(i));
    first.Value = 42;
    EXPECT_EQ(params.ParamByName("A").Value.toInt(), 42);
    EXPECT_EQ(ErrorOf([&] { params.ParamByName("zz"); }), "Parameter 'zz' not found");
    int columns = 0;
    sqlite3_stmt* s = t.db.RunStatements("select :a", &params, columns);
    EXPECT_EQ(t.db.ColumnInteger(s, 0), 42);
    t.db.FinalizeStatement(s);
}

TEST(Statements, NullAndUnsupportedParameters)
{
    TempDatabase t;
    t.db.ExecSQL("create table T(a, b)");
    TParams params;
    params.Add("a", ftString);  // no value: NULL whatever the type
    params.Add("b", ftUnknown).Value = 3;
    EXPECT_EQ(ErrorOf([&] { t.db.ExecSQL("insert into T values(:a, :b)", &params); }),
              "db: Unsupported parameter type!");
    params[1].SetAsInteger(3);
    t.db.ExecSQL("insert into T values(:a, :b)", &params);
    EXPECT_EQ(t.Value("select typeof(a) || b from T"), "null3");
}

TEST(Statements, TextOutsideTheCodePageIsRefused)
{
    TempDatabase t;
    t.db.ExecSQL("create table T(x)");
    TParams params;
    params.Add("x").SetAsString(QStringLiteral("Ω-meter"));
    const QString error = ErrorOf([&] { t.db.ExecSQL("insert into T values(:x)", &params); });
    EXPECT_TRUE(error.startsWith(QStringLiteral("db: Character 'Ω' (U+03a9)"))) << error.toStdString();
    EXPECT_TRUE(error.startsWith(QStringLiteral("db: ")));
    EXPECT_EQ(ErrorOf([&] { t.db.ExecSQL(QStringLiteral("insert into T values('Ω')")); }).left(16),
              QStringLiteral("db: Character 'Ω"));
    EXPECT_EQ(t.Value("select count(*) from T"), "0");
}

TEST(Statements, FailingMiddleStatementStopsTheScript)
{
    TempDatabase t;
    t.db.ExecSQL("create table T(x)");
    const QString error = ErrorOf([&] {
        t.db.ExecSQL("insert into T values(1);\r\ninsert into Missing values(2);\r\ninsert into T values(3);");
    });
    EXPECT_EQ(error, "db: no such table: Missing");
    EXPECT_EQ(t.Column("select x from T"), QStringList{"1"});
    EXPECT_EQ(t.db.LastResult(), 1);
}

TEST(Statements, LastStatementIsReturnedSteppedOnce)
{
    TempDatabase t;
    t.db.ExecSQL("create table T(x integer, d)");
    int columns = -1;
    sqlite3_stmt* s = t.db.RunStatements(
        "insert into T values(1, '2000-01-01 12:00:00'); insert into T values(2, 36526.25); "
        "select x, d, x * 1.5 as f from T order by x; -- trailing comment\n;",
        nullptr, columns);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(columns, 3);
    EXPECT_EQ(t.db.LastResult(), 100);
    EXPECT_EQ(t.db.ColumnName(s, 2), "f");
    EXPECT_EQ(t.db.ColumnInteger(s, 0), 1);
    EXPECT_DOUBLE_EQ(t.db.ColumnDateTime(s, 1), 36526.5);
    EXPECT_EQ(t.db.ColumnInteger(s, 1), 0);  // text reads as 0
    EXPECT_DOUBLE_EQ(t.db.ColumnFloat(s, 2), 1.5);
    EXPECT_EQ(t.db.ColumnDeclType(s, 0).toLower(), "integer");
    EXPECT_EQ(t.db.ColumnDeclType(s, 2), "string");
    t.db.StepStatement(s);
    EXPECT_EQ(t.db.LastResult(), 100);
    EXPECT_DOUBLE_EQ(t.db.ColumnDateTime(s, 1), 36526.25);
    t.db.StepStatement(s);
    EXPECT_EQ(t.db.LastResult(), 101);
    t.db.FinalizeStatement(s);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(t.db.ColumnLargeInt(nullptr, 0), 0);
    EXPECT_EQ(t.db.ColumnText(nullptr, 0), nullptr);
}

TEST(Statements, BoundTextOutlivesTheParameters)
{
    TempDatabase t;
    int columns = 0;
    sqlite3_stmt* s = nullptr;
    {
        TParams params;
        params.Add("v").SetAsString(QStringLiteral("žluťoučký kůň"));
        s = t.db.RunStatements("select :v union all select :v", &params, columns);
    }
    QByteArray noise(64, 'x');  // reuse the freed memory
    t.db.StepStatement(s);
    EXPECT_EQ(FromCodePage(t.db.ColumnText(s, 0)), QStringLiteral("žluťoučký kůň"));
    t.db.FinalizeStatement(s);
}

TEST(Statements, TextHoldingANulIsRefusedBeforeAnythingRuns)
{
    // The engine would stop reading at the NUL, run the first insert and report success.
    TempDatabase t;
    t.db.ExecSQL("create table T(x)");
    const QString script = QStringLiteral("insert into T values(1);") + QChar(0) + QStringLiteral("delete from T");
    EXPECT_EQ(ErrorOf([&] { t.db.ExecSQL(script); }), "db: SQL text holds a NUL character at position 24");
    EXPECT_EQ(t.Value("select count(*) from T"), "0");
}

TEST(Statements, BlankScriptRunsNothing)
{
    TempDatabase t;
    int columns = -1;
    EXPECT_EQ(t.db.RunStatements("  ;  ", nullptr, columns), nullptr);
    EXPECT_EQ(columns, 0);
    t.db.ExecSQL("-- nothing here\n");
}

// ---- transactions ----

TEST(Transactions, InnerStartJoinsAndFirstCommitEnds)
{
    TempDatabase t;
    t.db.Open();
    t.db.ExecSQL("create table T(x)");
    t.db.Commit();    // nothing open: nothing happens
    t.db.Rollback();
    t.db.StartTransaction();
    t.db.StartTransaction(tmImmediate);  // joins
    t.db.ExecSQL("insert into T values(1)");
    EXPECT_TRUE(t.db.TransactionActive());
    t.db.Commit();
    EXPECT_FALSE(t.db.TransactionActive());
    t.db.Commit();

    t.db.StartTransaction(tmExclusive);
    t.db.ExecSQL("insert into T values(2)");
    t.db.Rollback();
    EXPECT_EQ(t.Column("select x from T"), QStringList{"1"});
}

TEST(Transactions, NeedAnOpenConnection)
{
    TempDatabase t;
    EXPECT_EQ(ErrorOf([&] { t.db.TransactionActive(); }), "db: Not connected!");
}

// ---- collation ----

TEST(Collation, NativeSortsCzechAndIgnoresCase)
{
    TempDatabase t;
    t.db.ExecSQL("create table T(x)");
    const QStringList words{"Ida", "chata", "hrad", "dům", "čaj", "Cesta", "cukr", "Řeka", "rak", "šála", "sud"};
    for (const QString& w : words) {
        TParams p;
        p.Add("w").SetAsString(w);
        t.db.ExecSQL("insert into T values(:w)", &p);
    }
    EXPECT_EQ(t.Column("select x from T order by x collate NATIVE"),
              (QStringList{"Cesta", "cukr", "čaj", "dům", "hrad", "chata", "Ida", "rak", "Řeka", "sud", "šála"}));
    EXPECT_EQ(t.Value("select 'a' = 'A' collate NATIVE"), "1");
    EXPECT_EQ(t.Value("select 'a' = 'A'"), "0");  // BINARY is left alone
    EXPECT_EQ(t.Value(QStringLiteral("select 'ČAJ' = 'čaj' collate NATIVE")), "1");
    EXPECT_EQ(t.Value(QStringLiteral("select 'c' < 'č' collate NATIVE and 'č' < 'd' collate NATIVE")), "1");
    EXPECT_EQ(t.Value("select count(distinct x collate NATIVE) from (select 'abc' x union all select 'ABC')"), "1");
}

TEST(Collation, BinaryInstallsNothing)
{
    TempDatabase t;
    t.db.SetCollation(dcBinary);
    t.db.Open();
    const QString error = ErrorOf([&] { t.Value("select 'a' = 'A' collate NATIVE"); });
    EXPECT_EQ(error, "no such collation sequence: NATIVE");
}

TEST(Collation, Utf16DatabasesCompareTheirOwnText)
{
    for (const char* encoding : {"UTF-16le", "UTF-16be"}) {
        TempDatabase t;
        t.db.SetParams(QStringLiteral("encoding='%1'").arg(encoding));
        t.db.ExecSQL("create table T(x)");
        t.db.Close();
        t.db.SetParams(QString());
        t.db.Open();
        ASSERT_TRUE(t.db.Utf16()) << encoding;
        EXPECT_EQ(t.db.GetPragma("encoding"), encoding);
        for (const QString& w : {QStringLiteral("hrad"), QStringLiteral("chata"), QStringLiteral("Čáp Ω")}) {
            TParams p;
            p.Add("w").SetAsString(w);
            t.db.ExecSQL(QStringLiteral("insert into T values(:w)"), &p);
        }
        EXPECT_EQ(t.Column("select x from T order by x collate NATIVE"),
                  (QStringList{QStringLiteral("Čáp Ω"), "hrad", "chata"})) << encoding;
        EXPECT_EQ(t.Value(QStringLiteral("select count(*) from T where x = 'HRAD' collate NATIVE")), "1");
        int columns = 0;
        sqlite3_stmt* s = t.db.RunStatements(QStringLiteral("select x as \"sloupec ž\" from T"), nullptr, columns);
        EXPECT_EQ(t.db.ColumnName(s, 0), QStringLiteral("sloupec ž"));
        t.db.FinalizeStatement(s);
    }
}

// ---- schema questions ----

TEST(Schema, ColumnsIndexesAndObjectTypes)
{
    TempDatabase t;
    t.db.ExecSQL(
        "create table MATR(IDENT INTEGER NOT NULL, NAZEV VARCHAR(32), POPIS text not null, PRIMARY KEY (IDENT));"
        "create index IXNAZ on MATR(NAZEV, POPIS);"
        "create unique index IXPOP on MATR(POPIS);"
        "create table DOCS(DOCPATH VARCHAR(255) NOT NULL, ZIP BLOB, PRIMARY KEY (DOCPATH));"
        "create table \"my table\"(a integer, b);"
        "create index \"ix mine\" on \"my table\"(b);"
        "create view V as select 1");

    std::vector<TColumnInfo> columns;
    t.db.GetColumnInfo(columns, "MATR");
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(columns[0].Name, "IDENT");
    EXPECT_EQ(columns[0].Flags, 7);
    EXPECT_EQ(columns[1].Flags, 0);
    EXPECT_EQ(columns[2].Flags, 4);
    columns.clear();
    t.db.GetColumnInfo(columns, "DOCS");
    EXPECT_EQ(columns[0].Flags, 5);  // a text key: part of the key, not the row key
    columns.clear();
    t.db.GetColumnInfo(columns, "  ");
    EXPECT_TRUE(columns.empty());

    TIndexDefs defs;
    t.db.GetIndexDefs(defs, "MATR");
    ASSERT_EQ(defs.size(), 3u);
    EXPECT_EQ(defs[0].Name, "_primary_key");
    EXPECT_EQ(defs[0].Fields, "IDENT");
    EXPECT_TRUE(defs[0].Primary && defs[0].Unique);
    const auto find = [&](const QString& name) {
        return *std::find_if(defs.begin(), defs.end(), [&](const TIndexDef& d) { return d.Name == name; });
    };
    EXPECT_EQ(find("IXNAZ").Fields, "NAZEV;POPIS");
    EXPECT_FALSE(find("IXNAZ").Unique);
    EXPECT_TRUE(find("IXPOP").Unique);

    t.db.GetIndexDefs(defs, "my table");
    ASSERT_EQ(defs.size(), 1u);
    EXPECT_EQ(defs[0].Name, "ix mine");
    t.db.GetIndexDefs(defs, "\"my table\"");
    EXPECT_EQ(defs.size(), 1u);

    EXPECT_EQ(t.db.GetObjectType("matr"), "table");
    EXPECT_EQ(t.db.GetObjectType("v"), "view");
    EXPECT_EQ(t.db.GetObjectType("ixnaz"), "index");
    EXPECT_EQ(t.db.GetObjectType("SQLITE_MASTER"), "table");
    EXPECT_EQ(t.db.GetObjectType("nothing'; drop table MATR; --"), "");

    QStringList names;
    t.db.GetTableNames(names, false);
    EXPECT_EQ(names, (QStringList{"DOCS", "MATR", "my table"}));
    names.clear();
    t.db.GetObjectNames("index", names, "MATR");
    EXPECT_EQ(names, (QStringList{"IXNAZ", "IXPOP"}));
    EXPECT_EQ(t.db.GetPragma("encoding"), "UTF-8");
    EXPECT_EQ(t.db.GetPragma("no_such_pragma"), "");
}

// ---- dependents and lifetime ----

TEST(Dependents, DisconnectReleasesReadersAndDestructionForgetsThem)
{
    auto t = std::make_unique<TempDatabase>();
    TMeral3SimpleTable reader(&t->db);
    reader.Open("select 1");
    EXPECT_FALSE(reader.IsEmpty());
    t->db.Close();
    EXPECT_TRUE(reader.IsEmpty());
    reader.Open("select 2");  // connects on demand
    EXPECT_EQ(reader.Cell(0, 0), "2");
    t.reset();
    EXPECT_EQ(reader.Database(), nullptr);
    EXPECT_EQ(ErrorOf([&] { reader.Open("select 3"); }), "Not connected!");
}

}  // namespace
