#include "documents.h"

#include "data/docstoredigest.h"
#include "search/indexer.h"
#include "sqlite/sql3_utils.h"

#include "tests/data/catalogue.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class DocumentIndex : public CatalogueTest {
protected:
    // Writes the file into the folder and stores it in the catalogue; answers its path.
    QString Store(const QString& name, const QByteArray& bytes)
    {
        const QString path = folder.WriteFile("docs/" + name, bytes);
        EXPECT_TRUE(data.StoreDocument(path));
        return path;
    }
    TIndexFiles Files() const
    {
        return {data.db.DatabaseFile(), folder.WorkFolder() + "/fulltext.db3", EngineLibraryPath()};
    }
    // One pass; answers how many documents it extracted.
    int Sync(int hangMilliseconds = 30'000)
    {
        int extracted = 0;
        const TExtractChild child(QStringLiteral(SEARCH_TEST_CHILD), {QString::fromLatin1(ExtractOption)},
                                  {hangMilliseconds});
        figures = SyncDocumentIndex(Files(), child, [&extracted](int done, int) { extracted = done; }, stop);
        return extracted;
    }
    QStringList Found(const QString& text)
    {
        TFulltextIndex index(Files().Index, Files().Driver, false);
        QStringList paths;
        for (const TDocumentHit& hit : index.Search(text))
            paths << QFileInfo(hit.Path).fileName();
        paths.sort();
        return paths;
    }
    QByteArray CatalogueBytes() const
    {
        QFile file(data.db.DatabaseFile());
        return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), DigestAlgorithm) : QByteArray();
    }

    std::atomic<bool> stop{false};
    TIndexFigures figures;
};

TEST_F(DocumentIndex, FindsWordsOfEveryFormatAccentBlindBothWays)
{
    Store("vykres.pdf", MakePdf({"titulní strana", "Šroubovák křížový PH2"}));
    Store("návod.odt", MakeOdt("Regál A1 se skládá ze čtyř polic"));
    Store("faktura.docx", MakeDocx("Růže a kopretiny"));
    Store("cenik.txt", ToCodePage(u"Žlutý kůň úpěl ďábelské ódy"));
    Store("schema.dwg", "binary");
    data.db.Close();  // the catalogue file as it stands, to compare after indexing
    const QByteArray before = CatalogueBytes();
    EXPECT_EQ(Sync(), 5);
    EXPECT_EQ(CatalogueBytes(), before);
    EXPECT_EQ(figures.Documents, 5);
    EXPECT_EQ(figures.Failed, 0);

    EXPECT_EQ(Found("krizovy sroub"), QStringList({"vykres.pdf"}));
    EXPECT_EQ(Found("KŘÍŽOVÝ"), QStringList({"vykres.pdf"}));
    EXPECT_EQ(Found("regal polic"), QStringList({"návod.odt"}));
    EXPECT_EQ(Found("růže"), QStringList({"faktura.docx"}));
    EXPECT_EQ(Found("zluty kun"), QStringList({"cenik.txt"}));
    EXPECT_EQ(Found("schema"), QStringList({"schema.dwg"}));  // by its name only
    EXPECT_EQ(Found("regal ruze"), QStringList());             // every word in one document
    TFulltextIndex index(Files().Index, Files().Driver, false);
    const std::vector<TDocumentHit> hits = index.Search("kriz");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_TRUE(hits[0].Excerpt.contains("[křížový]")) << hits[0].Excerpt.toStdString();

    EXPECT_EQ(Sync(), 0);  // nothing new: nothing extracted again
}

TEST_F(DocumentIndex, AChangedDocumentIsIndexedAgainAndARemovedOneLeaves)
{
    const QString odt = Store("návod.odt", MakeOdt("stará verze"));
    Store("cenik.txt", "kabel");
    Sync();
    EXPECT_EQ(Found("stara"), QStringList({"návod.odt"}));
    QFile::remove(odt);
    Store("návod.odt", MakeOdt("nová verze"));
    Sql("DELETE FROM DOCS WHERE DOCPATH LIKE '%cenik.txt'");
    EXPECT_EQ(Sync(), 1);
    EXPECT_EQ(Found("stara"), QStringList());
    EXPECT_EQ(Found("nova"), QStringList({"návod.odt"}));
    EXPECT_EQ(Found("kabel"), QStringList());
    EXPECT_EQ(figures.Documents, 1);
}

TEST_F(DocumentIndex, ADeletedOrDamagedIndexIsMadeAnew)
{
    Store("cenik.txt", "kabel");
    Sync();
    QFile::remove(Files().Index);
    EXPECT_EQ(Sync(), 1);
    EXPECT_EQ(Found("kabel"), QStringList({"cenik.txt"}));

    QFile index(Files().Index);
    ASSERT_TRUE(index.open(QIODevice::ReadWrite));
    ASSERT_TRUE(index.resize(index.size() / 2));
    index.close();
    EXPECT_EQ(Sync(), 1);
    EXPECT_EQ(Found("kabel"), QStringList({"cenik.txt"}));

    QFile::remove(Files().Index + "-wal");
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("not an index at all");
    index.close();
    EXPECT_EQ(Sync(), 1);
    EXPECT_EQ(Found("kabel"), QStringList({"cenik.txt"}));
}

TEST_F(DocumentIndex, FailedDocumentsAreMarkedAndNeverTriedAgain)
{
    const QByteArray pdf = MakePdf({"Regál"});
    Store("useknuty.pdf", pdf.left(pdf.size() / 3));
    Store("pad.txt", "#crash#");
    Store("visi.txt", "#hang#");
    Store("bomba.docx", MakeZipBomb(100 << 20));
    Store("dobry.txt", "kabel");
    EXPECT_EQ(Sync(5000), 5);  // room for the sound documents on a loaded machine
    EXPECT_GE(figures.Failed, 3);  // the truncated PDF may still give its readable part
    EXPECT_EQ(Found("kabel"), QStringList({"dobry.txt"}));
    EXPECT_EQ(Found("visi"), QStringList({"visi.txt"}));  // a failed document is still found by its name
    EXPECT_EQ(Sync(5000), 0);                             // the next start does not try them again
}

TEST_F(DocumentIndex, TheRunnerWorksOffTheCallingThreadAndStopsWhenDestroyed)
{
    Store("cenik.txt", "kabel");
    Store("visi.txt", "#hang#");
    {
        TIndexRunner runner(Files(), TExtractChild(QStringLiteral(SEARCH_TEST_CHILD), {QString::fromLatin1(ExtractOption)}));
        QSignalSpy progress(&runner, &TIndexRunner::Progress);
        runner.Request();
        EXPECT_TRUE(runner.Running());
        ASSERT_TRUE(progress.wait(10'000));
    }  // the hanging child is ended, the thread joined
    TIndexRunner runner(Files(), TExtractChild(QStringLiteral(SEARCH_TEST_CHILD), {QString::fromLatin1(ExtractOption)}, {1000}));
    QSignalSpy finished(&runner, &TIndexRunner::Finished);
    runner.Request();
    ASSERT_TRUE(finished.wait(20'000));
    EXPECT_EQ(finished.at(0).at(1).toString(), QString());
    EXPECT_EQ(finished.at(0).at(0).value<TIndexFigures>().Documents, 2);
}

}  // namespace
