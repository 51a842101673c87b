#include "csvfixture.h"

#include <QStringEncoder>

using CsvImportTest = ExchangeTest;

namespace {

QStringList Texts(const std::vector<ImportProblem>& problems)
{
    QStringList texts;
    for (const ImportProblem& problem : problems)
        texts << problem.Text();
    return texts;
}

}  // namespace

TEST_F(CsvImportTest, roundTripIntoAnEmptyCatalogueGivesTheSameGroupsAndItems)
{
    FillFixture();
    const QStringList tree = Tree(), items = Items();
    for (const CsvDialect dialect : {CsvDialect{}, CsvDialect{CsvEncoding::Windows1250, u','}}) {
        const QByteArray bytes = Export(dialect);
        Sql("DELETE FROM MATR; DELETE FROM TYPY");
        const ImportSettings settings = Proposed(bytes);
        EXPECT_EQ(settings.dialect.encoding, dialect.encoding == CsvEncoding::Utf8Bom ? CsvEncoding::Utf8Bom : CsvEncoding::Windows1250);
        EXPECT_EQ(settings.dialect.delimiter, dialect.delimiter);
        const ImportCheck check = Check(bytes, settings);
        EXPECT_EQ(check.problemCount, 0) << Texts(check.problems).join(u'\n').toStdString();
        EXPECT_EQ(check.newGroups, 7);
        const ImportResult result = Import(bytes, settings);
        EXPECT_EQ(result.added, 5);
        EXPECT_EQ(result.groupsCreated, 7);
        EXPECT_EQ(Tree(), tree);
        EXPECT_EQ(Items(), items);
    }
}

TEST_F(CsvImportTest, aGroupPathFindsGroupsAsTheTreeComparesThemAndCreatesTheRest)
{
    AddGroup(1, 0, 0, QStringLiteral("SPOJOVACÍ materiál"));
    AddGroup(2, 0, 0, QStringLiteral("Spojovaci material"));  // no accents: another name for the tree
    const QByteArray bytes = QStringLiteral("Skupina;Označení\r\n"
                                            "spojovací Materiál > Šrouby > M5;první\r\n"
                                            "Spojovací materiál>šrouby >M5 ;druhý\r\n")
                                 .toUtf8();
    const ImportResult result = Import(bytes, Proposed(bytes));
    EXPECT_EQ(result.groupsCreated, 2);
    QStringList tree{QStringLiteral("SPOJOVACÍ materiál @0"), QStringLiteral("SPOJOVACÍ materiál > Šrouby @1"),
                     QStringLiteral("SPOJOVACÍ materiál > Šrouby > M5 @2"), QStringLiteral("Spojovaci material @0")};
    tree.sort();
    EXPECT_EQ(Tree(), tree);
    EXPECT_EQ(Count(QStringLiteral("MATR WHERE IDTYP IN (SELECT IDENT FROM TYPY WHERE NAZEV='M5')")), 2)
        << Items().join(u'\n').toStdString();
}

TEST_F(CsvImportTest, rowsWithoutAGroupColumnGoToTheTargetGroup)
{
    AddGroup(4, 0, 0, QStringLiteral("Cíl"));
    QStringEncoder encoder("windows-1250");
    const QByteArray bytes = encoder.encode(QStringLiteral("Označení;Popis;Umístění;Poznámka\r\nŠroub;M5;Regál;x\r\n"));
    ImportSettings settings = Proposed(bytes);
    EXPECT_EQ(settings.mapping, (std::vector<ImportTarget>{ImportTarget::Name, ImportTarget::Description,
                                                           ImportTarget::Place, ImportTarget::Ignore}));
    settings.targetGroup = 4;
    Import(bytes, settings);
    EXPECT_EQ(Items(), QStringList{QStringLiteral("Cíl|Šroub|M5|Regál||")});
}

TEST_F(CsvImportTest, theDryRunReportsEachValueAndTheChoiceDecidesWhatIsWritten)
{
    const QString longName = QString(40, u'N');
    const QByteArray bytes = QStringLiteral("Označení;Popis\r\n"
                                            "dobrý;ok\r\n"
                                            "%1;ok\r\n"
                                            "šipka → ven;ok\r\n"
                                            ";bez označení\r\n")
                                 .arg(longName)
                                 .toUtf8();
    ImportSettings settings = Proposed(bytes);
    const ImportCheck check = Check(bytes, settings);
    EXPECT_EQ(Texts(check.problems),
              (QStringList{QStringLiteral("řádek 3, sloupec 1 (Označení): text má 40 znaků, vejde se nejvýše 32"),
                           QStringLiteral("řádek 4, sloupec 1 (Označení): znak \"→\" (U+2192) nelze uložit v kódové stránce Windows-1250"),
                           QStringLiteral("řádek 5: položka nemá označení")}));
    EXPECT_EQ(check.rows, 4);
    EXPECT_EQ(check.refusedRows, 3);
    EXPECT_EQ(Count(QStringLiteral("MATR")), 0);

    EXPECT_EQ(ErrorOf([&] { Import(bytes, settings); }),
              QStringLiteral("Import byl zastaven, nic nebylo zapsáno: řádek 3, sloupec 1 (Označení): text má 40 znaků, vejde se nejvýše 32"));
    EXPECT_EQ(Count(QStringLiteral("MATR")), 0);

    settings.choice = ImportChoice::Skip;
    EXPECT_EQ(Import(bytes, settings).skipped, 3);
    EXPECT_EQ(Items(), QStringList{QStringLiteral("|dobrý|ok|||")});

    Sql("DELETE FROM MATR");
    settings.choice = ImportChoice::Cut;
    EXPECT_EQ(Check(bytes, settings).refusedRows, 1);
    const ImportResult cut = Import(bytes, settings);
    EXPECT_EQ(cut.added, 3);
    EXPECT_EQ(cut.skipped, 1);
    EXPECT_EQ(Items(), (QStringList{QStringLiteral("|%1|ok|||").arg(QString(32, u'N')), QStringLiteral("|dobrý|ok|||"),
                                    QStringLiteral("|šipka ? ven|ok|||")}));
}

TEST_F(CsvImportTest, aCancelledOrFailedImportLeavesTheCatalogueAsItWas)
{
    FillFixture();
    const QStringList tree = Tree(), items = Items();
    QByteArray bytes = "Skupina;Označení\r\n";
    for (int i = 0; i < 3000; ++i)
        bytes += QStringLiteral("Nová > Větev %1;položka %1\r\n").arg(i).toUtf8();
    const ImportSettings settings = Proposed(bytes);
    int calls = 0;
    EXPECT_THROW(Import(bytes, settings, [&](qint64, qint64) { return ++calls < 2; }), CsvCancelled);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(Tree(), tree);
    EXPECT_EQ(Items(), items);

    bytes += "\"neuzavřené;x\r\n";  // read after 3000 rows were written
    EXPECT_EQ(ErrorOf([&] { Import(bytes, settings); }),
              QStringLiteral("Neuzavřené uvozovky: pole, které začíná uvozovkou na řádku 3002, nemá koncovou uvozovku."));
    EXPECT_EQ(Tree(), tree);
    EXPECT_EQ(Items(), items);
}

TEST_F(CsvImportTest, importingTheSameExportAgainUpdatesItemsByIdentifier)
{
    FillFixture();
    const QByteArray bytes = Export();
    const QStringList items = Items();
    Sql("UPDATE MATR SET POPIS='změněno' WHERE IDENT=1");
    ImportSettings settings = Proposed(bytes);
    settings.updateByIdent = true;
    EXPECT_EQ(Check(bytes, settings).updates, 5);
    const ImportResult result = Import(bytes, settings);
    EXPECT_EQ(result.updated, 5);
    EXPECT_EQ(result.added, 0);
    EXPECT_EQ(result.groupsCreated, 0);
    EXPECT_EQ(Items(), items);

    settings.updateByIdent = false;
    EXPECT_EQ(Import(bytes, settings).added, 5);
    EXPECT_EQ(Count(QStringLiteral("MATR")), 10);
}

TEST_F(CsvImportTest, documentsAreStoredOnlyWhenAsked)
{
    const QString path = folder.WriteFile(QStringLiteral("výkres.txt"), "obsah dokumentu");
    const QByteArray bytes = QStringLiteral("Označení;Dokument\r\nA;%1\r\n").arg(path).toUtf8();
    ImportSettings settings = Proposed(bytes);
    Import(bytes, settings);
    EXPECT_EQ(Count(QStringLiteral("DOCS")), 0);
    settings.storeDocuments = true;
    Import(bytes, settings);
    EXPECT_EQ(Column(QStringLiteral("SELECT DOCPATH || ':' || DOCSIZE FROM DOCS")), QStringList{path + QStringLiteral(":15")});
}
