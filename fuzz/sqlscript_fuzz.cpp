// The reading of an SQL script into statements, checked against the engine's own reading, over
// catalogues in both text encodings. Statements are prepared, never run.

#include "check.h"

#include "sqlite/sql3_api.h"
#include "sqlite/sql3_defs.h"
#include "sqlite/sql3_exec.h"
#include "sqlite/sql3_utils.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

namespace {

struct Catalogue {
    QTemporaryDir dir;
    TMeral3Database db;

    explicit Catalogue(const QString& encoding)
    {
        db.SetDriver(QCoreApplication::applicationDirPath() + QStringLiteral("/libsqlite3.so.0"));
        db.SetDatabaseFile(dir.filePath(QStringLiteral("fuzz.db3")));
        db.SetMustExists(false);
        db.ExecSQL(QStringLiteral("pragma encoding='%1'").arg(encoding));
        db.ExecSQL(QStringLiteral(
            "create table MATR(IDENT integer primary key, IDTYP, NAZEV, POPIS, MISTO, PATH_DOK, OBSAH);"
            "create table TYPY(IDENT integer primary key, PARENT, LEVEL, NAZEV, POPIS);"
            "create table DOCS(DOCPATH primary key, DOCSIZE, ZIPSIZE, ZIP)"));
        db.Close();  // the encoding is read again when the file is opened
        db.Open();
    }
};

std::unique_ptr<Catalogue> utf8;
std::unique_ptr<Catalogue> utf16;

// Where each statement ends, in units of the engine's text, and whether the reading failed.
struct Reading {
    QList<qsizetype> ends;
    bool failed = false;
};

template <typename Char, typename Prepare>
Reading ReadStatements(const TMeral3Database& db, const Char* text, Prepare prepare)
{
    Reading reading;
    for (qsizetype position = 0;;) {
        sqlite3_stmt* statement = nullptr;
        const Char* tail = nullptr;
        if (prepare(text + position, &statement, &tail) != sq3::OK) {
            reading.failed = true;
            return reading;
        }
        const qsizetype next = tail - text;
        if (statement) {
            reading.ends.append(next);
            db.Api().finalize(statement);
        }
        if (next == position || text[next] == 0)
            return reading;
        position = next;
    }
}

// The engine alone: prepare after prepare until the text is used up.
Reading EngineReading(const TMeral3Database& db, const QString& sql)
{
    const Sqlite3Api& api = db.Api();
    if (db.Utf16())
        return ReadStatements(db, reinterpret_cast<const char16_t*>(sql.utf16()),
                              [&](const char16_t* at, sqlite3_stmt** statement, const char16_t** tail) {
                                  const void* rest = nullptr;
                                  const int rc = api.prepare16(db.Handle(), at, -1, statement, &rest);
                                  *tail = static_cast<const char16_t*>(rest);
                                  return rc;
                              });
    const QByteArray bytes = db.EncodeText(sql);
    return ReadStatements(db, bytes.constData(), [&](const char* at, sqlite3_stmt** statement, const char** tail) {
        return api.prepare_v2(db.Handle(), at, -1, statement, tail);
    });
}

// The layer's walk, as RunStatements takes it.
struct Walked {
    Reading reading;
    bool lastAtEnd = true;  // the statement seen last was taken for the script's end
    qsizetype position = 0;
};

Walked Walk(TMeral3Database& db, const QString& sql)
{
    Walked walked;
    try {
        TStatementWalk walk(db, sql);
        while (sqlite3_stmt* statement = walk.Next()) {
            walked.reading.ends.append(walk.Position());
            walked.lastAtEnd = walk.AtEnd();
            db.Api().finalize(statement);
        }
        walked.position = walk.Position();
    } catch (const EDatabaseError&) {
        walked.reading.failed = true;
    }
    return walked;
}

void CheckWalk(TMeral3Database& db, const QString& sql)
{
    const Walked walked = Walk(db, sql);
    if (sql.contains(QChar(0))) {
        // Refused before the engine sees it: the engine would read only the part before the NUL.
        FUZZ_CHECK(walked.reading.failed && walked.reading.ends.isEmpty());
        return;
    }
    const Reading engine = EngineReading(db, sql);
    // The same statements as the engine's, none dropped after the walk took the rest for blank.
    // Stray control characters after the last statement are let pass where the engine would fail.
    FUZZ_CHECK(walked.reading.ends == engine.ends);
    FUZZ_CHECK(!walked.reading.failed || engine.failed);
    if (walked.reading.failed)
        return;
    // RunStatements keeps the statement the walk took for the last one; it must be the last.
    FUZZ_CHECK(walked.lastAtEnd);
    FUZZ_CHECK(walked.position <= (db.Utf16() ? sql.size() : db.EncodeText(sql).size()));
}

// The executor runs its lines joined with CR LF: only the kind of line break changes.
void CheckScriptLines(const QString& sql)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    TMeral3Exec exec;
    exec.SetCommandText(sql);
    QString expected = QString(sql).replace(lineBreak, QStringLiteral("\r\n"));
    if (expected.endsWith(QStringLiteral("\r\n")))
        expected.chop(2);
    FUZZ_CHECK(exec.CommandText().join(QStringLiteral("\r\n")) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    utf8 = std::make_unique<Catalogue>(QStringLiteral("UTF-8"));
    utf16 = std::make_unique<Catalogue>(QStringLiteral("UTF-16le"));
    FUZZ_CHECK(!utf8->db.Utf16() && utf16->db.Utf16());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const QString sql = FromCodePage(FuzzBytes(data, size));
    if (!FitsCodePage(sql))
        return 0;  // a byte the code page leaves undefined: such text never reaches the engine
    CheckWalk(utf8->db, sql);
    CheckWalk(utf16->db, sql);
    CheckScriptLines(sql);
    return 0;
}
