#include "bench_data.h"

#include "data/uDM.h"

#include <QCoreApplication>
#include <QString>

#include <iterator>
#include <random>

void CreateItemTable(TMeral3Database& db, const QString& file)
{
    db.SetDriver(QCoreApplication::applicationDirPath() + QStringLiteral("/libsqlite3.so.0"));
    db.SetDatabaseFile(file);
    db.SetMustExists(false);
    db.Open();
    db.ExecSQL(QStringLiteral("CREATE TABLE MATR (IDENT INTEGER NOT NULL, IDTYP INTEGER, NAZEV VARCHAR(32), POPIS VARCHAR(64),"
                              " MISTO VARCHAR(32), PATH_DOK VARCHAR(255), OBSAH TEXT, PRIMARY KEY (IDENT));"));
}

void FillLargeCatalogue(TMeral3Database& db)
{
    const QString groups = QString::number(kCatalogueGroups);
    db.ExecSQL(QStringLiteral("BEGIN;"
                              "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<")
               + groups
               + QStringLiteral(") INSERT INTO TYPY SELECT i,"
                                " CASE WHEN i<=20 THEN 0 WHEN i<=400 THEN (i-21)%20+1 ELSE 21+(i-401)%380 END,"
                                " CASE WHEN i<=20 THEN 0 WHEN i<=400 THEN 1 ELSE 2 END,"
                                " 'Skupina č. '||i, 'Popis skupiny '||i FROM n;"
                                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<")
               + QString::number(kCatalogueItems) + QStringLiteral(") INSERT INTO MATR SELECT i, i%") + groups
               + QStringLiteral("+1,"
                                " CASE WHEN i%100=7 THEN 'Kabel CYKY '||i ELSE 'Šroub M'||(i%97)||' č. '||i END,"
                                " 'Nerezový šroub s šestihrannou hlavou, položka '||i,"
                                " 'Regál '||(i%50)||', police '||(i%7),"
                                " '/home/uživatel/Dokumenty/výkres'||i||'.pdf',"
                                " 'Obsah položky '||i||' http://example.com/'||i FROM n;"
                                "COMMIT;"));
}

void FillItems(Tdm& data, qint64 first, int count, const std::function<BenchItem(int)>& item)
{
    const QString insert = QStringLiteral("INSERT INTO MATR (IDENT,IDTYP,NAZEV,POPIS,MISTO,PATH_DOK,OBSAH) "
                                          "VALUES (:i,:g,:n,:d,:p,:k,:o)");
    WorkGuard work(data);
    TParams params;
    for (int i = 0; i < count; ++i) {
        const BenchItem values = item(i);
        params.Clear();
        params.Add(QStringLiteral("i")).SetAsLargeInt(first + i);
        params.Add(QStringLiteral("g")).SetAsLargeInt(values.group);
        params.Add(QStringLiteral("n")).SetAsString(values.name);
        params.Add(QStringLiteral("d")).SetAsString(values.description);
        params.Add(QStringLiteral("p")).SetAsString(values.place);
        params.Add(QStringLiteral("k")).SetAsString(values.document);
        params.Add(QStringLiteral("o")).SetAsString(values.content);
        data.db.ExecSQL(insert, &params);
    }
    work.Commit();
}

QByteArray OfficeDocument(qsizetype size, unsigned seed, int longestBinaryRun)
{
    static const char* const words[] = {"regál", "položka", "výkres", "skříň", "šroub", "M8x40", "pozinkovaný",
                                        "dokumentace", "objednávka", "2026", "kus", "balení", "sklad", "B-12"};
    std::mt19937 random(seed);
    QByteArray bytes;
    bytes.reserve(size + 4096);
    while (bytes.size() < size) {
        for (int i = 0; i < 40; ++i)
            bytes += QByteArray(words[random() % std::size(words)]) + (random() % 9 ? " " : "\n");
        for (int i = int(random() % unsigned(longestBinaryRun)); i > 0; --i)
            bytes += char(random());
        for (int i = 0; i < 32; ++i)
            bytes += QByteArray::number(int(random() % 100)).rightJustified(4, '0');
    }
    bytes.truncate(size);
    return bytes;
}
