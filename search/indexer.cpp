#include "indexer.h"

#include "data/bz2.h"
#include "data/docstore.h"
#include "data/docstoredigest.h"
#include "data/docstorework.h"
#include "sqlite/errors.h"
#include "sqlite/sql3_query.h"

#include <QBuffer>
#include <QSet>

#include <vector>

namespace {

constexpr int kChunk = 16;  // rows per read: each read holds the catalogue only briefly

void OpenCatalogue(TMeral3Database& db, const TIndexFiles& files)
{
    db.SetName(QStringLiteral("catalogue"));
    db.SetDriver(files.Driver);
    db.SetDatabaseFile(files.Catalogue);
    db.SetMustExists(true);
    db.SetParams(QStringLiteral("busy_timeout=5000;query_only=1"));
    db.Open();
}

// Every stored path with the digest of its blob, read a few rows at a time.
std::vector<std::pair<QString, QByteArray>> StoredDigests(TMeral3Database& db, const std::atomic<bool>& stop)
{
    std::vector<std::pair<QString, QByteArray>> rows;
    QByteArray last;
    for (bool more = true; more && !stop;) {
        TMeral3Query query;
        query.SetDatabase(&db);
        query.SetSQL(QStringLiteral("SELECT DOCPATH, ZIP FROM DOCS WHERE CAST(DOCPATH AS BLOB)>:last"
                                    " ORDER BY CAST(DOCPATH AS BLOB) LIMIT ")
                     + QString::number(kChunk));
        query.ParamByName(QStringLiteral("last")).SetAsBlob(last);
        query.CreateField(QStringLiteral("DOCPATH"), ftString, 255);
        query.CreateField(QStringLiteral("ZIP"), ftBlob);
        query.Open();
        int count = 0;
        TField& path = query.FieldByName(QStringLiteral("DOCPATH"));
        TField& blob = query.FieldByName(QStringLiteral("ZIP"));
        for (; !query.Eof(); query.Next(), ++count) {
            last = path.AsBytes();
            rows.emplace_back(path.AsString(), Digest(blob.AsBytes()));
        }
        more = count == kChunk;
    }
    return rows;
}

TExtracted ExtractStored(TMeral3Database& db, const QString& path, const QByteArray& digest, TExtractSession& child,
                         const std::atomic<bool>& stop)
{
    const QByteArray blob = ReadStoredBlob(db, path);
    if (Digest(blob) != digest)
        return {{}, QStringLiteral("Dokument se mezitím změnil.")};
    const TDocKind kind = KindOfName(DocumentFileName(path));
    if (kind == TDocKind::NameOnly)
        return {};
    QBuffer document;
    document.open(QIODevice::ReadWrite);
    try {
        UnpackBlob(blob, document, nullptr);
    } catch (const Exception& e) {
        return {{}, e.Message()};
    }
    return child.Extract(kind, document.data(), &stop);
}

}  // namespace

TIndexFigures SyncDocumentIndex(const TIndexFiles& files, const TExtractChild& child, const TIndexProgress& progress,
                                const std::atomic<bool>& stop)
{
    TMeral3Database catalogue;
    OpenCatalogue(catalogue, files);
    TFulltextIndex index(files.Index, files.Driver);
    const auto paths = StoredDigests(catalogue, stop);
    if (stop)
        return index.Figures();
    index.SetPaths(paths);
    std::vector<std::pair<QString, QByteArray>> todo;
    QSet<QByteArray> seen;
    for (const auto& [path, digest] : paths)
        if (!seen.contains(digest) && !index.Knows(digest)) {
            seen.insert(digest);
            todo.emplace_back(path, digest);
        }
    TExtractSession session(child);  // one child for the whole pass, a fresh one after a failure
    for (size_t i = 0; i < todo.size() && !stop; ++i) {
        const auto& [path, digest] = todo[i];
        const TExtracted extracted = ExtractStored(catalogue, path, digest, session, stop);
        if (stop)
            break;  // an interrupted child is no failure of the document
        index.Store(digest, DocumentFileName(path), extracted);
        if (progress)
            progress(int(i + 1), int(todo.size()));
    }
    return index.Figures();
}

TIndexRunner::TIndexRunner(TIndexFiles files, TExtractChild child, QObject* parent)
    : QObject(parent)
    , files_(std::move(files))
    , child_(std::move(child))
{
    qRegisterMetaType<TIndexFigures>();
}

TIndexRunner::~TIndexRunner()
{
    stop_ = true;
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
}

void TIndexRunner::Request()
{
    if (thread_) {
        again_ = true;
        return;
    }
    StartPass();
}

void TIndexRunner::StartPass()
{
    again_ = false;
    thread_ = QThread::create([this] {
        TIndexFigures figures;
        QString error;
        try {
            figures = SyncDocumentIndex(
                files_, child_, [this](int done, int total) { emit Progress(done, total); }, stop_);
        } catch (const std::exception& e) {
            error = QString::fromUtf8(e.what());
        }
        QMetaObject::invokeMethod(this, [this, figures, error] { PassEnded(figures, error); }, Qt::QueuedConnection);
    });
    thread_->start();
}

void TIndexRunner::PassEnded(const TIndexFigures& figures, const QString& error)
{
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    emit Finished(figures, error);
    if (again_ && !stop_)
        StartPass();
}
