// The main window's CSV entries: the listed items out in the list's order, a file in with the list
// showing the imported items.

#include "mainwindow_fixture.h"

#include "dialogs/fmCsvImport.h"

#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

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

    // Answers the import dialog with the file, as checked and accepted with "Importovat".
    void ImportThrough(const QString& path)
    {
        WhenModal([path](QDialog& dialog) {
            static_cast<TfCsvImport&>(dialog).OpenFile(path);
            static_cast<TfCsvImport&>(dialog).bImportClick();
        });
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
    ImportThrough(path);
    w.menuImportCsv->trigger();
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Přidáno položek: 1, aktualizováno: 0, vynecháno řádků: 0, nových skupin: 1.")});
    EXPECT_EQ(w.SelectedNode(), AllItems());
    EXPECT_EQ(w.tableNAZEV->AsString(), QStringLiteral("Vložená"));
    EXPECT_EQ(ListedItems().size(), 5);
}

TEST_F(MainExchange, theProgressPanelsCancelButtonRollsTheWholeImportBack)
{
    TfMain& w = Open();
    w.show();
    QByteArray bytes = "Skupina;Označení\r\n";
    for (int i = 0; i < 5000; ++i)
        bytes += QStringLiteral("Nová;položka %1\r\n").arg(i).toUtf8();
    ImportThrough(folder.WriteFile(QStringLiteral("big.csv"), bytes));
    // The click lands in the import's first progress step, the rows before it already written.
    QTimer click;
    QObject::connect(&click, &QTimer::timeout, &click, [&] {
        if (w.panelProgress->isVisible()) {
            click.stop();
            w.brCancel->click();
        }
    });
    click.start(0);
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    w.menuImportCsv->trigger();
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("Opravdu přerušit import? V katalogu se nic nezmění."),
                                    QStringLiteral("Import byl přerušen, v katalogu se nic nezměnilo.")}));
    EXPECT_FALSE(w.panelProgress->isVisible());
    EXPECT_EQ(Value("SELECT group_concat(NAZEV, '|') FROM (SELECT NAZEV FROM MATR ORDER BY IDENT)"),
              QStringLiteral("Kabel CYKY|=Kabel H05|Svorka|Drát"));
    EXPECT_EQ(Value("SELECT count(*) FROM TYPY"), QStringLiteral("2"));
    EXPECT_EQ(ListedItems().size(), 4);
}
