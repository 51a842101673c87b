#include "data/uDM.h"

#include "tests/sqlite/sql3_testdb.h"
#include "tests/support/workfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// A database file in the work folder, written before the data module opens it.
void PrepareCatalogue(const TempWorkFolder& folder, const QString& script)
{
    QDir().mkpath(folder.WorkFolder());
    TMeral3Database db;
    db.SetDriver(EngineLibraryPath());
    db.SetDatabaseFile(folder.WorkFolder() + "/regalon.db3");
    db.SetMustExists(false);
    db.ExecSQL(script);
}

TEST(CleanPath, TrimsAndCollapsesSeparators)
{
    EXPECT_EQ(CleanPath(" \t/home/user////Regalon/x.pdf \r\n"), "/home/user/Regalon/x.pdf");
    EXPECT_EQ(CleanPath("//server/share/"), "/server/share/");
    EXPECT_EQ(CleanPath("/opt/regalon/bin/" + QStringLiteral("/libsqlite3.so.0")), "/opt/regalon/bin/libsqlite3.so.0");
    EXPECT_EQ(CleanPath("   "), "");
}

TEST(WorkPath, MakesTheWorkFolderAndItsDocumentFolderEachTime)
{
    TempWorkFolder folder;
    EXPECT_EQ(WorkPath("DOKUM/výkres.pdf"), folder.WorkFolder() + QStringLiteral("/DOKUM/výkres.pdf"));
    EXPECT_TRUE(QFileInfo(folder.WorkFolder() + "/DOKUM").isDir());
    QDir(folder.WorkFolder()).removeRecursively();
    EXPECT_EQ(WorkPath("regalon.ini"), folder.WorkFolder() + "/regalon.ini");
    EXPECT_TRUE(QFileInfo(folder.WorkFolder() + "/DOKUM").isDir());
}

TEST(WorkPath, FolderThatCannotBeMadeIsNamed)
{
    TempWorkFolder folder;
    const QString blocker = folder.WriteFile("blocker", "a file, not a folder");
    qputenv("XDG_DATA_HOME", (blocker + "/data").toUtf8());
    EXPECT_EQ(ErrorOf([] { WorkPath("regalon.db3"); }),
              QStringLiteral("Nemohu vytvořit pracovní složku: ") + blocker + "/data/" + RegalonTitle());

    qputenv("XDG_DATA_HOME", folder.DataHome().toUtf8());
    folder.WriteFile("data/" + RegalonTitle() + "/DOKUM", "a file where the folder belongs");
    EXPECT_EQ(ErrorOf([] { WorkPath("regalon.db3"); }),
              QStringLiteral("Nemohu vytvořit pracovní podsložku: ") + folder.WorkFolder() + "/DOKUM");
}

TEST(DataModule, CreationSetsPathsAndConnectsNothing)
{
    TempWorkFolder folder;
    {
        Tdm data;
        EXPECT_EQ(dm, &data);
        EXPECT_EQ(data.db.Driver(), QCoreApplication::applicationDirPath() + "/libsqlite3.so.0");
        EXPECT_EQ(data.db.DatabaseFile(), folder.WorkFolder() + "/regalon.db3");
        EXPECT_FALSE(data.db.MustExists());
        EXPECT_FALSE(data.db.Connected());
        EXPECT_FALSE(QFileInfo::exists(data.db.DatabaseFile()));
        EXPECT_EQ(data.SettingsFile().fileName(), folder.WorkFolder() + "/regalon.ini");
        EXPECT_EQ(data.SettingsFile().format(), QSettings::IniFormat);
        EXPECT_EQ(data.exec.Database(), &data.db);
    }
    EXPECT_EQ(dm, nullptr);
    EXPECT_FALSE(QFileInfo::exists(folder.WorkFolder() + "/regalon.ini"));  // written only when saved
}

TEST(DataModule, CreationFailsWithTheFolderMessage)
{
    TempWorkFolder folder;
    const QString blocker = folder.WriteFile("blocker", "x");
    qputenv("XDG_DATA_HOME", (blocker + "/data").toUtf8());
    EXPECT_TRUE(ErrorOf([] { Tdm data; }).startsWith(QStringLiteral("Nemohu vytvořit pracovní složku: ")));
    EXPECT_EQ(dm, nullptr);
}

TEST(DataModule, FreshWorkFolderGetsTheWholeSchema)
{
    TempWorkFolder folder;
    Tdm data;
    EXPECT_TRUE(data.OpenCatalogue());
    EXPECT_FALSE(data.db.TransactionActive());
    QStringList tables;
    data.db.GetTableNames(tables, false);
    EXPECT_EQ(tables, (QStringList{"DOCS", "MATR", "TYPY"}));
    EXPECT_EQ(ColumnOf(data.db, "select name from sqlite_master where type='index' and name like 'IX%' order by name"),
              (QStringList{"IXLEVEL", "IXMATR", "IXMISTO", "IXPOPIS", "IXTYP"}));
    EXPECT_EQ(data.db.GetPragma("user_version"), "1");
    TIndexDefs defs;
    data.db.GetIndexDefs(defs, "MATR");
    ASSERT_FALSE(defs.empty());
    EXPECT_EQ(defs[0].Fields, "IDENT");
    std::vector<TColumnInfo> columns;
    data.db.GetColumnInfo(columns, "TYPY");
    ASSERT_EQ(columns.size(), 5u);
    EXPECT_EQ(columns[0].Flags, 7);  // the row key
    EXPECT_EQ(columns[2].Name, "LEVEL");
    EXPECT_EQ(data.dbCreator.CommandText().size(), 32);
}

// A read-only job or the document index holding a read for a moment must not make a save or a
// backup fail at once with "database is locked".
TEST(DataModule, TheCatalogueConnectionWaitsThroughAShortLock)
{
    TempWorkFolder folder;
    Tdm data;
    ASSERT_TRUE(data.OpenCatalogue());
    EXPECT_GE(data.db.GetPragma("busy_timeout").toInt(), 1000);
}

TEST(DataModule, FailedSchemaScriptLeavesTheFileWithoutTables)
{
    TempWorkFolder folder;
    PrepareCatalogue(folder, "create view IXLEVEL as select 1");  // a name the script needs
    Tdm data;
    const QString error = ErrorOf([&] { data.OpenCatalogue(); });
    EXPECT_TRUE(error.startsWith("dbCreator: ")) << error.toStdString();
    EXPECT_FALSE(data.db.TransactionActive());
    QStringList tables;
    data.db.GetTableNames(tables, false);
    EXPECT_TRUE(tables.isEmpty());
    EXPECT_EQ(data.db.GetPragma("user_version"), "0");
}

// Refused before anything is written: no rebuilt index, no mark, the bytes as they were.
TEST(DataModule, AFileThatIsNoCatalogueIsRefusedAndLeftByteForByte)
{
    TempWorkFolder folder;
    PrepareCatalogue(folder, "create table FOO(a); insert into FOO values(1); create index IXFOO on FOO(a)");
    QFile file(folder.WorkFolder() + "/regalon.db3");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    Tdm data;
    const QString error = ErrorOf([&] { data.OpenCatalogue(); });
    EXPECT_TRUE(error.startsWith("Katalog nelze otevřít!\n")) << error.toStdString();
    EXPECT_TRUE(error.contains("MATR.")) << error.toStdString();
    EXPECT_FALSE(data.db.Connected());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST(DataModule, IndexInAnotherOrderIsRebuiltOnce)
{
    TempWorkFolder folder;
    // An index that claims binary order but was built case-blind, as an older engine's
    // replaced collation left them.
    PrepareCatalogue(folder,
                     "create table MATR(IDENT integer, IDTYP integer, NAZEV text, POPIS, MISTO, PATH_DOK, OBSAH);"
                     "create table TYPY(IDENT integer, PARENT integer, LEVEL integer, NAZEV, POPIS);"
                     "create table DOCS(DOCPATH, DOCSIZE, ZIPSIZE, ZIP);"
                     "insert into MATR (NAZEV) values('b'); insert into MATR (NAZEV) values('A');"
                     "insert into MATR (NAZEV) values('a'); insert into MATR (NAZEV) values('B');"
                     "insert into MATR (NAZEV) values('c'); insert into MATR (NAZEV) values('C');"
                     "create index IXMATR on MATR(NAZEV collate nocase);"
                     "pragma writable_schema=on;"
                     "update sqlite_master set sql='CREATE INDEX IXMATR on MATR(NAZEV)' where name='IXMATR';"
                     "pragma writable_schema=off;");
    const QString ordered = "select NAZEV from MATR indexed by IXMATR order by NAZEV";
    {
        TMeral3Database check;
        check.SetDriver(EngineLibraryPath());
        check.SetDatabaseFile(folder.WorkFolder() + "/regalon.db3");
        ASSERT_NE(ColumnOf(check, "pragma integrity_check"), QStringList{"ok"});
        ASSERT_NE(ColumnOf(check, ordered), (QStringList{"A", "B", "C", "a", "b", "c"}));
    }
    {
        Tdm data;
        EXPECT_TRUE(data.OpenCatalogue());
        EXPECT_EQ(ColumnOf(data.db, "pragma integrity_check"), QStringList{"ok"});
        EXPECT_EQ(ColumnOf(data.db, ordered), (QStringList{"A", "B", "C", "a", "b", "c"}));
        EXPECT_EQ(data.db.GetPragma("user_version"), "1");
    }
}

TEST(DataModule, WorkJoinsAnOpenTransaction)
{
    TempWorkFolder folder;
    Tdm data;
    data.OpenCatalogue();
    data.BeginWork();
    data.BeginWork();
    data.db.ExecSQL("insert into TYPY values(1, 0, 0, 'a', 'b')");
    data.CommitWork();
    EXPECT_FALSE(data.db.TransactionActive());
    data.CommitWork();
    data.RollbackWork();
    EXPECT_EQ(ColumnOf(data.db, "select count(*) from TYPY"), QStringList{"1"});

    data.BeginWork();
    data.db.ExecSQL("insert into TYPY values(2, 0, 0, 'c', 'd')");
    data.BeginWork();
    data.RollbackWork();
    EXPECT_FALSE(data.db.TransactionActive());
    EXPECT_EQ(ColumnOf(data.db, "select count(*) from TYPY"), QStringList{"1"});
}

TEST(DataModule, NewExecIsBoundButNotRun)
{
    TempWorkFolder folder;
    Tdm data;
    data.OpenCatalogue();
    auto executor = data.NewExec("insert into TYPY values(5, 0, 0, 'x', 'y');\r\ninsert into TYPY values(6, 0, 0, 'z', 'w');");
    EXPECT_EQ(executor->Database(), &data.db);
    EXPECT_EQ(executor->CommandText().size(), 2);
    EXPECT_EQ(ColumnOf(data.db, "select count(*) from TYPY"), QStringList{"0"});
    executor->Execute();
    EXPECT_EQ(ColumnOf(data.db, "select count(*) from TYPY"), QStringList{"2"});
}

}  // namespace
