#include "csvexport.h"

#include "sqlite/errors.h"
#include "sqlite/sql3_exec.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStorageInfo>

QStringList CsvHeader()
{
    return {QStringLiteral("Skupina"), QStringLiteral("Označení"), QStringLiteral("Popis"), QStringLiteral("Umístění"),
            QStringLiteral("Dokument"), QStringLiteral("Obsah"), QStringLiteral("Číslo")};
}

GroupPaths::GroupPaths(TMeral3Database& db)
{
    TMeral3Exec exec(&db);
    exec.SetCommandText(QStringLiteral("SELECT IDENT, PARENT, NAZEV FROM TYPY"));
    exec.OnFetchRecord = [this](TMeral3Exec&, int, bool&, const QStringList&, const QStringList& values) {
        groups_.insert(values[0].toLongLong(), Group{values[1].toLongLong(), values[2]});
    };
    exec.Execute();
}

QString GroupPaths::Path(qint64 group) const
{
    const auto known = paths_.constFind(group);
    if (known != paths_.constEnd())
        return *known;
    const qint64 asked = group;
    QString path;
    QSet<qint64> seen;
    for (auto it = groups_.find(group); group > 0 && it != groups_.end() && !seen.contains(group);
         it = groups_.find(group)) {
        seen.insert(group);
        path = path.isEmpty() ? it->name : it->name + kGroupPathSeparator + path;
        group = it->parent;
    }
    paths_.insert(asked, path);
    return path;
}

CsvExport::CsvExport(TMeral3Database& db, QIODevice& out, CsvDialect dialect) : paths_(db), writer_(out, dialect)
{
    writer_.WriteRecord(CsvHeader());
}

void CsvExport::Add(const ExportItem& item)
{
    writer_.WriteRecord({paths_.Path(item.group), item.name, item.description, item.place, item.document, item.content,
                         QString::number(item.ident)});
}

void CsvExport::AddGroup(qint64 group)
{
    QStringList record(ccColumnCount);
    record[ccGroup] = paths_.Path(group);
    writer_.WriteRecord(record);
}

qint64 ExportCatalogue(TMeral3Database& db, QIODevice& out, CsvDialect dialect, const CsvProgress& progress)
{
    CsvExport csv(db, out, dialect);
    qint64 written = 0;
    bool cancelled = false;
    TMeral3Exec items(&db);
    items.SetCommandText(QStringLiteral("SELECT IDENT, IDTYP, NAZEV, POPIS, MISTO, PATH_DOK, OBSAH FROM MATR ORDER BY IDENT"));
    items.OnFetchRecord = [&](TMeral3Exec&, int, bool& stop, const QStringList&, const QStringList& v) {
        csv.Add({v[0].toLongLong(), v[1].toLongLong(), v[2], v[3], v[4], v[5], v[6]});
        ++written;
        if (progress && (written & 1023) == 0 && !progress(written, 0))
            stop = cancelled = true;
    };
    try {
        items.Execute();
    } catch (const EDatabaseError&) {
        if (!cancelled)  // a stop ends the statement with an abort error
            throw;
    }
    if (cancelled)
        throw CsvCancelled();
    TMeral3Exec empty(&db);
    empty.SetCommandText(QStringLiteral("SELECT IDENT FROM TYPY WHERE IDENT NOT IN (SELECT IDTYP FROM MATR WHERE IDTYP "
                                        "IS NOT NULL) AND IDENT NOT IN (SELECT PARENT FROM TYPY) ORDER BY IDENT"));
    empty.OnFetchRecord = [&](TMeral3Exec&, int, bool&, const QStringList&, const QStringList& v) {
        csv.AddGroup(v[0].toLongLong());
    };
    empty.Execute();
    csv.Finish();
    return written;
}

namespace {

[[noreturn]] void FailSave(const QString& fileName, const QString& reason)
{
    const QStorageInfo volume(QFileInfo(fileName).absolutePath());
    const bool full = volume.isValid() && volume.bytesAvailable() < 64 * 1024;
    // A full disk often reaches Qt as an unknown error: the free space says it better.
    throw Exception(QStringLiteral("Soubor CSV \"%1\" nelze uložit: %2")
                        .arg(QDir::toNativeSeparators(fileName), full ? QStringLiteral("na disku není dost místa.") : reason));
}

}  // namespace

void SaveCsvFile(const QString& fileName, const std::function<void(QIODevice&)>& write)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        FailSave(fileName, file.errorString());
    try {
        write(file);
    } catch (const CsvCancelled&) {
        file.cancelWriting();
        throw;
    } catch (const Exception& e) {
        file.cancelWriting();
        FailSave(fileName, e.Message());
    }
    if (!file.commit())
        FailSave(fileName, file.errorString());
}
