// The CSV jobs on the command line: answered without a display, reading the catalogue only.

#include "tests/app/commandjob.h"
#include "tests/data/catalogue.h"

#include <QFile>

namespace {

class CsvCommand : public CatalogueTest {
protected:
    JobOutcome Run(const QStringList& arguments) { return RunJob(folder.DataHome(), arguments); }
    QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};

}  // namespace

TEST_F(CsvCommand, exportWritesTheWholeCatalogueWhileTheCatalogueStaysOpen)
{
    Sql("INSERT INTO TYPY VALUES (1,0,0,'Skupina A',''); INSERT INTO TYPY VALUES (2,1,1,'B','');"
        "INSERT INTO MATR VALUES (5,2,'=M5','a;b','R1','', 'x' || char(13,10) || 'y')");
    const QString path = folder.File(QStringLiteral("export.csv"));
    const JobOutcome answer = Run({QStringLiteral("--export-csv"), path});
    EXPECT_EQ(answer.exitCode, 0) << answer.errors.toStdString();
    EXPECT_EQ(Read(path), "\xEF\xBB\xBF"
                          "Skupina;Označení;Popis;Umístění;Dokument;Obsah;Číslo\r\n"
                          "Skupina A > B;'=M5;\"a;b\";R1;;\"x\r\ny\";5\r\n");

    const JobOutcome refused = Run({QStringLiteral("--export-csv"), folder.File(QStringLiteral("missing/x.csv"))});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.errors.startsWith(QStringLiteral("Soubor CSV \""))) << refused.errors.toStdString();
}

TEST_F(CsvCommand, checkPrintsWhatItDetectedAndEveryRefusalWithItsExitStatus)
{
    const QString good = folder.WriteFile(QStringLiteral("good.csv"), "Označení,Popis\r\nA,b\r\n");
    JobOutcome answer = Run({QStringLiteral("--check-csv"), good});
    EXPECT_EQ(answer.exitCode, 0) << answer.errors.toStdString();
    EXPECT_EQ(answer.output, QStringLiteral("Kódování: UTF-8\nOddělovač: čárka\nŘádků s daty: 1\n"
                                         "Sloupce: Označení → Označení, Popis → Popis\n"
                                         "Soubor lze importovat bez odmítnutí.\n"));

    const QString bad = folder.WriteFile(QStringLiteral("bad.csv"), "Označení;Popis\r\n;b\r\nA;" + QByteArray(70, 'x') + "\r\n");
    answer = Run({QStringLiteral("--check-csv"), bad});
    EXPECT_EQ(answer.exitCode, 1);
    EXPECT_TRUE(answer.output.contains(QStringLiteral("řádek 2: položka nemá označení\n"
                                                   "řádek 3, sloupec 2 (Popis): text má 70 znaků, vejde se nejvýše 64\n")))
        << answer.output.toStdString();

    const QString broken = folder.WriteFile(QStringLiteral("broken.csv"), "a;b\r\n\"c;d\r\n");
    answer = Run({QStringLiteral("--check-csv"), broken});
    EXPECT_EQ(answer.exitCode, 2);
    EXPECT_EQ(answer.errors, QStringLiteral("Neuzavřené uvozovky: pole, které začíná uvozovkou na řádku 2, nemá koncovou uvozovku.\n"));
    EXPECT_EQ(Run({QStringLiteral("--check-csv"), folder.File(QStringLiteral("none.csv"))}).exitCode, 2);
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM MATR")), QStringLiteral("0"));  // nothing written
}
