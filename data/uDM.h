#pragma once

// The catalogue data module: the work folder, the one connection to the catalogue and the shared
// database services. Exactly one instance lives while the program runs; `dm` points at it.

#include "data/backup.h"  // backup and restore: the file dialogs
#include "sqlite/sql3_defs.h"
#include "sqlite/sql3_exec.h"
#include "sqlite/sql3_query.h"
#include "sqlite/sql3_table.h"
#include "toolkit/linkhighlighter.h"

#include <QSettings>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

// Asked before each document a store takes: the caller's index and the path; false stops the work.
using TStoreCallback = std::function<bool(int index, const QString& path)>;
// One document for StoreDocuments: the index its callback is given, and the path.
struct TStoreRequest {
    int Index = 0;
    QString Path;
};

class TDocumentDigests;

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
    // Shared by the tree load and new identifiers: each user sets the text, opens, reads, closes.
    TMeral3Query query;
    // The look of links, shared by the content editors.
    TLinkHighlighting synURI;

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
    // A new query on db with the text applied (named parameters parsed), not opened; the caller owns it.
    std::unique_ptr<TMeral3Query> NewQuery(const QString& sqlText);

    // The group tree (grouptree.cpp). LoadGroupTree replaces every node of the tree with the
    // special nodes and the groups of TYPY and returns the number of groups read; on an error the
    // query is closed and the error passes, the tree keeping what was loaded so far.
    int LoadGroupTree(QTreeWidget* tree);
    // The first node in tree order whose payload carries the identifier; none for 0.
    static QTreeWidgetItem* FindGroupNode(QTreeWidget* tree, qint32 ident);
    // PARENT and LEVEL of every group node from the tree's shape, in one transaction; on an error
    // everything is rolled back and the error passes.
    void SaveTreeShape(QTreeWidget* tree);

    // Identifiers, item moves and places (idents.cpp).
    int NewIdent(const QString& tableName);            // highest IDENT + 1; 1 for an empty table
    bool MoveItemToGroup(qint64 item, qint64 group);   // false (nothing changed) on any failure
    void ListPlaces(QStringList& list);                // the distinct places in use, trimmed

    // Stored documents (docstore.cpp; see data/docstore.h).
    bool StoreDocument(const QString& path, int index = 0, const TStoreCallback& callback = {});
    void StoreDocuments(const std::vector<TStoreRequest>& requests, const TStoreCallback& callback);
    QString GetDocument(const QString& path);
    // The threads StoreDocuments packs on; QThread::idealThreadCount() unless set.
    int PackWorkers() const { return packWorkers_; }
    void SetPackWorkers(int count) { packWorkers_ = std::max(count, 1); }
    static void ListContentLinks(const TField& field, QStringList& list);
    static bool ShowInFolder(const QString& path);

    // --- Backup and restore (backup.cpp; see data/backup.h) ---------------------------------------
    TFileDialog dlgBackup{TFileDialog::fdSave};
    TFileDialog dlgRestore{TFileDialog::fdOpen};
    QStringList CheckDocuments(TMeral3Command& items);  // the orphan list
    bool BackupDatabase(TMeral3Command& items, const TStoreCallback& callback);
    bool RestoreDatabase();
    // --- end of backup and restore -----------------------------------------------------------------

private:
    void DataModuleCreate();
    void DataModuleDestroy();
    void RebuildIndexes();
    TDocumentDigests& Digests();  // docstore.cpp; made at the first use

    std::unique_ptr<QSettings> settings_;
    std::unique_ptr<TDocumentDigests> digests_;
    int packWorkers_;
};

extern Tdm* dm;

// One unit of work of the data module: rolled back unless committed, also when an error passes.
// Inside an open transaction it joins it (BeginWork's rule).
class WorkGuard {
public:
    explicit WorkGuard(Tdm& data) : data_(data) { data_.BeginWork(); }
    ~WorkGuard()
    {
        if (committed_)
            return;
        try {
            data_.RollbackWork();
        } catch (const Exception&) {
            // The error that ends the work is the one the caller sees.
        }
    }
    WorkGuard(const WorkGuard&) = delete;
    WorkGuard& operator=(const WorkGuard&) = delete;
    void Commit()
    {
        data_.CommitWork();
        committed_ = true;
    }

private:
    Tdm& data_;
    bool committed_ = false;
};
