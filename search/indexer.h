#pragma once

// Bringing the document index up to date with the catalogue: the digests of all stored blobs are
// read in short steps (the catalogue stays free for the window's writes between them), then every
// document the index does not know yet is unpacked and its text extracted by one child process
// (a fresh one after a document that cost a child its life).

#include "extractchild.h"
#include "fulltext.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>

struct TIndexFiles {
    QString Catalogue;  // the catalogue file, only read
    QString Index;      // the index file
    QString Driver;     // the SQLite library
};

// Called after each document extracted: how many of how many new ones.
using TIndexProgress = std::function<void(int done, int total)>;

// Answers the index's figures afterwards. Raises when the catalogue or the index cannot be read or
// written; a document that fails is kept as failed, not raised.
TIndexFigures SyncDocumentIndex(const TIndexFiles& files, const TExtractChild& child, const TIndexProgress& progress,
                                const std::atomic<bool>& stop);

// Runs SyncDocumentIndex on its own thread, one pass at a time; a request during a pass runs one
// more pass afterwards. Destroying it stops the pass between documents and waits for it.
class TIndexRunner : public QObject {
    Q_OBJECT
public:
    TIndexRunner(TIndexFiles files, TExtractChild child, QObject* parent = nullptr);
    ~TIndexRunner() override;

    void Request();
    bool Running() const { return thread_ != nullptr; }

signals:
    void Progress(int done, int total);
    void Finished(const TIndexFigures& figures, const QString& error);

private:
    void StartPass();
    void PassEnded(const TIndexFigures& figures, const QString& error);

    TIndexFiles files_;
    TExtractChild child_;
    QThread* thread_ = nullptr;
    std::atomic<bool> stop_{false};
    bool again_ = false;
};
