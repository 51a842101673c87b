#include "csvfixture.h"

#include "exchange/csvdialect.h"
#include "tests/support/failingdevice.h"

#include <QFile>
#include <QStringDecoder>

using CsvExportTest = ExchangeTest;

TEST_F(CsvExportTest, writesTheDefaultDialectWithGroupPathsQuotingAndTheFormulaGuard)
{
    AddGroup(1, 0, 0, QStringLiteral("A"));
    AddGroup(2, 1, 1, QStringLiteral("B"));
    AddGroup(3, 2, 2, QStringLiteral("C"));
    AddItem(7, 3, QStringLiteral("=1+1"), QStringLiteral("a;b \"c\""), QStringLiteral("-x"), QString(),
            QStringLiteral("ř1\r\nř2\r\n"));
    const QByteArray expected = "\xEF\xBB\xBF"
                                "Skupina;Označení;Popis;Umístění;Dokument;Obsah;Číslo\r\n"
                                "A > B > C;'=1+1;\"a;b \"\"c\"\"\";'-x;;\"ř1\r\nř2\r\n\";7\r\n";
    EXPECT_EQ(Export(), expected);
}

TEST_F(CsvExportTest, writesWindows1250WithCommasAndCarriesEmptyGroups)
{
    AddGroup(1, 0, 0, QStringLiteral("Šrouby, matice"));
    AddGroup(2, 0, 0, QStringLiteral("Prázdná"));
    AddItem(1, 1, QStringLiteral("Žluťoučký"));
    const QByteArray bytes = Export({CsvEncoding::Windows1250, u','});
    QStringDecoder decoder("windows-1250");
    EXPECT_EQ(QString(decoder.decode(bytes)), QStringLiteral("Skupina,Označení,Popis,Umístění,Dokument,Obsah,Číslo\r\n"
                                                             "\"Šrouby, matice\",Žluťoučký,,,,,1\r\n"
                                                             "Prázdná,,,,,,\r\n"));
}

TEST(CsvFormula, guardAndUnguardGiveEveryTextBack)
{
    for (const QString& text : {QStringLiteral("=A1"), QStringLiteral("'=A1"), QStringLiteral("''@x"), QStringLiteral("'abc"),
                                QStringLiteral("\r\n"), QStringLiteral("\t"), QStringLiteral("abc"), QString()}) {
        EXPECT_EQ(UnguardFormula(GuardFormula(text)), text) << text.toStdString();
        const QString guarded = GuardFormula(text);
        EXPECT_FALSE(guarded.startsWith(u'=') || guarded.startsWith(u'+') || guarded.startsWith(u'-') ||
                     guarded.startsWith(u'@') || guarded.startsWith(u'\t') || guarded.startsWith(u'\r'));
    }
}

TEST_F(CsvExportTest, aFailedExportKeepsTheFileThatWasThere)
{
    FillFixture();
    const QString path = folder.WriteFile(QStringLiteral("seznam.csv"), "old contents");
    const QString error = ErrorOf([&] {
        SaveCsvFile(path, [&](QIODevice& out) {
            ExportCatalogue(data.db, out, {});
            throw Exception(QStringLiteral("No space left on device"));
        });
    });
    EXPECT_TRUE(error.startsWith(QStringLiteral("Soubor CSV \"%1\" nelze uložit: No space left on device").arg(path)))
        << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "old contents");
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files), QStringList{QStringLiteral("seznam.csv")});

    SaveCsvFile(path, [&](QIODevice& out) { ExportCatalogue(data.db, out, {}); });
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), Export());
}

TEST_F(CsvExportTest, aDeviceThatFailsMidwayRaisesItsReason)
{
    FillFixture();
    FailingDevice device({}, 100);
    device.open(QIODevice::WriteOnly);
    const QString error = ErrorOf([&] { ExportCatalogue(data.db, device, {}); });
    EXPECT_TRUE(error.startsWith(QStringLiteral("Soubor CSV nelze zapsat: "))) << error.toStdString();
}
