// The main window's CSV entries: the listed items out in the list's order, a file in with the list
// showing the imported items.

#include "mainwindow_fixture.h"

#include "dialogs/fmCsvImport.h"

#include <QFile>
#include <QLineEdit>
#include <QMenu>

namespace {

class MainExchange : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Sql("INSERT INTO TYPY VALUES(1,0,0,'Sklad','');"
            "INSERT INTO TYPY VALUES(2,1,1,'Kabely','');"
            "INSERT INTO MATR VALUES(1,2,'Kabel CYKY','3×1,5','R1',NULL,NULL);"
            "INSERT INTO MATR VALUES(2,2,'=Kabel H05','','R2',NULL,NULL);"
            "INSERT INTO MATR VALUES(3,1,'Svorka','kabelová','R3',NULL,NULL);"
            "INSERT INTO MATR VALUES(4,0,'Drát','','R4',NULL,NULL)");
        SetCsvSaveAnswer([this](QString& fileName, CsvDialect& dialect) {
            fileName = target;
            dialect = {CsvEncoding::Utf8, u','};
            return true;
        });
    }
    void TearDown() override
    {
        SetCsvSaveAnswer({});
        MainWindowTest::TearDown();
    }
    QByteArray Written()
    {
        QFile file(target);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QString target = folder.File(QStringLiteral("seznam.csv"));
};

}  // namespace

TEST_F(MainExchange, theListsPopupExportsWhatIsListedInItsOrderAndTheMenuTheWholeCatalogue)
{
    TfMain& w = Open();
    ASSERT_NE(w.findChild<QAction*>(QStringLiteral("menuExportListCsv")), nullptr);
    EXPECT_TRUE(w.gridPopup->actions().contains(w.menuExportListCsv));
    w.edFilter->setText(QStringLiteral("kabel"));
    w.toolFilterClick();
    w.menuExportListCsv->trigger();
    EXPECT_EQ(Written(), QByteArray("Skupina,Označení,Popis,Umístění,Dokument,Obsah,Číslo\r\n"
                                    "Sklad > Kabely,'=Kabel H05,,R2,,,2\r\n"
                                    "Sklad > Kabely,Kabel CYKY,\"3×1,5\",R1,,,1\r\n"
                                    "Sklad,Svorka,kabelová,R3,,,3\r\n"));
    w.menuExportCsv->trigger();
    EXPECT_EQ(Written().count("\r\n"), 5);
}

TEST_F(MainExchange, afterAnImportTheListShowsTheImportedItems)
{
    TfMain& w = Open();
    Select(Node(2));
    const QString path = folder.WriteFile(QStringLiteral("in.csv"), "Skupina;Označení\r\nNová;Vložená\r\n");
    WhenModal([&](QDialog& dialog) {
        static_cast<TfCsvImport&>(dialog).OpenFile(path);
        static_cast<TfCsvImport&>(dialog).bImportClick();
    });
    w.menuImportCsv->trigger();
    EXPECT_EQ(w.SelectedNode(), AllItems());
    EXPECT_EQ(w.tableNAZEV->AsString(), QStringLiteral("Vložená"));
    EXPECT_EQ(ListedItems().size(), 5);
}
