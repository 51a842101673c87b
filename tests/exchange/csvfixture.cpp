#include "csvfixture.h"

#include "exchange/csvreader.h"

#include <algorithm>

void ExchangeTest::AddGroup(qint64 ident, qint64 parent, int level, const QString& name)
{
    TParams params;
    params.Add(QStringLiteral("name")).SetAsString(name);
    data.db.ExecSQL(QStringLiteral("INSERT INTO TYPY (IDENT,PARENT,LEVEL,NAZEV,POPIS) VALUES (%1,%2,%3,:name,'')")
                        .arg(ident)
                        .arg(parent)
                        .arg(level),
                    &params);
}

void ExchangeTest::AddItem(qint64 ident, qint64 group, const QString& name, const QString& description,
                           const QString& place, const QString& document, const QString& content)
{
    TParams params;
    params.Add(QStringLiteral("n")).SetAsString(name);
    params.Add(QStringLiteral("d")).SetAsString(description);
    params.Add(QStringLiteral("p")).SetAsString(place);
    params.Add(QStringLiteral("k")).SetAsString(document);
    params.Add(QStringLiteral("o")).SetAsString(content);
    data.db.ExecSQL(QStringLiteral("INSERT INTO MATR (IDENT,IDTYP,NAZEV,POPIS,MISTO,PATH_DOK,OBSAH) "
                                   "VALUES (%1,%2,:n,:d,:p,:k,:o)")
                        .arg(ident)
                        .arg(group),
                    &params);
}

void ExchangeTest::FillFixture()
{
    AddGroup(1, 0, 0, QStringLiteral("Spojovací materiál"));
    AddGroup(2, 1, 1, QStringLiteral("Šrouby"));
    AddGroup(3, 2, 2, QStringLiteral("Metrické \"M\"; DIN"));
    AddGroup(4, 1, 1, QStringLiteral("Matice"));
    AddGroup(5, 0, 0, QStringLiteral("Prázdná skupina"));
    AddGroup(6, 0, 0, QStringLiteral("ŽLUŤOUČKÝ kůň"));
    AddGroup(7, 6, 1, QStringLiteral("žluťoučký KŮŇ"));  // the tree takes it for its parent's name
    AddItem(1, 3, QStringLiteral("M5×20"), QStringLiteral("šroub, pozinkovaný; \"8.8\""), QStringLiteral("A-12"),
            QStringLiteral("/data/výkresy/m5.pdf"), QStringLiteral("první řádek\r\ndruhý; řádek\r\n\r\n\"citace\"\r\n"));
    AddItem(2, 4, QStringLiteral("=SUM(A1:A9)"), QStringLiteral("-5 %"), QStringLiteral("+420"),
            QStringLiteral("@link"), QStringLiteral("'=už chráněno"));
    AddItem(3, 0, QStringLiteral("Bez skupiny"), QStringLiteral("\tzačíná tabulátorem"));
    AddItem(4, 7, QString(32, u'Ř'), QString(64, u'ď'), QString(32, u'x'), QString(255, u'/'),
            QStringLiteral("odkaz file:///tmp/a%32b.txt\r\n"));
    AddItem(5, 2, QStringLiteral("Žluťoučký kůň úpěl ódy"), {}, {}, {}, QStringLiteral("\r\n"));
}

QByteArray ExchangeTest::Export(CsvDialect dialect)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ExportCatalogue(data.db, buffer, dialect);
    return buffer.data();
}

ImportSettings ExchangeTest::Proposed(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    ImportSettings settings;
    settings.dialect = DetectCsv(buffer).dialect;
    CsvReader reader(buffer, settings.dialect);
    QStringList header;
    reader.Next(header);
    settings.mapping = MappingFromHeader(header);
    return settings;
}

ImportCheck ExchangeTest::Check(const QByteArray& bytes, const ImportSettings& settings)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return CheckImport(&data.db, buffer, settings);
}

ImportResult ExchangeTest::Import(const QByteArray& bytes, const ImportSettings& settings, const CsvProgress& progress)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return RunImport(data, buffer, settings, progress);
}

QStringList ExchangeTest::Tree()
{
    const GroupPaths paths(data.db);
    QStringList tree;
    for (const QString& row : Column(QStringLiteral("SELECT IDENT || ':' || LEVEL FROM TYPY"))) {
        const QStringList parts = row.split(u':');
        tree << paths.Path(parts[0].toLongLong()) + QStringLiteral(" @") + parts[1];
    }
    tree.sort();
    return tree;
}

QStringList ExchangeTest::Items()
{
    const GroupPaths paths(data.db);
    QStringList items;
    TMeral3Exec exec(&data.db);
    exec.SetCommandText(QStringLiteral("SELECT IDTYP,NAZEV,POPIS,MISTO,PATH_DOK,OBSAH FROM MATR"));
    exec.OnFetchRecord = [&](TMeral3Exec&, int, bool&, const QStringList&, const QStringList& v) {
        items << (QStringList{paths.Path(v[0].toLongLong())} + v.mid(1)).join(u'|');
    };
    exec.Execute();
    items.sort();
    return items;
}
