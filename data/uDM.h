#pragma once

// The catalogue data module: the work folder, the one connection to the catalogue and the shared
// database services. Exactly one instance lives while the program runs; `dm` points at it.

#include "sqlite/sql3_defs.h"
#include "sqlite/sql3_exec.h"

#include <QSettings>
#include <QString>

#include <memory>

// The work folder's name, which is also the main window's fixed title.
QString RegalonTitle();

// The path trimmed of blanks and control characters at both ends, every run of "/" made one.
QString CleanPath(const QString& path);
// The full path of `name` (which may start with a subfolder, as "DOKUM/x.pdf") inside the work
// folder, after making sure the work folder and its "DOKUM" subfolder exist. Raises Exception when
// a folder cannot be made; empty when the per-user data folder is unknown.
QString WorkPath(const QString& name);

class Tdm {
public:
    Tdm();   // DataModuleCreate: library path, database file, settings; nothing connects yet
    ~Tdm();  // DataModuleDestroy
    Tdm(const Tdm&) = delete;
    Tdm& operator=(const Tdm&) = delete;

    TMeral3Database db;     // named "db"; errors read "db: ..."
    TMeral3Exec exec;       // the shared executor: set the text, Execute, done
    TMeral3Exec dbCreator;  // holds the schema script

    // The settings over "regalon.ini" in the work folder; lives as long as the data module.
    QSettings& SettingsFile() { return *settings_; }

    // Connects; a database without tables gets the schema, one written in an older index order is
    // re-indexed once. Returns whether the connection is open.
    bool OpenCatalogue();
    bool CreateSchema();  // the schema script in one transaction; true, or raises

    // "begin", "commit" and "rollback" only where they change something: a BeginWork inside an
    // open transaction joins it, and the first CommitWork or RollbackWork ends it.
    void BeginWork();
    void CommitWork();
    void RollbackWork();

    // A new executor on db with the text set, not run; the caller owns it.
    std::unique_ptr<TMeral3Exec> NewExec(const QString& commandText);

private:
    void DataModuleCreate();
    void DataModuleDestroy();
    void RebuildIndexes();

    std::unique_ptr<QSettings> settings_;
};

extern Tdm* dm;
