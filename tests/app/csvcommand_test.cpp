// The CSV jobs on the command line: answered without a display, reading the catalogue only.

#include "tests/data/catalogue.h"

#include <QFile>
#include <QProcess>

namespace {

class CsvCommand : public CatalogueTest {
protected:
    struct Answer {
        int code = -1;
        QString out, err;
    };
    Answer Run(const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_DATA_HOME"), folder.DataHome());
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(REGALON_PROGRAM), arguments);
        EXPECT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        return {program.exitCode(), QString::fromLocal8Bit(program.readAllStandardOutput()),
                QString::fromLocal8Bit(program.readAllStandardError())};
    }
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
    const Answer answer = Run({QStringLiteral("--export-csv"), path});
    EXPECT_EQ(answer.code, 0) << answer.err.toStdString();
    EXPECT_EQ(Read(path), "\xEF\xBB\xBF"
                          "Skupina;Označení;Popis;Umístění;Dokument;Obsah;Číslo\r\n"
                          "Skupina A > B;'=M5;\"a;b\";R1;;\"x\r\ny\";5\r\n");

    const Answer refused = Run({QStringLiteral("--export-csv"), folder.File(QStringLiteral("missing/x.csv"))});
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.startsWith(QStringLiteral("Soubor CSV \""))) << refused.err.toStdString();
}

TEST_F(CsvCommand, checkPrintsWhatItDetectedAndEveryRefusalWithItsExitStatus)
{
    const QString good = folder.WriteFile(QStringLiteral("good.csv"), "Označení,Popis\r\nA,b\r\n");
    Answer answer = Run({QStringLiteral("--check-csv"), good});
    EXPECT_EQ(answer.code, 0) << answer.err.toStdString();
    EXPECT_EQ(answer.out, QStringLiteral("Kódování: UTF-8\nOddělovač: čárka\nŘádků s daty: 1\n"
                                         "Sloupce: Označení → Označení, Popis → Popis\n"
                                         "Soubor lze importovat bez odmítnutí.\n"));

    const QString bad = folder.WriteFile(QStringLiteral("bad.csv"), "Označení;Popis\r\n;b\r\nA;" + QByteArray(70, 'x') + "\r\n");
    answer = Run({QStringLiteral("--check-csv"), bad});
    EXPECT_EQ(answer.code, 1);
    EXPECT_TRUE(answer.out.contains(QStringLiteral("řádek 2: položka nemá označení\n"
                                                   "řádek 3, sloupec 2 (Popis): text má 70 znaků, vejde se nejvýše 64\n")))
        << answer.out.toStdString();

    const QString broken = folder.WriteFile(QStringLiteral("broken.csv"), "a;b\r\n\"c;d\r\n");
    answer = Run({QStringLiteral("--check-csv"), broken});
    EXPECT_EQ(answer.code, 2);
    EXPECT_EQ(answer.err, QStringLiteral("Neuzavřené uvozovky: pole, které začíná uvozovkou na řádku 2, nemá koncovou uvozovku.\n"));
    EXPECT_EQ(Run({QStringLiteral("--check-csv"), folder.File(QStringLiteral("none.csv"))}).code, 2);
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM MATR")), QStringLiteral("0"));  // nothing written
}
