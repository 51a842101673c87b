#include "dialogs/fmCsvImport.h"

#include "tests/data/catalogue.h"
#include "toolkit/guard.h"
#include "toolkit/messagebox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

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
    EXPECT_EQ(Cell(1, 3), QStringLiteral("ocelové;\r\nnásada"));
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("target1"))->currentText(), QStringLiteral("Označení"));
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("target2"))->currentText(), QStringLiteral("nepoužít"));
    Target(2, ImportTarget::Place);

    Click(QStringLiteral("btnCheck"));
    EXPECT_TRUE(Report().startsWith(QStringLiteral("Řádků s daty: 1\nNových skupin: 3\n"))) << Report().toStdString();
    Click(QStringLiteral("bImport"));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
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
    ASSERT_TRUE(Find<QPushButton>(QStringLiteral("bImport"))->isEnabled());
    Click(QStringLiteral("bImport"));
    EXPECT_EQ(Items(), QStringList{QStringLiteral("0|A|krátký")});
}

TEST_F(CsvImportDialogTest, aCancelledImportLeavesTheCatalogueAsItWas)
{
    Sql("INSERT INTO MATR (IDENT,IDTYP,NAZEV,POPIS) VALUES (1,0,'stará','x')");
    QByteArray bytes = "Skupina;Označení\r\n";
    for (int i = 0; i < 5000; ++i)
        bytes += QStringLiteral("Nová;položka %1\r\n").arg(i).toUtf8();
    dialog->OpenFile(folder.WriteFile(QStringLiteral("big.csv"), bytes));
    Click(QStringLiteral("btnCheck"));
    // The click lands while the import pumps its first progress step.
    QTimer::singleShot(0, dialog.get(), [this] { Click(QStringLiteral("btnCancel")); });
    Click(QStringLiteral("bImport"));
    EXPECT_EQ(Report(), QStringLiteral("Přerušeno; v katalogu se nic nezměnilo."));
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Items(), QStringList{QStringLiteral("0|stará|x")});
    EXPECT_EQ(Value("SELECT count(*) FROM TYPY"), QStringLiteral("0"));
}

TEST_F(CsvImportDialogTest, aFileThatIsNotCsvIsReportedAndCannotBeImported)
{
    dialog->OpenFile(folder.WriteFile(QStringLiteral("x.csv"), "a;\"b\r\n"));
    EXPECT_EQ(Report(), QStringLiteral("Neuzavřené uvozovky: pole, které začíná uvozovkou na řádku 1, nemá koncovou uvozovku."));
    EXPECT_FALSE(Find<QPushButton>(QStringLiteral("bImport"))->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(QStringLiteral("btnCheck"))->isEnabled());
}
