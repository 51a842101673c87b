#include "dialogs/fmCsvImport.h"

#include "tests/data/catalogue.h"
#include "tests/support/widgetwalk.h"
#include "toolkit/guard.h"
#include "toolkit/messagebox.h"

#include <QCheckBox>
#include <QFile>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTest>

namespace {

class CsvImportDialogTest : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        SetErrorHandler([this](const Exception& e) { errors << e.Message(); });
        MessageBoxAnswers::Reset();
        MessageBoxAnswers::Enable(true);
        dialog = std::make_unique<TfCsvImport>(data);
    }
    void TearDown() override
    {
        dialog.reset();
        MessageBoxAnswers::Enable(false);
        MessageBoxAnswers::Reset();
        SetErrorHandler(nullptr);
    }
    template <typename T>
    T* Find(const QString& name)
    {
        T* widget = dialog->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    void Click(const QString& name) { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }
    void Target(int column, ImportTarget target)
    {
        auto* combo = Find<QComboBox>(QStringLiteral("target%1").arg(column));
        combo->setCurrentIndex(int(target));
        emit combo->activated(int(target));
    }
    QString Report() { return Find<QPlainTextEdit>(QStringLiteral("report"))->toPlainText(); }
    QString Cell(int row, int column)
    {
        const QTableWidgetItem* item = Find<QTableWidget>(QStringLiteral("preview"))->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    // Accepts the dialog with "Importovat" and imports what it answers.
    void Import()
    {
        Click(QStringLiteral("bImport"));
        ASSERT_EQ(dialog->result(), QDialog::Accepted);
        QFile file(dialog->FileName());
        OpenCsvFile(file);
        RunImport(data, file, dialog->Settings());
    }
    QStringList Items() { return Column("SELECT IFNULL(IDTYP,'') || '|' || NAZEV || '|' || POPIS FROM MATR ORDER BY IDENT"); }

    std::unique_ptr<TfCsvImport> dialog;
    QStringList errors;
};

}  // namespace

TEST_F(CsvImportDialogTest, czechExcelFileIsDetectedPreviewedMappedAndImported)
{
    QStringEncoder encoder("windows-1250");
    const QString path = folder.WriteFile(
        QStringLiteral("excel.csv"),
        encoder.encode(QStringLiteral("Skupina;Označení;Poznámka;Popis\r\nNářadí > Ruční > Kladiva;Kladivo 500 g;x;"
                                      "\"ocelové;\r\nnásada\"\r\n")));
    dialog->OpenFile(path);
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("cbEncoding"))->currentText(), QStringLiteral("Windows-1250"));
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("cbDelimiter"))->currentText(), QStringLiteral("středník"));
    EXPECT_EQ(Cell(1, 3), QStringLiteral("ocelové;↵násada"));
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("target1"))->currentText(), QStringLiteral("Označení"));
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("target2"))->currentText(), QStringLiteral("nepoužít"));
    Target(2, ImportTarget::Place);

    Click(QStringLiteral("btnCheck"));
    EXPECT_TRUE(Report().startsWith(QStringLiteral("Řádků s daty: 1\nNových skupin: 3\n"))) << Report().toStdString();
    Import();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(Column("SELECT NAZEV || ':' || LEVEL FROM TYPY ORDER BY LEVEL"),
              (QStringList{QStringLiteral("Nářadí:0"), QStringLiteral("Ruční:1"), QStringLiteral("Kladiva:2")}));
    EXPECT_EQ(Column("SELECT MISTO || '|' || POPIS FROM MATR WHERE IDTYP=(SELECT IDENT FROM TYPY WHERE NAZEV='Kladiva')"),
              QStringList{QStringLiteral("x|ocelové;\r\nnásada")});
}

TEST_F(CsvImportDialogTest, theDryRunReportsAndTheChoiceOfSkippingDecides)
{
    const QString path = folder.WriteFile(QStringLiteral("lo.csv"),
                                          QStringLiteral("Označení,Popis\nA,krátký\nB,%1\n,bez označení\n")
                                              .arg(QString(70, u'd'))
                                              .toUtf8());
    dialog->OpenFile(path);
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("cbEncoding"))->currentText(), QStringLiteral("UTF-8"));
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("cbDelimiter"))->currentText(), QStringLiteral("čárka"));
    Click(QStringLiteral("btnCheck"));
    EXPECT_TRUE(Report().endsWith(QStringLiteral("řádek 3, sloupec 2 (Popis): text má 70 znaků, vejde se nejvýše 64\n"
                                                 "řádek 4: položka nemá označení")))
        << Report().toStdString();
    EXPECT_FALSE(Find<QPushButton>(QStringLiteral("bImport"))->isEnabled());  // "stop" is chosen
    Click(QStringLiteral("rbSkip"));
    Import();
    EXPECT_EQ(Items(), QStringList{QStringLiteral("0|A|krátký")});
}

TEST_F(CsvImportDialogTest, eachPreviewRowIsHeadedByTheFileLineTheReportNames)
{
    dialog->OpenFile(folder.WriteFile(QStringLiteral("lines.csv"), "Označení;Popis\r\nA;\"dva\r\nřádky\"\r\n;bez označení\r\n"));
    Click(QStringLiteral("btnCheck"));
    EXPECT_TRUE(Report().endsWith(QStringLiteral("řádek 4: položka nemá označení"))) << Report().toStdString();
    auto* preview = Find<QTableWidget>(QStringLiteral("preview"));
    ASSERT_EQ(preview->rowCount(), 3);
    const QTableWidgetItem* head = preview->verticalHeaderItem(2);
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->text(), QStringLiteral("4"));
    EXPECT_EQ(Cell(2, 1), QStringLiteral("bez označení"));
}

TEST_F(CsvImportDialogTest, everyControlIsNamedCzechAndHasItsOwnMnemonic)
{
    dialog->OpenFile(folder.WriteFile(QStringLiteral("a.csv"), "Označení;Popis\r\nA;B\r\n"));
    EXPECT_EQ(UnnamedControls(dialog.get()), QStringList());
    EXPECT_EQ(MnemonicFaults(MnemonicTexts(dialog.get())), QStringList());
    EXPECT_EQ(EnglishWords(ShownTexts(dialog.get())), QStringList());
}

TEST_F(CsvImportDialogTest, aFileThatIsNotCsvIsReportedAndCannotBeImported)
{
    dialog->OpenFile(folder.WriteFile(QStringLiteral("x.csv"), "a;\"b\r\n"));
    EXPECT_EQ(Report(), QStringLiteral("Neuzavřené uvozovky: pole, které začíná uvozovkou na řádku 1, nemá koncovou uvozovku."));
    EXPECT_FALSE(Find<QPushButton>(QStringLiteral("bImport"))->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(QStringLiteral("btnCheck"))->isEnabled());
}
