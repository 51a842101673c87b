#include "data/docstore.h"

#include "catalogue.h"
#include "data/bz2.h"
#include "data/progress.h"
#include "toolkit/messagebox.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QWidget>

namespace {

// Stands in for the main window: records the progress it is sent.
class ProgressSink : public QWidget {
public:
    std::vector<std::pair<qint64, qint64>> Received;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != WM_PROGRESS)
            return QWidget::event(e);
        const auto* progress = static_cast<TProgressEvent*>(e);
        Received.emplace_back(progress->Position(), progress->Total());
        return true;
    }
};

QByteArray Unpacked(const QByteArray& blob)
{
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    UnpackBlob(blob, out);
    return out.data();
}

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

    ProgressSink mainWindow;
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
    EXPECT_FALSE(data.bakTable.Active());
    EXPECT_EQ(Warnings(), "");
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
    EXPECT_FALSE(data.bakTable.Active());
    EXPECT_EQ(data.GetDocument(folder.File("gone/文書.txt")), Dokum("文書.txt"));
}

TEST_F(DocStore, ExistingFileIsItsOwnDocumentWithoutProgress)
{
    const QString path = Doc("tady.txt", "x");
    data.StoreDocument(path);
    EXPECT_EQ(data.GetDocument(path), path);
    EXPECT_TRUE(mainWindow.Received.empty());
    EXPECT_EQ(DokumEntries(), QStringList());
}

TEST_F(DocStore, MissingFileWithoutARowGivesTheDokumPath)
{
    EXPECT_EQ(data.GetDocument(folder.File("pryč/zpráva.odt")), Dokum("zpráva.odt"));
    EXPECT_EQ(mainWindow.Received, (std::vector<std::pair<qint64, qint64>>{{5, 100}}));
    EXPECT_EQ(DokumEntries(), QStringList());
    EXPECT_FALSE(data.bakTable.Active());
}

TEST_F(DocStore, MissingFileIsUnpackedOnceAndThenLeftAsItIs)
{
    const QString path = Doc("plán.txt", "stará verze");
    data.StoreDocument(path);
    QFile::remove(path);

    EXPECT_EQ(data.GetDocument(path), Dokum("plán.txt"));
    ASSERT_GE(mainWindow.Received.size(), 2u);
    EXPECT_EQ(mainWindow.Received[0], std::make_pair(qint64(5), qint64(100)));
    EXPECT_EQ(mainWindow.Received[1], std::make_pair(qint64(10), qint64(100)));
    QFile copy(Dokum("plán.txt"));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "stará verze");
    copy.close();

    Doc("plán.txt", "nová verze");
    data.StoreDocument(path);
    QFile::remove(path);
    data.GetDocument(path);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "stará verze");
    EXPECT_EQ(DokumEntries(), QStringList{"plán.txt"});
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
    for (const QString path : {"/tmp/x/..", "/tmp/x/.", "/tmp/x/", "C:\\data\\..", "..", "C:"})
        InsertRow(path, blob);
    InsertRow("..\\..\\evil.txt", blob);
    InsertRow("../../../zlý.txt", blob);
    const QStringList before = QDir(folder.DataHome()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);

    for (const QString path : {"/tmp/x/..", "/tmp/x/.", "/tmp/x/", "C:\\data\\..", "..", "C:"})
        EXPECT_EQ(data.GetDocument(path), "") << path.toStdString();
    EXPECT_EQ(DokumEntries(), QStringList());
    EXPECT_EQ(QDir(folder.DataHome()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), before);
    EXPECT_EQ(QDir(folder.WorkFolder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList({"DOKUM", "regalon.db3"}));

    EXPECT_EQ(data.GetDocument("..\\..\\evil.txt"), Dokum("evil.txt"));
    EXPECT_EQ(data.GetDocument("../../../zlý.txt"), Dokum("zlý.txt"));
    EXPECT_EQ(DokumEntries(), QStringList({"evil.txt", "zlý.txt"}));
}

TEST_F(DocStore, FailedUnpackWarnsAndLeavesNoPartialFile)
{
    QByteArray blob = Packed(QByteArray(200000, 'a') + QByteArray("konec"));
    blob[blob.size() / 2] = char(~blob[blob.size() / 2]);  // damage in the middle of the stream
    InsertRow("/pryč/poškozený.txt", blob);
    EXPECT_EQ(data.GetDocument("/pryč/poškozený.txt"), Dokum("poškozený.txt"));
    EXPECT_EQ(Warnings(), "Varování: Soubor je již pravděpodobně otevřen.");
    EXPECT_EQ(DokumEntries(), QStringList());
    EXPECT_FALSE(data.bakTable.Active());
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
