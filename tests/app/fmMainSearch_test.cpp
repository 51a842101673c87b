#include "mainwindow_fixture.h"

#include "data/docstore.h"
#include "search/extractchild.h"
#include "tests/search/documents.h"
#include "tests/support/settle.h"
#include "toolkit/statuspanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>

namespace {

class DocumentSearch : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        TExtractChild::SetProgram(QStringLiteral(SEARCH_TEST_CHILD));
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        TExtractChild::SetProgram(QString());
    }
    QCheckBox* Switch() { return window->findChild<QCheckBox*>("cbDocuments"); }
    QLabel* Match() { return window->findChild<QLabel*>("lblDocumentMatch"); }
};

TEST_F(DocumentSearch, TheSwitchIsOffAtFirstAndRemembered)
{
    Open();
    ASSERT_NE(Switch(), nullptr);
    EXPECT_FALSE(Switch()->isChecked());
    EXPECT_EQ(Switch()->text(), "i &v dokumentech");  // Alt+V
    Switch()->click();
    EXPECT_TRUE(Settings()->value("search/documents").toBool());
    window.reset();
    Open();
    EXPECT_TRUE(Switch()->isChecked());
}

TEST_F(DocumentSearch, FindsAnItemByAWordOnlyItsDocumentsHold)
{
    const QString pdf = folder.WriteFile("docs/výkres.pdf", MakePdf({"Šroubovák křížový PH2"}));
    const QString odt = folder.WriteFile("docs/návod.odt", MakeOdt("Montáž regálu"));
    ASSERT_TRUE(data.StoreDocument(pdf));
    ASSERT_TRUE(data.StoreDocument(odt));
    Sql("INSERT INTO MATR VALUES(1,0,'Sada nářadí','','Dílna','" + pdf + "',NULL);"
        "INSERT INTO MATR VALUES(2,0,'Police','','Sklad',NULL,'viz " + EncodeFileLink(odt) + "');"
        "INSERT INTO MATR VALUES(3,0,'Šroubovák','','Dílna',NULL,NULL);");
    data.db.Close();
    const QByteArray catalogue = [&] {
        QFile file(data.db.DatabaseFile());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    Open();
    // The index is made off the window's thread; the filter finds through it once it is there.
    // (QTRY_* would report to QtTest's log only, unseen by GoogleTest.)
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(folder.WorkFolder() + "/fulltext.db3"); }));
    EXPECT_EQ(Filtered("krizovy"), QStringList());  // off: the items' own text only
    Switch()->click();                              // on: the list again, with the documents
    ASSERT_TRUE(WaitUntil([&] { return Filtered("krizovy") == QStringList({"1"}); }));
    EXPECT_TRUE(Match()->text().contains("výkres.pdf")) << Match()->text().toStdString();
    EXPECT_TRUE(Match()->text().contains("[křížový]")) << Match()->text().toStdString();
    EXPECT_EQ(Filtered("sroubovak"), QStringList({"1", "3"}));
    EXPECT_EQ(Filtered("montaz"), QStringList({"2"}));  // a file linked in the content
    EXPECT_TRUE(Match()->text().startsWith("návod.odt: "));
    window.reset();
    QFile file(data.db.DatabaseFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), catalogue);  // indexing never writes the catalogue
}

TEST_F(DocumentSearch, TheListFiltersAgainWhenIndexingEnds)
{
    Sql("INSERT INTO MATR VALUES(2,0,'Křížový klíč','','Dílna',NULL,NULL);");
    Settings()->setValue("search/documents", true);
    Open();
    ASSERT_EQ(Filtered("krizovy"), QStringList({"2"}));
    // A document stored after the filter ran: the list shows its item once it is indexed.
    const QString pdf = folder.WriteFile("docs/výkres.pdf", MakePdf({"Šroubovák křížový PH2"}));
    ASSERT_TRUE(data.StoreDocument(pdf));
    Sql("INSERT INTO MATR VALUES(1,0,'Sada nářadí','','Dílna','" + pdf + "',NULL);");
    window->edFilter->setText("nic");  // typed, not confirmed: indexing does not apply it
    window->RequestIndexing();
    ASSERT_TRUE(WaitUntil([&] { return ListedItems().size() == 2; }));
    EXPECT_EQ(window->tableNAZEV->AsString(), "Křížový klíč");  // the current row kept
}

// A long excerpt in a narrow window: shortened to its panel, file name and marked word kept.
TEST_F(DocumentSearch, ALongExcerptFitsItsPanelAndShowsWholeInTheTooltip)
{
    QString text;
    for (int i = 0; i < 30; ++i)
        text += QStringLiteral("ozubené kolo%1 ").arg(i);
    const QString pdf = folder.WriteFile("docs/prevodovka.pdf", MakePdf({text + "Převodovka se šnekovým soukolím " + text}));
    ASSERT_TRUE(data.StoreDocument(pdf));
    Sql("INSERT INTO MATR VALUES(1,0,'Pohon','','Dílna','" + pdf + "',NULL);");
    Settings()->setValue("search/documents", true);
    Open();
    window->resize(640, 400);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(folder.WorkFolder() + "/fulltext.db3"); }));
    ASSERT_TRUE(WaitUntil([&] { return Filtered("snekovym") == QStringList({"1"}); }));
    auto* panel = dynamic_cast<StatusPanel*>(Match());
    ASSERT_NE(panel, nullptr);
    const QString whole = panel->text();
    ASSERT_TRUE(whole.contains("[šnekovým]")) << whole.toStdString();
    ASSERT_TRUE(WaitUntil([&] { return panel->toolTip() == whole; })) << panel->toolTip().toStdString();
    const QString shown = panel->ShownText();
    EXPECT_LE(panel->fontMetrics().horizontalAdvance(shown), panel->contentsRect().width()) << shown.toStdString();
    EXPECT_LE(panel->geometry().right(), window->statusBar()->contentsRect().right());
    EXPECT_TRUE(shown.startsWith("prevodovka.pdf: …")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("[šnekovým]")) << shown.toStdString();
}

}  // namespace
