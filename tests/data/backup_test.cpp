#include "data/backup.h"

#include "catalogue.h"
#include "data/bz2.h"
#include "data/docstore.h"
#include "sqlite/sql3_utils.h"
#include "tests/faults/faults.h"
#include "tests/support/failingdevice.h"
#include "toolkit/messagebox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <QBuffer>

#include <cerrno>
#include <csignal>
#include <optional>
#include <cstring>
#include <random>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Writes beyond the given size fail while the object lives, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &previous_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
};

// Text and binary runs, different for every seed.
QByteArray Mixed(int seed, int size)
{
    std::mt19937 random{unsigned(seed)};
    QByteArray bytes;
    while (bytes.size() < size) {
        bytes += "řádek " + QByteArray::number(int(random() % 1000)) + " položky\n";
        for (int i = int(random() % 64); i > 0; --i)
            bytes += char(random());
    }
    bytes.truncate(size);
    return bytes;
}

// Takes from this thread, and from the threads it starts, the right to ignore file permissions,
// so that a file without read permission cannot be read even by root.
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride()
    {
        syscall(SYS_capget, &header_, previous_);
        __user_cap_data_struct reduced[2] = {previous_[0], previous_[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH);
        syscall(SYS_capset, &header_, reduced);
    }
    ~WithoutPermissionOverride() { syscall(SYS_capset, &header_, previous_); }
    WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
    WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct previous_[2]{};
};

// The system's own words for the limit above, as a full disk gives its own.
QString FullDiskReason()
{
    return QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(EFBIG));
}

// Every row of the three tables as text, stored documents included.
QStringList Snapshot(TMeral3Database& db)
{
    return ColumnOf(db, "SELECT IDENT||'|'||IFNULL(IDTYP,'')||'|'||IFNULL(NAZEV,'')||'|'||IFNULL(PATH_DOK,'')||'|'||"
                        "IFNULL(OBSAH,'') FROM MATR ORDER BY IDENT")
        + ColumnOf(db, "SELECT IDENT||'|'||PARENT||'|'||LEVEL||'|'||NAZEV FROM TYPY ORDER BY IDENT")
        + ColumnOf(db, "SELECT DOCPATH||'|'||DOCSIZE||'|'||ZIPSIZE||'|'||hex(ZIP) FROM DOCS ORDER BY DOCPATH");
}

QStringList SnapshotOf(const QString& file)
{
    TMeral3Database db;
    db.SetDriver(EngineLibraryPath());
    db.SetDatabaseFile(file);
    db.SetMustExists(true);
    db.Open();
    return Snapshot(db);
}

class Backup : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        MessageBoxAnswers::Reset();
        items.SetDatabase(&data.db);
        items.SetTableName("MATR");
        items.SetIndexName("IXMATR");
        SetFileDialogAnswerer([this](const TFileDialog& dialog) {
            ++dialogs;
            seenInitialDir = dialog.InitialDir();
            return answer;
        });
        answer = folder.File("backups/a.bak");
        QDir().mkpath(folder.File("backups"));
    }
    void TearDown() override { SetFileDialogAnswerer({}); }

    QString Doc(const QString& name, const QByteArray& bytes) { return folder.WriteFile("docs/" + name, bytes); }
    void Item(int ident, const QString& name, const QString& mainDocument, const QString& content = {})
    {
        Sql(QString("INSERT INTO MATR (IDENT, IDTYP, NAZEV, PATH_DOK, OBSAH) VALUES(%1, 0, %2, %3, %4)")
                .arg(ident)
                .arg(QuoteString(name), QuoteString(mainDocument), QuoteString(content)));
    }
    void StoredRow(const QString& path) { Sql("INSERT INTO DOCS (DOCPATH, DOCSIZE, ZIPSIZE) VALUES(" + QuoteString(path) + ", 1, 1)"); }
    QStringList Stored() { return Column("SELECT DOCPATH FROM DOCS ORDER BY DOCPATH"); }
    QStringList DocsRows() { return Column("SELECT DOCPATH||'|'||DOCSIZE||'|'||ZIPSIZE||'|'||hex(ZIP) FROM DOCS ORDER BY DOCPATH"); }
    QByteArray Unpacked(const QString& path)
    {
        auto q = data.NewQuery("SELECT ZIP FROM DOCS WHERE DOCPATH=:p");
        q->ParamByName("p").SetAsString(path);
        q->Open();
        QBuffer out;
        out.open(QIODevice::ReadWrite);
        UnpackBlob(q->FieldByName("ZIP").AsBytes(), out, nullptr);
        return out.data();
    }
    QString Work(const QString& name) { return folder.WorkFolder() + "/" + name; }

    // Runs the backup with a callback that records every step and answers "stop" at the call
    // with the given number (0: never). Gives the error's text, or "" when it went through.
    QString Run(int stopAt = 0)
    {
        steps.clear();
        try {
            data.BackupDatabase(items, [&](int position, const QString& text) {
                steps << QString("%1 %2").arg(position).arg(text);
                return steps.size() != stopAt;
            });
        } catch (const Exception& e) {
            return e.Message();
        }
        return {};
    }

    TMeral3Table items;
    std::optional<QString> answer;
    QString seenInitialDir;
    int dialogs = 0;
    QStringList steps;
};

TEST_F(Backup, OrphanRowsGoWhileEveryReferenceInAnySpellingKeepsItsRow)
{
    Item(1, "a", "/data/Výkres.PDF", "viz " + EncodeFileLink("/data/linked.txt") + " a dál");
    Item(2, "b", "", "první\n" + EncodeFileLink("/data/twice.odt") + "\r\n" + EncodeFileLink("/data/second.odt"));
    Item(3, "c", "/data/twice.odt");
    StoredRow("/DATA/výkres.pdf");   // other letter case
    StoredRow("\\data\\linked.txt");  // written on Windows
    StoredRow("/data/twice.odt");
    StoredRow("/data/gone.pdf");
    StoredRow("/data/second.odt.bak");  // a longer path is another path
    items.Open();

    const QStringList orphans = data.CheckDocuments(items);
    EXPECT_EQ(orphans, QStringList({"/data/gone.pdf", "/data/second.odt.bak"}));
    EXPECT_FALSE(items.Filtered());
    // Referenced paths in list order, duplicates kept, CR LF, one code page byte per letter.
    EXPECT_EQ(ReadAll(Work("doclist.txt")),
              ToCodePage(u"/data/Výkres.PDF\r\n/data/linked.txt\r\n/data/twice.odt\r\n/data/second.odt\r\n/data/twice.odt\r\n"));
    EXPECT_EQ(ReadAll(Work("undefined.txt")), "/data/gone.pdf\r\n/data/second.odt.bak\r\n");
}

TEST_F(Backup, WithoutOrphansAnEarlierOrphanListStaysAndTheFilterGoesOff)
{
    folder.WriteFile("data/Regalon {5C2E9A41-7B03-4F6D-9E18-A2D47B6C0E95}/undefined.txt", "earlier\r\n");
    Item(1, "a", "/data/x.pdf");
    StoredRow("/data/x.pdf");
    items.SetFilter("IDENT = 0");
    items.SetFiltered(true);
    items.Open();
    ASSERT_TRUE(items.IsEmpty());

    EXPECT_TRUE(data.CheckDocuments(items).isEmpty());
    EXPECT_EQ(ReadAll(Work("doclist.txt")), "/data/x.pdf\r\n");  // the filtered-out item counts
    EXPECT_EQ(ReadAll(Work("undefined.txt")), "earlier\r\n");
}

TEST_F(Backup, ACancelledSaveDialogChangesNothing)
{
    Item(1, "a", "");
    StoredRow("/data/orphan.pdf");
    data.dlgBackup.SetInitialDir("/start/");
    answer.reset();
    items.SetFilter("IDENT = 1");
    items.SetFiltered(true);
    items.Open();

    EXPECT_FALSE(data.BackupDatabase(items, [&](int, const QString& text) {
        steps << text;
        return true;
    }));
    EXPECT_EQ(seenInitialDir, "/start/");
    EXPECT_TRUE(steps.isEmpty());
    EXPECT_EQ(Stored(), QStringList({"/data/orphan.pdf"}));
    EXPECT_FALSE(QFile::exists(Work("doclist.txt")));
    EXPECT_TRUE(items.Filtered());
    EXPECT_FALSE(items.ControlsDisabled());
}

TEST_F(Backup, MakesACatalogueEqualToTheLiveOneWithEveryDocumentPacked)
{
    const QString drawing = Doc("výkres.pdf", QByteArray(5000, 'v'));
    const QString linked = Doc("linked.txt", "text of the link");
    Sql("INSERT INTO TYPY (IDENT, PARENT, LEVEL, NAZEV) VALUES(1, 0, 0, 'Skříň')");
    Item(1, "b", drawing, "see " + EncodeFileLink(linked));
    Item(2, "a", "");
    Item(3, "c", drawing);  // asked for and listed twice, stored once
    Item(4, "d", "/data/missing.pdf");
    StoredRow("/data/missing.pdf");  // its file has gone; the stored copy stays
    StoredRow("/data/orphan.pdf");
    items.SetFiltered(true);  // with a blank filter: the same rows, but the flag must come back
    items.Open();
    items.Last();
    items.DisableControls();  // a caller's own disabling is kept

    EXPECT_EQ(Run(), "");
    EXPECT_EQ(steps, QStringList({"-1 Kontrola dokumentů", "1 ", "2 " + drawing, "2 " + linked, "3 " + drawing,
                                  "4 /data/missing.pdf", "-6 Čistím databázi", "-7 Kopíruji a.bak"}));
    EXPECT_EQ(Stored(), QStringList({"/data/missing.pdf", linked, drawing}));
    EXPECT_EQ(Value("SELECT DOCSIZE FROM DOCS WHERE DOCPATH=" + QuoteString(drawing)), "5000");
    EXPECT_EQ(ReadAll(Work("doclist.txt")),
              ToCodePage(drawing + "\r\n" + linked + "\r\n" + drawing + "\r\n/data/missing.pdf\r\n"));
    EXPECT_EQ(SnapshotOf(*answer), Snapshot(data.db));
    EXPECT_EQ(SnapshotOf(*answer).size(), 4 + 1 + 3);

    EXPECT_TRUE(data.db.Connected());
    EXPECT_TRUE(items.Active());
    EXPECT_EQ(items.FieldByName("IDENT").AsInteger(), 2);  // first row in designation order
    EXPECT_TRUE(items.Filtered());
    EXPECT_TRUE(items.ControlsDisabled());
    items.EnableControls();
    EXPECT_FALSE(items.ControlsDisabled());
}

TEST_F(Backup, ReplacesAnEarlierBackupOfTheSameNameWithoutAsking)
{
    folder.WriteFile("backups/a.bak", "an older backup");
    Item(1, "a", "");
    items.Open();
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(SnapshotOf(*answer), Snapshot(data.db));
    EXPECT_TRUE(MessageBoxAnswers::History().empty());
    EXPECT_EQ(QDir(folder.File("backups")).entryList(QDir::Files | QDir::Hidden), QStringList({"a.bak"}));
}

TEST_F(Backup, StoppingAtEachStepRaisesItsMessageAndLeavesTheListOpen)
{
    const QString first = Doc("first.txt", "1");
    const QString second = Doc("second.txt", "2");
    Item(1, "a", first);
    Item(2, "b", second);
    StoredRow("/data/orphan.pdf");
    struct Case {
        int stopAt;
        QString message;
        QStringList stored;
    };
    const Case cases[] = {
        {1, "Záloha byla přerušena! (1)", {"/data/orphan.pdf"}},    // nothing changed yet
        {3, "Záloha byla přerušena!", {first}},                       // orphans gone, the first stored
        {4, "Záloha byla přerušena! (2)", {first, second}},
        {5, "Záloha byla přerušena! (3)", {first, second}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        items.SetFiltered(false);
        items.Open();
        items.Last();
        EXPECT_EQ(Run(c.stopAt), c.message);
        EXPECT_EQ(Stored(), c.stored);
        EXPECT_FALSE(QFile::exists(*answer));
        EXPECT_TRUE(data.db.Connected());
        EXPECT_TRUE(items.Active());
        EXPECT_EQ(items.FieldByName("IDENT").AsInteger(), 1);
        EXPECT_FALSE(items.ControlsDisabled());
    }
}

TEST_F(Backup, AFailedCopyLeavesTheEarlierBackupAndTheLiveCatalogueIntact)
{
    Item(1, "a", Doc("doc.txt", QByteArray(20000, 'd')));
    items.Open();
    ASSERT_EQ(Run(), "");
    const QByteArray earlier = ReadAll(*answer);
    Item(2, "b", "");
    const QStringList live = Snapshot(data.db);

    std::unique_ptr<FileSizeLimit> full;
    QString error;
    try {
        data.BackupDatabase(items, [&](int position, const QString&) {
            if (position == -7)
                full = std::make_unique<FileSizeLimit>(4096);  // the disk fills while copying
            return true;
        });
    } catch (const Exception& e) {
        error = e.Message();
    }
    full.reset();
    EXPECT_TRUE(error.startsWith("Záloha se nezdařila!\n")) << error.toStdString();
    EXPECT_TRUE(error.contains(*answer)) << error.toStdString();
    EXPECT_TRUE(error.endsWith(FullDiskReason())) << error.toStdString();
    EXPECT_EQ(ReadAll(*answer), earlier);
    EXPECT_EQ(QDir(folder.File("backups")).entryList(QDir::Files | QDir::Hidden), QStringList({"a.bak"}));
    EXPECT_TRUE(data.db.Connected());
    EXPECT_EQ(Snapshot(data.db), live);
    EXPECT_TRUE(items.Active());

    answer = folder.File("no such folder/b.bak");
    EXPECT_TRUE(Run().startsWith("Záloha se nezdařila!\n"));
    EXPECT_TRUE(data.db.Connected());
}

// A copy whose sync or close fails is a failed copy, over the earlier backup and over the live
// catalogue alike; a temporary a crash left beside the target goes with the next copy.
TEST_F(Backup, ASyncOrCloseThatFailsLeavesTheEarlierFileAndNoTemporary)
{
    Item(1, "a", Doc("doc.txt", QByteArray(20000, 'd')));
    items.Open();
    ASSERT_EQ(Run(), "");
    const QByteArray earlier = ReadAll(*answer);
    const QString leftByCrash = folder.WriteFile("backups/a.bak.Qx7pZ2", "zbytek");
    Item(2, "b", "");
    const QByteArray liveBytes = ReadAll(data.db.DatabaseFile());
    for (const faults::Call call : {faults::Call::Sync, faults::Call::Close}) {
        QString error;
        {
            std::optional<faults::Run> run;
            try {
                data.BackupDatabase(items, [&](int position, const QString&) {
                    if (position == -7)  // the catalogue is closed: the next sync and close are the copy's
                        run.emplace(faults::NthOf(call, 1, EIO));
                    return true;
                });
            } catch (const Exception& e) {
                error = e.Message();
            }
            EXPECT_TRUE(faults::Fired());
        }
        EXPECT_TRUE(error.startsWith("Záloha se nezdařila!\n")) << error.toStdString();
        EXPECT_TRUE(error.contains("Chyba čtení nebo zápisu disku")) << error.toStdString();
        EXPECT_EQ(ReadAll(*answer), earlier);
        EXPECT_EQ(QDir(folder.File("backups")).entryList(QDir::Files | QDir::Hidden), QStringList({"a.bak"}));
        EXPECT_TRUE(data.db.Connected());
    }
    EXPECT_FALSE(QFile::exists(leftByCrash));

    data.dlgRestore.SetFileName(*answer);
    for (const faults::Call call : {faults::Call::Sync, faults::Call::Close}) {
        QString error;
        {
            faults::Run run(faults::NthOf(call, 1, EIO));
            // The catalogue file is the only one written: the next close may be the probe's.
            error = ErrorOf([&] { data.RestoreDatabase(); });
        }
        if (call == faults::Call::Sync || error != "<no error>") {
            EXPECT_TRUE(error.startsWith("Obnova se nezdařila!\n")) << error.toStdString();
            EXPECT_EQ(ReadAll(data.db.DatabaseFile()), liveBytes);
        }
        EXPECT_TRUE(data.db.Connected());
        EXPECT_EQ(QDir(folder.WorkFolder()).entryList({"regalon.db3*"}, QDir::Files | QDir::Hidden), QStringList({"regalon.db3"}));
    }
}

// The engine's English words stay, under a Czech sentence that says what failed and what to do.
TEST_F(Backup, AnEngineFailureIsSaidInCzechWithTheEngineTextBelow)
{
    Item(1, "a", Doc("doc.txt", "obsah"));
    items.Open();
    TMeral3Database other;
    other.SetDriver(EngineLibraryPath());
    other.SetDatabaseFile(data.db.DatabaseFile());
    other.SetMustExists(true);
    other.Open();
    other.ExecSQL("BEGIN EXCLUSIVE");
    const QString error = Run();
    other.ExecSQL("ROLLBACK");
    EXPECT_TRUE(error.startsWith("Záloha se nezdařila! Katalog právě používá jiný program. Počkejte chvíli a zkuste to "
                                 "znovu.\n"))
        << error.toStdString();
    EXPECT_TRUE(error.contains("database is locked")) << error.toStdString();
    EXPECT_TRUE(data.db.Connected());
}

// The catalogue opens again after the copy: a passing failure is tried again, one that stays is said.
TEST_F(Backup, AFailedReopenIsTriedAgainAndReportedWhenItStays)
{
    Item(1, "a", "");
    items.Open();
    const std::string catalogue = data.db.DatabaseFile().toStdString();
    for (const bool persistent : {false, true}) {
        QString error;
        {
            std::optional<faults::Run> run;
            try {
                data.BackupDatabase(items, [&](int position, const QString&) {
                    if (position == -7)  // the copy opens the catalogue first, the reopen next
                        run.emplace(faults::NthOpenOf(catalogue, 2, EIO, persistent));
                    return true;
                });
            } catch (const Exception& e) {
                error = e.Message();
            }
            EXPECT_TRUE(faults::Fired());
        }
        EXPECT_EQ(ReadAll(*answer).size(), ReadAll(data.db.DatabaseFile()).size());
        if (!persistent) {
            EXPECT_EQ(error, "");
            EXPECT_TRUE(data.db.Connected());
            continue;
        }
        EXPECT_TRUE(error.startsWith("Katalog se nepodařilo znovu otevřít!\n")) << error.toStdString();
        EXPECT_FALSE(data.db.Connected());
    }
    data.dlgRestore.SetFileName(*answer);
    QString error;
    {
        faults::Run run(faults::NthOpenOf(catalogue, 1, EIO, true));
        error = ErrorOf([&] { data.RestoreDatabase(); });
    }
    EXPECT_TRUE(error.startsWith("Katalog se nepodařilo znovu otevřít!\n")) << error.toStdString();
    EXPECT_TRUE(data.RestoreDatabase());
    EXPECT_TRUE(data.db.Connected());
}

TEST_F(Backup, RestoreBringsTheBackupBackAndRefusesWhatIsNoCatalogue)
{
    Item(1, "a", "");
    items.Open();
    ASSERT_EQ(Run(), "");
    const QStringList backedUp = Snapshot(data.db);
    Item(2, "later", "");
    items.Close();

    data.dlgRestore.SetFileName(*answer);
    EXPECT_TRUE(data.RestoreDatabase());
    EXPECT_TRUE(data.db.Connected());
    EXPECT_EQ(Snapshot(data.db), backedUp);

    Item(3, "live", "");
    const QStringList live = Snapshot(data.db);
    const QString noCatalogue = folder.WriteFile("backups/text.bak", QByteArray(8192, 'x'));
    const QString emptyFile = folder.WriteFile("backups/empty.bak", "");
    for (const QString& bad : {noCatalogue, emptyFile}) {
        data.dlgRestore.SetFileName(bad);
        const QString error = ErrorOf([&] { data.RestoreDatabase(); });
        EXPECT_TRUE(error.startsWith("Obnova se nezdařila!\n")) << error.toStdString();
        EXPECT_TRUE(error.contains(bad)) << error.toStdString();
        EXPECT_TRUE(data.db.Connected());
        EXPECT_EQ(Snapshot(data.db), live);
    }
}

TEST_F(Backup, ARestoreWhoseCopyFailsKeepsTheLiveCatalogueOpen)
{
    Item(1, "a", Doc("doc.txt", QByteArray(20000, 'd')));
    items.Open();
    ASSERT_EQ(Run(), "");
    Item(2, "live", "");
    const QStringList live = Snapshot(data.db);
    const QByteArray liveBytes = ReadAll(data.db.DatabaseFile());

    data.dlgRestore.SetFileName(*answer);
    QString error;
    {
        FileSizeLimit full(4096);
        error = ErrorOf([&] { data.RestoreDatabase(); });
    }
    EXPECT_TRUE(error.startsWith("Obnova se nezdařila!\n")) << error.toStdString();
    EXPECT_TRUE(error.endsWith(FullDiskReason())) << error.toStdString();
    EXPECT_TRUE(data.db.Connected());
    EXPECT_EQ(Snapshot(data.db), live);
    EXPECT_EQ(ReadAll(data.db.DatabaseFile()), liveBytes);
    EXPECT_EQ(QDir(folder.WorkFolder()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"docdigests.bin", "doclist.txt", "regalon.db3"}));
}

TEST_F(Backup, AnUnchangedBackupWritesNoRowAndAFileChangedInPlaceIsPackedAgain)
{
    const QString drawing = Doc("výkres.pdf", Mixed(1, 1'200'000));  // two blocks
    const QString empty = Doc("prázdný.txt", "");
    const QString linked = Doc("odkaz.txt", "x");
    Item(1, "a", drawing, "viz " + EncodeFileLink(linked));
    Item(2, "b", empty);
    Item(3, "c", "/data/missing.pdf");
    StoredRow("/data/missing.pdf");
    items.Open();
    ASSERT_EQ(Run(), "");
    const QStringList packed = DocsRows();
    LogDocsWrites();

    EXPECT_EQ(Run(), "");
    EXPECT_EQ(DocsWrites(), QStringList());
    EXPECT_EQ(DocsRows(), packed);

    QByteArray changed = Mixed(1, 1'200'000);
    changed[1'000'000] = char(changed[1'000'000] + 1);
    Doc("výkres.pdf", changed);
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(DocsWrites(), QStringList{drawing});
    EXPECT_EQ(Unpacked(drawing), changed);
}

TEST_F(Backup, SeveralWorkersWriteTheBytesOneWorkerWrites)
{
    QStringList documents;
    for (int i = 0; i < 9; ++i)
        documents << Doc(QString("dokument %1.bin").arg(i), Mixed(i, i * 120'000));
    for (int i = 0; i < 9; ++i)
        Item(i + 1, QString("p%1").arg(i), documents[i],
             EncodeFileLink(documents[(i + 3) % 9]) + "\r\n" + EncodeFileLink("/data/missing.txt"));
    items.Open();
    data.SetPackWorkers(1);
    ASSERT_EQ(Run(), "");
    const QStringList oneWorker = DocsRows();
    const QStringList stepsOfOne = steps;

    Sql("UPDATE DOCS SET DOCSIZE=-1");  // every row looks changed: all are packed again
    data.SetPackWorkers(4);
    ASSERT_EQ(Run(), "");
    EXPECT_EQ(DocsRows(), oneWorker);
    EXPECT_EQ(steps, stepsOfOne);
}

TEST_F(Backup, AStopBetweenDocumentsLeavesEveryRowWholeEitherOldOrNew)
{
    QStringList documents;
    for (int i = 0; i < 8; ++i) {
        documents << Doc(QString("d%1.txt").arg(i), Mixed(i, 100'000));
        Item(i + 1, QString("p%1").arg(i), documents[i]);
    }
    items.Open();
    ASSERT_EQ(Run(), "");
    for (int i = 0; i < 8; ++i)
        Doc(QString("d%1.txt").arg(i), Mixed(i + 100, 150'000));
    data.SetPackWorkers(3);

    EXPECT_EQ(Run(6), "Záloha byla přerušena!");  // asked before the fifth document
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(Unpacked(documents[i]), i < 4 ? Mixed(i + 100, 150'000) : Mixed(i, 100'000)) << i;
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Unpacked(documents[7]), Mixed(107, 150'000));
}

TEST_F(Backup, AFileThatCannotBeReadEndsTheBackupAtItsTurn)
{
    const QString first = Doc("first.txt", "1");
    const QString locked = Doc("locked.txt", "2");
    const QString third = Doc("third.txt", "3");
    Item(1, "a", first);
    Item(2, "b", locked);
    Item(3, "c", third);
    items.Open();
    ASSERT_TRUE(QFile::setPermissions(locked, {}));
    QString error;
    {
        WithoutPermissionOverride notRoot;
        error = Run();
    }
    EXPECT_EQ(error, "Soubor \"" + locked + "\" nelze otevřít: Permission denied");
    EXPECT_EQ(steps, QStringList({"-1 Kontrola dokumentů", "1 " + first, "2 " + locked}));
    EXPECT_EQ(Stored(), QStringList{first});
    EXPECT_TRUE(items.Active());
}

TEST_F(Backup, AnOrphanWhosePathHoldsANulOrRunsPastItsColumnIsDeletedAndTheBackupMade)
{
    const QString orphan = "/data/a" + QString(QChar(0)) + "b's 5%_x.pdf";
    const QString longOrphan = "/data/" + QString(300, u'x') + ".pdf";  // made by another program
    for (const QString& path : {orphan, longOrphan}) {
        auto insert = data.NewQuery("INSERT INTO DOCS (DOCPATH, DOCSIZE) VALUES(:p, 1)");
        insert->ParamByName("p").SetAsString(path);
        insert->Open();
    }
    StoredRow("/data/it's.pdf");
    Item(1, "a", "/data/it's.pdf");
    items.Open();
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Stored(), QStringList{"/data/it's.pdf"});
    EXPECT_EQ(ReadAll(Work("undefined.txt")), ToCodePage(orphan + "\r\n" + longOrphan + "\r\n"));
}

// The item's side is read whole too: a path cut to its column would not match its stored row.
TEST_F(Backup, AStoredDocumentWhoseItemPathRunsPastItsColumnOrHoldsANulIsKept)
{
    const QString longPath = "/data/" + QString(300, u'y') + ".pdf";
    const QString withNul = "/data/a" + QString(QChar(0)) + "b.pdf";
    int ident = 0;
    for (const QString& path : {longPath, withNul}) {
        auto insert = data.NewQuery("INSERT INTO DOCS (DOCPATH, DOCSIZE) VALUES(:p, 1)");
        insert->ParamByName("p").SetAsString(path);
        insert->Open();
        auto item = data.NewQuery("INSERT INTO MATR (IDENT, IDTYP, NAZEV, PATH_DOK) VALUES(:i, 0, 'x', :p)");
        item->ParamByName("i").SetAsInteger(++ident);
        item->ParamByName("p").SetAsString(path);
        item->Open();
    }
    items.Open();
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Stored().size(), 2);
    EXPECT_EQ(Value("SELECT count(*) FROM DOCS WHERE DOCPATH=" + QuoteString(longPath)), "1");
}

TEST_F(Backup, RestoreRefusesACatalogueLackingAColumnTheProgramReads)
{
    Item(1, "a", "");
    items.Open();
    ASSERT_EQ(Run(), "");
    Item(2, "live", "");
    const QStringList live = Snapshot(data.db);
    const struct {
        const char* change;
        const char* named;
    } variants[] = {
        {"ALTER TABLE MATR DROP COLUMN OBSAH", "MATR.OBSAH"},
        {"ALTER TABLE TYPY DROP COLUMN PARENT", "TYPY.PARENT"},
        {"ALTER TABLE DOCS DROP COLUMN ZIP", "DOCS.ZIP"},
        {"ALTER TABLE TYPY RENAME COLUMN LEVEL TO OLD_LEVEL; ALTER TABLE TYPY ADD COLUMN LEVEL TEXT", "TYPY.LEVEL"},
    };
    for (const auto& variant : variants) {
        const QString file = folder.File(QString("backups/%1.bak").arg(variant.named));
        ASSERT_TRUE(QFile::copy(*answer, file));
        {
            TMeral3Database other;
            other.SetDriver(EngineLibraryPath());
            other.SetDatabaseFile(file);
            other.Open();
            for (const QString& statement : QString(variant.change).split("; "))
                other.ExecSQL(statement);
        }
        data.dlgRestore.SetFileName(file);
        const QString error = ErrorOf([&] { data.RestoreDatabase(); });
        EXPECT_TRUE(error.startsWith("Obnova se nezdařila!\nSoubor \"" + file + "\" není databáze katalogu:"))
            << error.toStdString();
        EXPECT_TRUE(error.contains(variant.named)) << error.toStdString();
        EXPECT_TRUE(data.db.Connected());
        EXPECT_EQ(Snapshot(data.db), live);
    }
}

TEST(BackupFiles, TheCopyHelperNeverDestroysTheTargetOnFailure)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("target.bak");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the earlier copy");
    }
    FailingDevice source(QByteArray(3 << 20, 's'), 1500000);  // fails in the second megabyte
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QString error;
    EXPECT_FALSE(CopyToFile(source, target, error));
    EXPECT_EQ(error, "Soubor \"zdroj\" nelze přečíst: Input/output error");
    EXPECT_EQ(ReadAll(target), "the earlier copy");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"target.bak"}));

    EXPECT_FALSE(CopyFileReplacing(dir.filePath("missing.db3"), target, error));
    EXPECT_EQ(error, "Soubor \"" + dir.filePath("missing.db3") + "\" nelze otevřít: No such file or directory");
    EXPECT_EQ(ReadAll(target), "the earlier copy");

    const QString source2 = dir.filePath("source.db3");
    {
        QFile s(source2);
        s.open(QIODevice::WriteOnly);
        s.write(QByteArray(3 << 20, 'n'));
    }
    EXPECT_TRUE(CopyFileReplacing(source2, target, error));
    EXPECT_EQ(ReadAll(target), QByteArray(3 << 20, 'n'));
}

TEST(BackupFiles, DefaultNameAndSuffix)
{
    EXPECT_EQ(DefaultBackupName(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 59))), "Regalon_20240305-1407.bak");
    EXPECT_EQ(DefaultBackupName(QDateTime(QDate(2024, 12, 31), QTime(0, 0))), "Regalon_20241231-0000.bak");

    QTemporaryDir dir;
    const QString bare = dir.filePath("zaloha");
    std::optional<QString> answer = bare;
    SetFileDialogAnswerer([&](const TFileDialog&) { return answer; });
    TFileDialog save(TFileDialog::fdSave);
    ASSERT_TRUE(save.Execute(nullptr));
    EXPECT_EQ(save.FileName(), bare + ".bak");
    answer = dir.filePath("zaloha.old");
    ASSERT_TRUE(save.Execute(nullptr));
    EXPECT_EQ(save.FileName(), *answer);

    QFile(bare).open(QIODevice::WriteOnly);  // an existing file is opened as named
    answer = bare;
    TFileDialog open(TFileDialog::fdOpen);
    ASSERT_TRUE(open.Execute(nullptr));
    EXPECT_EQ(open.FileName(), bare);
    answer = QString();
    EXPECT_FALSE(open.Execute(nullptr));
    EXPECT_EQ(open.FileName(), bare);
    SetFileDialogAnswerer({});
}

}  // namespace
