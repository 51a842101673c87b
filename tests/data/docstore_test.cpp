#include "data/docstore.h"

#include "catalogue.h"
#include "data/bz2.h"
#include "data/progress.h"
#include "sqlite/sql3_utils.h"
#include "tests/faults/faults.h"
#include "tests/support/progressrecorder.h"
#include "toolkit/messagebox.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QWidget>
#include <QtEndian>

#include <cerrno>

#include <sys/stat.h>

namespace {

QByteArray Unpacked(const QByteArray& blob)
{
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    UnpackBlob(blob, out);
    return out.data();
}

// Packed at block size 1, as another program might: a valid blob, but not the one PackFile makes.
QByteArray ForeignBlob(const QByteArray& bytes)
{
    QByteArray blob;
    QBuffer out(&blob);
    out.open(QIODevice::WriteOnly);
    TCompressStream compressor(bs100k, out);
    compressor.Write(bytes.constData(), bytes.size());
    compressor.Finish();
    char trailer[8];
    qToLittleEndian<qint64>(bytes.size(), trailer);
    out.write(trailer, 8);
    return blob;
}

// The growth of the resident set's peak from the object's making, reset then where the system allows.
class PeakMemory {
public:
    PeakMemory()
    {
        QFile reset("/proc/self/clear_refs");
        if (reset.open(QIODevice::WriteOnly))
            reset.write("5");
        start_ = HighWaterKiB();
    }
    double GrowthMiB() const { return double(HighWaterKiB() - start_) / 1024; }

private:
    static qint64 HighWaterKiB()
    {
        QFile status("/proc/self/status");
        status.open(QIODevice::ReadOnly);
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        return 0;
    }
    qint64 start_ = 0;
};

QByteArray Packed(const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer in(&copy);
    in.open(QIODevice::ReadOnly);
    return PackFile(in, QStringLiteral("test")).Blob;
}

class DocStore : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        MessageBoxAnswers::Reset();
        SetMainWindow(&mainWindow);
    }
    void TearDown() override { SetMainWindow(nullptr); }

    QString Doc(const QString& name, const QByteArray& bytes) { return folder.WriteFile("docs/" + name, bytes); }
    static QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static ino_t Inode(const QString& path)
    {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
    }
    QString Dokum(const QString& name) { return folder.WorkFolder() + "/DOKUM/" + name; }
    QStringList DokumEntries() { return QDir(folder.WorkFolder() + "/DOKUM").entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden); }
    QStringList Paths() { return Column("SELECT DOCPATH FROM DOCS ORDER BY DOCPATH"); }
    // The stored document of a path, unpacked; checks that the sizes agree with the blob.
    QByteArray Stored(const QString& path)
    {
        auto q = data.NewQuery("SELECT DOCSIZE, ZIPSIZE, ZIP FROM DOCS WHERE DOCPATH=:p");
        q->ParamByName("p").SetAsString(path);
        q->Open();
        if (q->IsEmpty())
            return "<no row>";
        const QByteArray blob = q->FieldByName("ZIP").AsBytes();
        EXPECT_EQ(q->FieldByName("ZIPSIZE").AsLargeInt(), blob.size());
        const QByteArray document = Unpacked(blob);
        EXPECT_EQ(q->FieldByName("DOCSIZE").AsLargeInt(), document.size());
        return document;
    }
    // A row as a catalogue made elsewhere may hold it.
    void InsertRow(const QString& path, const QByteArray& blob)
    {
        auto q = data.NewQuery("INSERT INTO DOCS VALUES(:p, 0, :n, :z)");
        q->ParamByName("p").SetAsString(path);
        q->ParamByName("n").SetAsLargeInt(blob.size());
        q->ParamByName("z").SetAsBlob(blob);
        q->Open();
    }
    QString Warnings()
    {
        QStringList texts;
        for (const auto& shown : MessageBoxAnswers::History()) {
            EXPECT_EQ(shown.owner, &mainWindow);
            EXPECT_EQ(shown.icon, QMessageBox::Warning);
            texts << shown.caption + ": " + shown.text;
        }
        return texts.join(" / ");
    }

    ProgressRecorder mainWindow;
};

TEST_F(DocStore, StoringAgainReplacesTheRowAndLetterCaseMakesAnotherPath)
{
    const QString path = Doc("Výkres 1.pdf", "první verze");
    EXPECT_TRUE(data.StoreDocument(path));
    Doc("Výkres 1.pdf", "druhá, delší verze dokumentu");
    EXPECT_TRUE(data.StoreDocument(path));
    EXPECT_EQ(Paths(), QStringList{path});
    EXPECT_EQ(Stored(path), "druhá, delší verze dokumentu");

    const QString other = Doc("VÝKRES 1.pdf", "jiný soubor");
    data.StoreDocument(other);
    EXPECT_EQ(Paths().size(), 2);
    EXPECT_EQ(Stored(path), "druhá, delší verze dokumentu");
    EXPECT_EQ(Warnings(), "");
}

TEST_F(DocStore, ARowThatHoldsTheFileAlreadyIsLeftUntouched)
{
    const QString path = Doc("výkres.pdf", QByteArray(300000, 'v') + "konec");
    const QString foreign = Doc("cizí.txt", "uloženo jiným programem");
    data.StoreDocument(path);
    InsertRow(foreign, ForeignBlob("uloženo jiným programem"));  // another packer: other blob, same bytes
    Sql(QString("UPDATE DOCS SET DOCSIZE=%1 WHERE DOCPATH<>%2")
            .arg(QByteArray("uloženo jiným programem").size())
            .arg(QuoteString(path)));
    const QStringList before = Column("SELECT DOCPATH||hex(ZIP) FROM DOCS ORDER BY DOCPATH");
    LogDocsWrites();

    data.StoreDocument(path);
    data.StoreDocument(foreign);
    EXPECT_EQ(DocsWrites(), QStringList());
    EXPECT_EQ(Column("SELECT DOCPATH||hex(ZIP) FROM DOCS ORDER BY DOCPATH"), before);

    Doc("výkres.pdf", QByteArray(300000, 'v') + "KONEC");  // the same size, other bytes
    Doc("cizí.txt", "uloženo jiným programem!");
    data.StoreDocument(path);
    data.StoreDocument(foreign);
    EXPECT_EQ(DocsWrites(), QStringList({path, foreign}));
    EXPECT_EQ(Stored(path), QByteArray(300000, 'v') + "KONEC");
    EXPECT_EQ(Stored(foreign), "uloženo jiným programem!");
    EXPECT_EQ(Warnings(), "");
}

TEST_F(DocStore, PathsWithNulQuotesAndPercentSignsAreStoredAndOpened)
{
    const QString path = Doc("it's 100% \"_hotovo\"/o'brien %32.txt", "uvozovky");
    EXPECT_TRUE(data.StoreDocument(path));
    EXPECT_EQ(Stored(path), "uvozovky");
    QFile::remove(path);
    EXPECT_EQ(ReadFile(data.GetDocument(path)), "uvozovky");

    // No file can have such a path, but a catalogue may hold one.
    const QString withNul = "/pryč/a" + QString(QChar(0)) + "b's 5%_/zpráva's.txt";
    InsertRow(withNul, Packed("s nulou"));
    EXPECT_EQ(Paths().size(), 2);
    EXPECT_TRUE(data.StoreDocument(withNul));
    EXPECT_EQ(data.GetDocument(withNul), Dokum("zpráva's.txt"));
    EXPECT_EQ(ReadFile(Dokum("zpráva's.txt")), "s nulou");
    EXPECT_EQ(Warnings(), "");
}

TEST_F(DocStore, AnOversizedBlobIsRefusedBeforeItIsRead)
{
    const QString path = folder.File("docs/obří.bin");
    Sql("INSERT INTO DOCS VALUES(" + QuoteString(path) + ", 4, 300000000, zeroblob(300000000))");
    PeakMemory peak;
    EXPECT_EQ(data.GetDocument(path), Dokum("obří.bin"));
    EXPECT_EQ(DokumEntries(), QStringList());
    Doc("obří.bin", "malý");
    EXPECT_TRUE(data.StoreDocument(path));  // as large as its row claims: the blob must not be read to compare
    EXPECT_LT(peak.GrowthMiB(), 64);
    EXPECT_EQ(Stored(path), "malý");
    EXPECT_EQ(Warnings(), "Varování: Soubor " + path + " je příliš velký!");
}

TEST_F(DocStore, EmptyDocumentIsStoredAsTheBareTrailer)
{
    const QString path = Doc("prázdný.txt", "");
    data.StoreDocument(path);
    EXPECT_EQ(Value("SELECT DOCSIZE||'/'||ZIPSIZE||'/'||hex(ZIP) FROM DOCS"), "0/8/0000000000000000");
}

TEST_F(DocStore, MissingPathOrFolderStoresNothing)
{
    EXPECT_TRUE(data.StoreDocument(folder.File("docs/není.pdf")));
    QDir().mkpath(folder.File("docs/složka"));
    EXPECT_TRUE(data.StoreDocument(folder.File("docs/složka")));
    EXPECT_EQ(Paths(), QStringList());
}

TEST_F(DocStore, CallbackIsAskedFirstAndCanStopTheStore)
{
    const QString path = Doc("a.txt", "obsah");
    std::vector<std::pair<int, QString>> asked;
    auto goOn = [&](int index, const QString& p) { asked.emplace_back(index, p); return true; };
    data.StoreDocument(path, 7, goOn);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], std::make_pair(7, path));

    Doc("a.txt", "novější");
    EXPECT_EQ(ErrorOf([&] { data.StoreDocument(path, 8, [](int, const QString&) { return false; }); }),
              QStringLiteral("Záloha byla přerušena!"));
    EXPECT_EQ(Stored(path), "obsah");
}

TEST_F(DocStore, StoreInsideARolledBackTransactionLeavesDocsAsBefore)
{
    const QString kept = Doc("kept.txt", "původní");
    data.StoreDocument(kept);
    data.BeginWork();
    Doc("kept.txt", "změněný");
    data.StoreDocument(kept);
    data.StoreDocument(Doc("new.txt", "nový"));
    data.RollbackWork();
    EXPECT_EQ(Paths(), QStringList{kept});
    EXPECT_EQ(Stored(kept), "původní");
}

TEST_F(DocStore, AbandonedPackKeepsTheGoodCopyAndStoresNothingNew)
{
    const QString path = Doc("velký.bin", "malý začátek");
    data.StoreDocument(path);
    QFile grown(path);
    ASSERT_TRUE(grown.resize(PackSizeLimit + 1));  // sparse: nothing is read before it is refused
    const QString fresh = Doc("nový velký.bin", "");
    ASSERT_TRUE(QFile(fresh).resize(PackSizeLimit + 1));

    EXPECT_TRUE(data.StoreDocument(path));
    EXPECT_TRUE(data.StoreDocument(fresh));
    EXPECT_EQ(Paths(), QStringList{path});
    EXPECT_EQ(Stored(path), "malý začátek");
    EXPECT_EQ(Warnings(), "Varování: Soubor " + path + " je příliš velký! / Varování: Soubor " + fresh + " je příliš velký!");
}

TEST_F(DocStore, PathOutsideTheCodePageIsRefusedWithoutStoring)
{
    const QString path = Doc("文書.txt", "text");
    EXPECT_TRUE(ErrorOf([&] { data.StoreDocument(path); }).contains("Windows-1250"));
    EXPECT_EQ(Paths(), QStringList());
    EXPECT_EQ(data.GetDocument(folder.File("gone/文書.txt")), Dokum("文書.txt"));
}

TEST_F(DocStore, ExistingFileIsItsOwnDocumentWithoutProgress)
{
    const QString path = Doc("tady.txt", "x");
    data.StoreDocument(path);
    EXPECT_EQ(data.GetDocument(path), path);
    EXPECT_TRUE(mainWindow.received.empty());
    EXPECT_EQ(DokumEntries(), QStringList());
}

TEST_F(DocStore, MissingFileWithoutARowGivesTheDokumPath)
{
    EXPECT_EQ(data.GetDocument(folder.File("pryč/zpráva.odt")), Dokum("zpráva.odt"));
    EXPECT_EQ(mainWindow.received, (std::vector<std::pair<qint64, qint64>>{{5, 100}}));
    EXPECT_EQ(DokumEntries(), QStringList());
}

TEST_F(DocStore, TheCopyInDokumIsUsedOnlyWhileItHoldsTheStoredBytes)
{
    const QString path = Doc("plán.txt", "stará verze");
    data.StoreDocument(path);
    QFile::remove(path);

    EXPECT_EQ(data.GetDocument(path), Dokum("plán.txt"));
    ASSERT_GE(mainWindow.received.size(), 2u);
    EXPECT_EQ(mainWindow.received[0], std::make_pair(qint64(5), qint64(100)));
    EXPECT_EQ(mainWindow.received[1], std::make_pair(qint64(10), qint64(100)));
    EXPECT_EQ(ReadFile(Dokum("plán.txt")), "stará verze");
    const ino_t first = Inode(Dokum("plán.txt"));
    data.GetDocument(path);
    EXPECT_EQ(Inode(Dokum("plán.txt")), first);  // the fresh copy is reused as it is

    QFile viewer(Dokum("plán.txt"));  // a viewer holding the old copy keeps it
    ASSERT_TRUE(viewer.open(QIODevice::ReadOnly));
    Doc("plán.txt", "nová verze");
    data.StoreDocument(path);
    QFile::remove(path);
    data.GetDocument(path);
    EXPECT_EQ(ReadFile(Dokum("plán.txt")), "nová verze");
    EXPECT_EQ(viewer.readAll(), "stará verze");

    folder.WriteFile("data/Regalon {5C2E9A41-7B03-4F6D-9E18-A2D47B6C0E95}/DOKUM/plán.txt", "nová VERZE");
    data.GetDocument(path);  // changed in place, same size
    EXPECT_EQ(ReadFile(Dokum("plán.txt")), "nová verze");
    EXPECT_EQ(DokumEntries(), QStringList{"plán.txt"});
    EXPECT_EQ(Warnings(), "");
}

TEST_F(DocStore, DocumentsOfOneFileNameFromTwoFoldersEachOpenAsThemselves)
{
    InsertRow("C:\\A\\manual.pdf", Packed("manuál A"));
    InsertRow("C:\\B\\manual.pdf", Packed("manuál B"));
    Sql("UPDATE DOCS SET DOCSIZE=" + QString::number(QByteArray("manuál A").size()));  // the same size: the bytes decide
    for (const char* which : {"A", "B", "A"}) {
        const QString local = data.GetDocument(QString("C:\\%1\\manual.pdf").arg(which));
        EXPECT_EQ(ReadFile(local), "manuál " + QByteArray(which));
    }
}

TEST_F(DocStore, ALinkInDokumIsReplacedAndItsTargetLeftAlone)
{
    const QString path = Doc("odkaz.txt", "uložený obsah");
    data.StoreDocument(path);
    QFile::remove(path);
    const QString elsewhere = folder.WriteFile("elsewhere/cizí.txt", "cizí soubor");
    const QString same = folder.WriteFile("elsewhere/stejný.txt", "uložený obsah");
    for (const QString& target : {elsewhere, same, folder.File("elsewhere/nic")}) {
        QFile::remove(Dokum("odkaz.txt"));
        ASSERT_TRUE(QFile::link(target, Dokum("odkaz.txt")));
        EXPECT_EQ(data.GetDocument(path), Dokum("odkaz.txt"));
        EXPECT_FALSE(QFileInfo(Dokum("odkaz.txt")).isSymLink()) << target.toStdString();
        EXPECT_EQ(ReadFile(Dokum("odkaz.txt")), "uložený obsah");
    }
    EXPECT_EQ(ReadFile(elsewhere), "cizí soubor");
    EXPECT_EQ(ReadFile(same), "uložený obsah");
    EXPECT_FALSE(QFileInfo::exists(folder.File("elsewhere/nic")));
}

TEST_F(DocStore, PathWrittenOnWindowsOpensFromItsStoredCopy)
{
    InsertRow("C:\\Dokumenty\\výkres.pdf", Packed("PDF"));
    InsertRow("D:poznámka.txt", Packed("poznámka"));
    EXPECT_EQ(data.GetDocument("C:/Dokumenty/výkres.pdf"), Dokum("výkres.pdf"));
    EXPECT_EQ(data.GetDocument("D:poznámka.txt"), Dokum("poznámka.txt"));
    QFile copy(Dokum("výkres.pdf"));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "PDF");
    EXPECT_EQ(DokumEntries(), QStringList({"poznámka.txt", "výkres.pdf"}));
}

TEST_F(DocStore, StoredPathsThatWouldLeaveDokumAreNeverUnpacked)
{
    const QByteArray blob = Packed("útok");
    // The work folder trims blanks and control characters at the end: the name is judged as it will be.
    const QStringList leaving{"/tmp/x/..", "/tmp/x/.", "/tmp/x/", "C:\\data\\..", "..", "C:", "/tmp/x/.. ",
                              "C:\\x\\..\t", "/tmp/x/ ", "/tmp/x/\x01", "/tmp/x/.\r\n", "/tmp/x/bad" + QString(QChar(0)) + "name"};
    for (const QString& path : leaving)
        InsertRow(path, blob);
    InsertRow("..\\..\\evil.txt", blob);
    InsertRow("../../../zlý.txt", blob);
    InsertRow("/tmp/x/tab.txt\t ", blob);
    const QStringList before = QDir(folder.DataHome()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);

    for (const QString& path : leaving)
        EXPECT_EQ(data.GetDocument(path), "") << path.toStdString();
    EXPECT_EQ(DokumEntries(), QStringList());
    EXPECT_EQ(QDir(folder.DataHome()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), before);
    EXPECT_EQ(QDir(folder.WorkFolder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList({"DOKUM", "regalon.db3"}));

    EXPECT_EQ(data.GetDocument("..\\..\\evil.txt"), Dokum("evil.txt"));
    EXPECT_EQ(data.GetDocument("../../../zlý.txt"), Dokum("zlý.txt"));
    EXPECT_EQ(data.GetDocument("/tmp/x/tab.txt\t "), Dokum("tab.txt"));
    EXPECT_EQ(DokumEntries(), QStringList({"evil.txt", "tab.txt", "zlý.txt"}));
    EXPECT_EQ(ReadFile(Dokum("tab.txt")), "útok");
}

// Each failed unpack names its real reason, opens nothing and keeps an older copy as it was.
TEST_F(DocStore, AFailedUnpackGivesItsReasonAndNeverOpensTheOlderCopy)
{
    QByteArray damaged = Packed(QByteArray(200000, 'a') + QByteArray("konec"));
    damaged[damaged.size() / 2] = char(~damaged[damaged.size() / 2]);  // damage in the middle of the stream
    QByteArray zeroTrailer = Packed("obsah");
    qToLittleEndian<qint64>(0, zeroTrailer.data() + zeroTrailer.size() - 8);
    const QString longName = QString(300, u'n') + ".txt";
    InsertRow("/pryč/poškozený.txt", damaged);
    InsertRow("/pryč/nula.txt", zeroTrailer);
    InsertRow("/pryč/" + longName, Packed("dlouhý"));
    folder.WriteFile(Dokum("nula.txt").mid(folder.File("").size()), "starší kopie");

    // The Czech sentence with what to do first; the library's own words alone on the last line.
    EXPECT_EQ(data.GetDocument("/pryč/poškozený.txt"), "");
    QStringList lines = Warnings().split('\n');
    ASSERT_EQ(lines.size(), 2) << Warnings().toStdString();
    EXPECT_EQ(lines[0], "Varování: Dokument \"/pryč/poškozený.txt\" nelze rozbalit. Uložený dokument je poškozen. "
                        "Vyberte jeho soubor v položce znovu (Vyber soubor), nebo obnovte databázi ze zálohy.");
    EXPECT_TRUE(lines[1].startsWith("The bz2 engine signals")) << lines[1].toStdString();
    MessageBoxAnswers::Reset();
    EXPECT_EQ(data.GetDocument("/pryč/nula.txt"), "");
    lines = Warnings().split('\n');
    ASSERT_EQ(lines.size(), 3) << Warnings().toStdString();
    EXPECT_TRUE(lines[0].contains("nelze rozbalit. Uložený dokument je poškozen. ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains("starší kopie \"" + Dokum("nula.txt") + "\"; neotevírá se")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith("The blob's size trailer says 0 bytes")) << lines[2].toStdString();
    EXPECT_EQ(ReadFile(Dokum("nula.txt")), "starší kopie");
    MessageBoxAnswers::Reset();
    EXPECT_EQ(data.GetDocument("/pryč/" + longName), "");
    EXPECT_TRUE(Warnings().contains("Název souboru je příliš dlouhý")) << Warnings().toStdString();
    EXPECT_EQ(DokumEntries(), QStringList{"nula.txt"});
}

// A copy whose write, sync or close fails is no copy: the older one stays, the temporary goes.
TEST_F(DocStore, AWriteSyncOrCloseThatFailsKeepsTheOlderCopyAndSaysWhy)
{
    InsertRow("/pryč/plán.txt", Packed("nová verze"));
    ASSERT_EQ(ReadFile(data.GetDocument("/pryč/plán.txt")), "nová verze");  // its digest is known from here on
    folder.WriteFile(Dokum("plán.txt").mid(folder.File("").size()), "stará");
    const std::pair<faults::Call, int> cases[] = {
        {faults::Call::Write, ENOSPC}, {faults::Call::Sync, EIO}, {faults::Call::Close, EIO}};
    for (const auto& [call, error] : cases) {
        MessageBoxAnswers::Reset();
        QString local;
        {
            faults::Run run(faults::NthOf(call, 1, error, true));  // the reads before it close files too
            local = data.GetDocument("/pryč/plán.txt");
            EXPECT_TRUE(faults::Fired());
        }
        EXPECT_EQ(local, "");
        EXPECT_TRUE(Warnings().contains(error == ENOSPC ? "Na disku není místo" : "Chyba čtení nebo zápisu disku"))
            << Warnings().toStdString();
        EXPECT_EQ(ReadFile(Dokum("plán.txt")), "stará");
        EXPECT_EQ(DokumEntries(), QStringList{"plán.txt"});
    }
    // A temporary a crash left beside the copy goes with the next unpack; a longer name stays.
    folder.WriteFile(Dokum("plán.txt.aB3xY9").mid(folder.File("").size()), "zbytek");
    folder.WriteFile(Dokum("plán.txt.záloha").mid(folder.File("").size()), "cizí");
    EXPECT_EQ(ReadFile(data.GetDocument("/pryč/plán.txt")), "nová verze");
    EXPECT_EQ(DokumEntries(), QStringList({"plán.txt", "plán.txt.záloha"}));
}

// A viewer that reads its file late must still get the document it was given.
TEST_F(DocStore, PathsWhoseFileNamesCollideGetCopiesOfTheirOwnUnderTheSameName)
{
    InsertRow("/a/x/zpráva.txt", Packed("první"));
    InsertRow("C:\\b\\zpráva.txt", Packed("druhá"));
    InsertRow("/a/jiná.txt", Packed("jiná"));
    const QString first = data.GetDocument("/a/x/zpráva.txt");
    const QString second = data.GetDocument("C:\\b\\zpráva.txt");
    EXPECT_NE(first, second);
    EXPECT_EQ(QFileInfo(first).fileName(), "zpráva.txt");
    EXPECT_EQ(QFileInfo(second).fileName(), "zpráva.txt");
    EXPECT_EQ(ReadFile(first), "první");
    EXPECT_EQ(ReadFile(second), "druhá");
    EXPECT_EQ(data.GetDocument("/a/x/zpráva.txt"), first);
    EXPECT_EQ(data.GetDocument("/a/jiná.txt"), Dokum("jiná.txt"));
    EXPECT_EQ(Warnings(), "");
}

TEST(FileLink, EncodesBlanksCzechLettersAndEqualsSigns)
{
    EXPECT_EQ(EncodeFileLink("/home/jan/Nová složka/čísla=1.pdf"),
              "file:///home/jan/Nov=E1%32slo=9Eka/=E8=EDsla=3D1.pdf");
    EXPECT_EQ(FileLinkPrefix, QStringLiteral("file://"));
}

TEST(FileLink, LongPathsBreakSoftlyAndStayOneWord)
{
    const QString path = "/home/jan/" + QString(40, QChar(u'ř')) + "/" + QString(90, 'x') + " konec.txt";
    const QString link = EncodeFileLink(path);
    EXPECT_TRUE(link.contains("=%13"));
    EXPECT_FALSE(link.contains(' '));
    EXPECT_FALSE(link.contains('\r'));
    EXPECT_FALSE(link.contains('\n'));
    EXPECT_EQ(DecodeFileLink(link), path);
}

TEST(FileLink, RoundTripsPathsWithBlanksEqualsSignsAndCzechLetters)
{
    for (const QString& path : {QStringLiteral("/a b/c  d.txt"), QStringLiteral("/x=y/==/a=3D.txt"),
                                QStringLiteral("/Příliš žluťoučký kůň/úpěl ďábelské ódy.odt"),
                                QStringLiteral("/konec s mezerou "), QStringLiteral("C:\\Dokumenty\\a.pdf"),
                                QStringLiteral("")}) {
        EXPECT_EQ(DecodeFileLink(EncodeFileLink(path)), path);
    }
    EXPECT_EQ(DecodeFileLink("/bez/předpony%32x"), "/bez/předpony x");
    EXPECT_EQ(DecodeFileLink("file://C:/Dokumenty/v=FDkres.pdf"), "C:/Dokumenty/výkres.pdf");  // made on Windows
    EXPECT_EQ(DecodeFileLink("file:///ruční/日本%32x.txt"), "/ruční/日本 x.txt");
}

TEST(FileLink, CodingMarksInsideAPathDoNotComeBack)
{
    EXPECT_EQ(DecodeFileLink(EncodeFileLink("/a%32b%13c")), "/a b\r\nc");
}

TEST(FileLink, PathOutsideTheCodePageIsRefused)
{
    EXPECT_TRUE(ErrorOf([] { EncodeFileLink("/日本.txt"); }).contains("Windows-1250"));
}

TEST(DocumentFileName, TakesWhatFollowsEitherSeparatorOrADrive)
{
    EXPECT_EQ(DocumentFileName("/home/a/b.pdf"), "b.pdf");
    EXPECT_EQ(DocumentFileName("C:\\Dok\\výkres.pdf"), "výkres.pdf");
    EXPECT_EQ(DocumentFileName("C:výkres.pdf"), "výkres.pdf");
    EXPECT_EQ(DocumentFileName("/home/a/b:c.pdf"), "b:c.pdf");
    EXPECT_EQ(DocumentFileName("/home/a/"), "");
}

using ContentLinks = CatalogueTest;

TEST_F(ContentLinks, FirstLinkOfEachLineCutAtItsFirstBlank)
{
    const QString content = "úvod bez odkazu\r\n"
                            "  viz file:///home/a%32b/n=E1vod.pdf a další slova\r\n"
                            "dva file:///prvni.txt file:///druhy.txt\n"
                            "web https://example.org\r"
                            "\tfile://" + EncodeFileLink("/dlouhá/" + QString(80, 'z') + ".txt").mid(7) + "\t\r\n";
    auto insert = data.NewQuery("INSERT INTO MATR (IDENT, OBSAH) VALUES(1, :c)");
    insert->ParamByName("c").SetAsString(content);
    insert->Open();
    Sql("INSERT INTO MATR (IDENT) VALUES(2)");
    auto q = data.NewQuery("SELECT a.OBSAH, b.OBSAH AS PRAZDNY FROM MATR a, MATR b WHERE a.IDENT=1 AND b.IDENT=2");
    q->Open();
    QStringList links{"dřívější"};
    Tdm::ListContentLinks(q->FieldByName("OBSAH"), links);
    EXPECT_EQ(links, QStringList({"dřívější", "/home/a b/návod.pdf", "/prvni.txt",
                                  "/dlouhá/" + QString(80, 'z') + ".txt"}));
    Tdm::ListContentLinks(q->FieldByName("PRAZDNY"), links);
    EXPECT_EQ(links.size(), 4);
}

}  // namespace
