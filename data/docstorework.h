#pragma once

// The steps of storing a document, shared by StoreDocument and StoreDocuments (data/uDM.h), and
// the DOCS statements of the store. Gathering what the catalogue holds and writing the row run on
// the user-interface thread, which owns the connection; reading and packing the file may run on
// any thread. Every value reaches the engine as a bound parameter.

#include "bz2.h"

#include <QByteArray>
#include <QString>

#include <exception>
#include <optional>

class TDocumentDigests;
class TMeral3Database;

// A DOCS row without its blob.
struct TStoredRow {
    QString Path;             // as stored
    qint64 DocumentSize = -1;  // DOCSIZE; -1 when null
    qint64 BlobSize = -1;      // ZIPSIZE; -1 when null
    qint64 BlobLength = 0;     // the bytes ZIP really holds
    // Whether the blob may be read at all: a damaged or foreign row may claim anything.
    bool WithinLimits() const;
};

std::optional<TStoredRow> FindStoredRow(TMeral3Database& db, const QString& path);
QByteArray ReadStoredBlob(TMeral3Database& db, const QString& path);

// What the catalogue holds for a path, gathered before the file is read.
struct TStoreJob {
    QString Path;
    bool Missing = false;       // no file at the path: nothing to store
    qint64 StoredSize = -1;     // DOCSIZE of the path's row
    QByteArray StoredBlob;      // the row's blob, read only when it may hold the file's bytes
    std::exception_ptr Error;   // a failure while gathering, raised when the document's turn comes
};

struct TStoreOutcome {
    enum TKind { Gone, Unchanged, Unreadable, Packed };
    TKind Kind = Gone;
    QString Error;     // Unreadable: the message to raise
    TPackResult Pack;  // Packed: complete, or abandoned with its warning
};

TStoreJob PrepareStore(TMeral3Database& db, const QString& path);
// Any thread, with a progress routine fit for it. Learns the digests of what it reads and packs.
TStoreOutcome RunStore(const TStoreJob& job, Tbz2Progress progress, TDocumentDigests& digests);
// Raises what the job or the outcome failed with, shows an abandoned pack's warning, or writes the row.
void FinishStore(TMeral3Database& db, const TStoreJob& job, const TStoreOutcome& outcome);
