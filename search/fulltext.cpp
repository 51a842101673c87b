#include "fulltext.h"

#include "sqlite/errors.h"
#include "sqlite/sql3_query.h"

#include <QFile>

namespace {

constexpr int kFormVersion = 1;

QString Hex(const QByteArray& digest)
{
    return QString::fromLatin1(digest.toHex());
}

void RemoveIndexFiles(const QString& file)
{
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")})
        QFile::remove(file + suffix);
}

// Runs one statement with parameters given as name, value pairs.
void Exec(TMeral3Database& db, const QString& sql, std::initializer_list<std::pair<QString, QVariant>> values)
{
    TParams params;
    for (const auto& [name, value] : values) {
        TParam& param = params.Add(name, value.typeId() == QMetaType::QString ? ftString : ftLargeint);
        param.Value = value;
    }
    db.ExecSQL(sql, &params);
}

}  // namespace

TFulltextIndex::TFulltextIndex(const QString& file, const QString& driver, bool repair)
{
    db_.SetName(QStringLiteral("fulltext"));
    db_.SetDriver(driver);
    db_.SetDatabaseFile(file);
    db_.SetMustExists(false);
    db_.SetCollation(dcBinary);
    db_.SetParams(QStringLiteral("busy_timeout=5000"));
    if (!repair) {
        db_.SetMustExists(true);  // a reader never makes the file
        db_.Open();
        return;
    }
    try {
        Open();
        if (Healthy())
            return;
    } catch (const EDatabaseError&) {
    }
    db_.Close();
    RemoveIndexFiles(file);
    rebuilt_ = true;
    Open();
    Create();
}

void TFulltextIndex::Open()
{
    db_.Open();
}

// Ours, of the current form, and sound: anything else is made anew.
bool TFulltextIndex::Healthy()
{
    if (!db_.Utf16() || db_.GetPragma(QStringLiteral("user_version")).toInt() != kFormVersion)
        return false;
    if (db_.GetPragma(QStringLiteral("quick_check")) != QLatin1String("ok"))
        return false;
    db_.ExecSQL(QStringLiteral("INSERT INTO body(body) VALUES('integrity-check')"));
    return true;
}

void TFulltextIndex::Create()
{
    // UTF-16, so every character of a document is kept; the layer reads the encoding at connect,
    // hence the second connect.
    db_.ExecSQL(QStringLiteral("pragma encoding='UTF-16le'"));
    db_.ExecSQL(QStringLiteral(
        "CREATE TABLE docs(id INTEGER PRIMARY KEY, digest TEXT NOT NULL UNIQUE, failed TEXT, chars INTEGER NOT NULL);"
        "CREATE VIRTUAL TABLE body USING fts5(name, text, tokenize='unicode61 remove_diacritics 2');"
        "CREATE TABLE paths(path TEXT PRIMARY KEY, digest TEXT NOT NULL);"
        "CREATE INDEX ixpaths ON paths(digest);"
        "pragma user_version=")
                + QString::number(kFormVersion));
    db_.Close();
    db_.Open();
    db_.ExecSQL(QStringLiteral("pragma journal_mode=WAL"));
}

bool TFulltextIndex::Knows(const QByteArray& digest)
{
    TMeral3Query query;
    query.SetDatabase(&db_);
    query.SetSQL(QStringLiteral("SELECT 1 FROM docs WHERE digest=:d"));
    query.ParamByName(QStringLiteral("d")).SetAsString(Hex(digest));
    query.Open();
    return !query.Eof();
}

void TFulltextIndex::Store(const QByteArray& digest, const QString& name, const TExtracted& extracted)
{
    db_.StartTransaction();
    try {
        Exec(db_, QStringLiteral("DELETE FROM body WHERE rowid IN (SELECT id FROM docs WHERE digest=:d);"
                                 "DELETE FROM docs WHERE digest=:d"),
             {{"d", Hex(digest)}});
        TParams params;
        params.Add(QStringLiteral("d")).SetAsString(Hex(digest));
        params.Add(QStringLiteral("c")).SetAsLargeInt(extracted.Text.size());
        TParam& failed = params.Add(QStringLiteral("f"), ftString);
        if (!extracted.Ok())
            failed.SetAsString(extracted.Error);
        db_.ExecSQL(QStringLiteral("INSERT INTO docs(digest, failed, chars) VALUES(:d, :f, :c)"), &params);
        const qint64 id = db_.LastInsertRowId();
        Exec(db_, QStringLiteral("INSERT INTO body(rowid, name, text) VALUES(:i, :n, :t)"),
             {{"i", id}, {"n", name}, {"t", extracted.Text}});
        db_.Commit();
    } catch (...) {
        db_.Rollback();
        throw;
    }
}

void TFulltextIndex::SetPaths(const std::vector<std::pair<QString, QByteArray>>& paths)
{
    db_.StartTransaction();
    try {
        db_.ExecSQL(QStringLiteral("DELETE FROM paths"));
        for (const auto& [path, digest] : paths)
            Exec(db_, QStringLiteral("INSERT OR REPLACE INTO paths(path, digest) VALUES(:p, :d)"),
                 {{"p", path}, {"d", Hex(digest)}});
        db_.ExecSQL(QStringLiteral(
            "DELETE FROM body WHERE rowid IN (SELECT id FROM docs WHERE digest NOT IN (SELECT digest FROM paths));"
            "DELETE FROM docs WHERE digest NOT IN (SELECT digest FROM paths)"));
        db_.Commit();
    } catch (...) {
        db_.Rollback();
        throw;
    }
}

QString TFulltextIndex::MatchQuery(const QString& filterText)
{
    QStringList terms;
    for (const QString& word : filterText.simplified().split(u' ', Qt::SkipEmptyParts)) {
        if (std::none_of(word.begin(), word.end(), [](QChar c) { return c.isLetterOrNumber(); }))
            continue;
        QString quoted = word;
        quoted.replace(u'"', QStringLiteral("\"\""));
        terms << u'"' + quoted + QStringLiteral("\"*");
    }
    return terms.join(u' ');
}

std::vector<TDocumentHit> TFulltextIndex::Search(const QString& filterText, int limit)
{
    std::vector<TDocumentHit> hits;
    const QString match = MatchQuery(filterText);
    if (match.isEmpty())
        return hits;
    TMeral3Query query;
    query.SetDatabase(&db_);
    query.SetSQL(QStringLiteral("SELECT p.path AS path, snippet(body, -1, '[', ']', '…', 12) AS excerpt FROM body"
                                " JOIN docs d ON d.id=body.rowid JOIN paths p ON p.digest=d.digest"
                                " WHERE body MATCH :q ORDER BY rank LIMIT ")
                 + QString::number(limit));
    query.ParamByName(QStringLiteral("q")).SetAsString(match);
    TField& path = query.CreateField(QStringLiteral("path"), ftWideString);
    TField& excerpt = query.CreateField(QStringLiteral("excerpt"), ftWideString);
    query.Open();
    for (; !query.Eof(); query.Next())
        hits.push_back({path.AsString(), excerpt.AsString()});
    return hits;
}

TIndexFigures TFulltextIndex::Figures()
{
    TMeral3Query query;
    query.SetDatabase(&db_);
    query.SetSQL(QStringLiteral("SELECT count(*) AS documents, count(failed) AS failed, sum(chars) AS chars FROM docs"));
    TField& documents = query.CreateField(QStringLiteral("documents"), ftLargeint);
    TField& failed = query.CreateField(QStringLiteral("failed"), ftLargeint);
    TField& chars = query.CreateField(QStringLiteral("chars"), ftLargeint);
    query.Open();
    return {documents.AsInteger(), failed.AsInteger(), chars.IsNull() ? 0 : chars.AsLargeInt()};
}

QString TFulltextIndex::FailureOf(const QByteArray& digest)
{
    TMeral3Query query;
    query.SetDatabase(&db_);
    query.SetSQL(QStringLiteral("SELECT failed FROM docs WHERE digest=:d"));
    query.ParamByName(QStringLiteral("d")).SetAsString(Hex(digest));
    TField& failed = query.CreateField(QStringLiteral("failed"), ftWideString);
    query.Open();
    return query.Eof() ? QString() : failed.AsString();
}
