#pragma once

// A connection to a fresh database file in a temporary folder, over the engine library that the
// build places next to the test executable.

#include "sqlite/sql3_defs.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <functional>
#include <ostream>

// Readable failures for Qt texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << '[' << l.join("|").toStdString() << ']'; }

inline QString EngineLibraryPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/libsqlite3.so.0");
}

// Runs a query and gives the first column of every row.
QStringList ColumnOf(TMeral3Database& db, const QString& sql);

struct TempDatabase {
    QTemporaryDir dir;
    TMeral3Database db;

    TempDatabase()
    {
        db.SetName(QStringLiteral("db"));
        db.SetDriver(EngineLibraryPath());
        db.SetDatabaseFile(dir.filePath(QStringLiteral("test.db3")));
        db.SetMustExists(false);
    }

    QStringList Column(const QString& sql) { return ColumnOf(db, sql); }
    QString Value(const QString& sql) { return Column(sql).value(0); }
};

// The message of the error the call raises, or "<no error>".
inline QString ErrorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}
