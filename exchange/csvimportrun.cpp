#include "csvimport.h"
#include "csvimportrows.h"

#include "data/uDM.h"
#include "sqlite/errors.h"
#include "sqlite/sql3_exec.h"
#include "sqlite/sql3_utils.h"

#include <QCollator>
#include <QSet>

#include <algorithm>
#include <array>
#include <functional>

namespace {

void Select(TMeral3Database& db, const QString& sql, const std::function<void(const QStringList&)>& row)
{
    TMeral3Exec exec(&db);
    exec.SetCommandText(sql);
    exec.OnFetchRecord = [&row](TMeral3Exec&, int, bool&, const QStringList&, const QStringList& values) { row(values); };
    exec.Execute();
}

QSet<qint64> ItemIdents(TMeral3Database& db)
{
    QSet<qint64> idents;
    Select(db, QStringLiteral("SELECT IDENT FROM MATR"), [&](const QStringList& v) { idents.insert(v[0].toLongLong()); });
    return idents;
}

qint64 HighestIdent(TMeral3Database& db, const QString& table)
{
    qint64 highest = 0;
    Select(db, QStringLiteral("SELECT max(IDENT) FROM ") + table, [&](const QStringList& v) { highest = v[0].toLongLong(); });
    return highest;
}

// Reads the data records, the header skipped, each made into its row.
void ReadRows(QIODevice& in, const ImportSettings& settings, const CsvProgress& progress,
              const std::function<void(const ImportRow&, const std::vector<ImportProblem>&)>& handle)
{
    bool header = settings.header;
    std::vector<ImportProblem> problems;
    ReadCsv(
        in, settings.dialect,
        [&](const QStringList& fields, qint64 line) {
            if (header) {
                header = false;
                return true;
            }
            problems.clear();
            handle(PrepareRow(fields, line, settings, problems), problems);
            return true;
        },
        progress);
}

const std::array<QString, kImportTargetCount> kColumns{QString(), QStringLiteral("IDTYP"), QStringLiteral("NAZEV"),
                                                        QStringLiteral("POPIS"), QStringLiteral("MISTO"),
                                                        QStringLiteral("PATH_DOK"), QStringLiteral("OBSAH"), QString()};

bool Mapped(const ImportSettings& settings, ImportTarget target)
{
    return std::find(settings.mapping.begin(), settings.mapping.end(), target) != settings.mapping.end();
}

// The statement writing an item: every column for a new one, the mapped columns for an update.
QString WriteStatement(const ImportSettings& settings, bool update)
{
    QStringList columns;
    for (int t = int(ImportTarget::Group); t <= int(ImportTarget::Content); ++t)
        if (!update || Mapped(settings, ImportTarget(t)) || (t == int(ImportTarget::Group) && settings.targetGroup > 0))
            columns << kColumns[size_t(t)];
    if (!update)
        return QStringLiteral("INSERT INTO MATR (IDENT,%1) VALUES (:IDENT,:%2)")
            .arg(columns.join(u','), columns.join(QStringLiteral(",:")));
    QStringList sets;
    for (const QString& column : columns)
        sets << column + QStringLiteral("=:") + column;
    return QStringLiteral("UPDATE MATR SET %1 WHERE IDENT=:IDENT").arg(sets.join(u','));
}

}  // namespace

GroupResolver::GroupResolver(TMeral3Database* db, bool write) : db_(db), write_(write && db)
{
    if (!db)
        return;
    Select(*db, QStringLiteral("SELECT IDENT, PARENT, NAZEV FROM TYPY"), [this](const QStringList& v) {
        children_[v[1].toLongLong()].push_back({v[0].toLongLong(), v[2]});
    });
    next_ = HighestIdent(*db, QStringLiteral("TYPY")) + 1;
}

qint64 GroupResolver::Resolve(const QStringList& path)
{
    qint64 parent = 0;
    for (int level = 0; level < path.size(); ++level)
        parent = Child(parent, level, path[level]);
    return parent;
}

qint64 GroupResolver::Child(qint64 parent, int level, const QString& name)
{
    std::vector<Group>& siblings = children_[parent];
    for (const Group& group : siblings)
        if (group.name == name)
            return group.ident;
    for (const Group& group : siblings)
        if (NativeCollator().compare(group.name, name) == 0)
            return group.ident;
    const qint64 ident = next_++;
    if (write_) {
        TParams params;
        params.Add(QStringLiteral("IDENT")).SetAsLargeInt(ident);
        params.Add(QStringLiteral("PARENT")).SetAsLargeInt(parent);
        params.Add(QStringLiteral("LEVEL")).SetAsInteger(level);
        params.Add(QStringLiteral("NAZEV")).SetAsString(name);
        db_->ExecSQL(QStringLiteral("INSERT INTO TYPY (IDENT,PARENT,LEVEL,NAZEV,POPIS) VALUES (:IDENT,:PARENT,:LEVEL,:NAZEV,'')"),
                    &params);
    }
    siblings.push_back({ident, name});
    ++created_;
    return ident;
}

ImportCheck CheckImport(TMeral3Database* db, QIODevice& in, const ImportSettings& settings, const CsvProgress& progress)
{
    ImportCheck check;
    GroupResolver groups(db, false);
    const QSet<qint64> existing = db && Mapped(settings, ImportTarget::Ident) ? ItemIdents(*db) : QSet<qint64>();
    ReadRows(in, settings, progress, [&](const ImportRow& row, const std::vector<ImportProblem>& problems) {
        ++check.rows;
        check.problemCount += qint64(problems.size());
        for (const ImportProblem& problem : problems)
            if (check.problems.size() < ImportCheck::kMaxKept)
                check.problems.push_back(problem);
        check.faultyRows += row.faulty ? 1 : 0;
        check.refusedRows += row.refused ? 1 : 0;
        check.unnamedRows += row.refused && !row.groupOnly && IsBlank(row.Value(ImportTarget::Name)) ? 1 : 0;
        if (row.refused)
            return;
        groups.Resolve(row.groupPath);
        check.updates += !row.groupOnly && row.ident > 0 && existing.contains(row.ident) ? 1 : 0;
    });
    check.newGroups = groups.Created();
    return check;
}

ImportResult RunImport(Tdm& data, QIODevice& in, const ImportSettings& settings, const CsvProgress& progress)
{
    WorkGuard work(data);
    TMeral3Database& db = data.db;
    GroupResolver groups(&db, true);
    const QSet<qint64> existing = settings.updateByIdent ? ItemIdents(db) : QSet<qint64>();
    qint64 next = HighestIdent(db, QStringLiteral("MATR")) + 1;
    const QString insert = WriteStatement(settings, false), update = WriteStatement(settings, true);
    const bool mapsGroup = Mapped(settings, ImportTarget::Group);
    ImportResult result;
    std::vector<TStoreRequest> documents;
    TParams params;
    ReadRows(in, settings, progress, [&](const ImportRow& row, const std::vector<ImportProblem>& problems) {
        if (row.refused) {
            if (settings.choice == ImportChoice::Stop)
                throw Exception(QStringLiteral("Import byl zastaven, nic nebylo zapsáno: %1").arg(problems.front().Text()));
            ++result.skipped;
            return;
        }
        const qint64 group = row.groupPath.isEmpty() ? settings.targetGroup : groups.Resolve(row.groupPath);
        if (row.groupOnly)
            return;
        const bool updating = row.ident > 0 && existing.contains(row.ident);
        const qint64 ident = updating ? row.ident : next++;
        params.Clear();
        params.Add(QStringLiteral("IDENT")).SetAsLargeInt(ident);
        if (!updating || mapsGroup || settings.targetGroup > 0)
            params.Add(QStringLiteral("IDTYP")).SetAsLargeInt(group);
        for (int t = int(ImportTarget::Name); t <= int(ImportTarget::Content); ++t)
            if (!updating || Mapped(settings, ImportTarget(t)))
                params.Add(kColumns[size_t(t)]).SetAsString(row.values[size_t(t)]);
        db.ExecSQL(updating ? update : insert, &params);
        (updating ? result.updated : result.added) += 1;
        result.items << ident;
        const QString& document = row.Value(ImportTarget::Document);
        if (settings.storeDocuments && !IsBlank(document))
            documents.push_back({int(documents.size()), document});
    });
    if (!documents.empty()) {
        bool cancelled = false;
        try {
            data.StoreDocuments(documents, [&](int index, const QString&) {
                cancelled = progress && !progress(index, qint64(documents.size()));
                return !cancelled;
            });
        } catch (const Exception&) {
            if (cancelled)
                throw CsvCancelled();
            throw;
        }
    }
    result.groupsCreated = groups.Created();
    work.Commit();
    return result;
}
