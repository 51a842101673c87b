#include "docstorework.h"

#include "docstoredigest.h"
#include "uDM.h"

#include "sqlite/sql3_query.h"

#include <QFile>
#include <QFileInfo>
#include <QThreadPool>

#include <atomic>
#include <deque>
#include <future>
#include <unordered_set>

namespace {

const QString kDocPath = QStringLiteral("DOCPATH");

std::unique_ptr<TMeral3Query> PathQuery(TMeral3Database& db, const QString& sql, const QString& path)
{
    auto query = std::make_unique<TMeral3Query>();
    query->SetDatabase(&db);
    query->SetSQL(sql);
    query->ParamByName(kDocPath).SetAsString(path);
    return query;
}

qint64 LargeIntOrNone(const TField& field)
{
    return field.IsNull() ? -1 : field.AsLargeInt();
}

void WriteStoredRow(TMeral3Database& db, const QString& path, const TPackResult& pack)
{
    TParams values;
    values.Add(kDocPath).SetAsString(path);
    values.Add(QStringLiteral("DOCSIZE")).SetAsLargeInt(pack.DocumentSize);
    values.Add(QStringLiteral("ZIPSIZE")).SetAsLargeInt(pack.Blob.size());
    values.Add(QStringLiteral("ZIP")).SetAsBlob(pack.Blob);
    db.ExecSQL(QStringLiteral("UPDATE DOCS SET DOCSIZE=:DOCSIZE, ZIPSIZE=:ZIPSIZE, ZIP=:ZIP WHERE DOCPATH=:DOCPATH"),
               &values);
    if (db.Changes() == 0)
        db.ExecSQL(QStringLiteral("INSERT INTO DOCS (DOCPATH, DOCSIZE, ZIPSIZE, ZIP) "
                                  "VALUES(:DOCPATH, :DOCSIZE, :ZIPSIZE, :ZIP)"),
                   &values);
}

void AskToGoOn(const TStoreCallback& callback, int index, const QString& path)
{
    if (callback && !callback(index, path))
        throw Exception(QStringLiteral("Záloha byla přerušena!"));
}

// Set while a pipeline drops the packs still running; read by the workers' progress routine.
std::atomic<bool> packsAbandoned{false};

void WorkerProgress(int, qint64 count, bool& stop)
{
    stop = count > PackSizeLimit || packsAbandoned.load(std::memory_order_relaxed);
}

// Packs the documents after the one whose turn it is on a pool of threads and finishes each in
// order on the calling thread. At most one document per worker is held at a time. A path is
// stored once a run: a document many items share would otherwise be read and judged again at
// every reference, and its later references find the row its first one wrote.
class TStorePipeline {
public:
    TStorePipeline(TMeral3Database& db, TDocumentDigests& digests, const std::vector<TStoreRequest>& requests,
                   int workers)
        : db_(db), digests_(digests), requests_(requests), workers_(workers)
    {
        pool_.setMaxThreadCount(workers);
    }
    // Drops what was packed ahead (a stop or an error ended the work) and waits for the workers.
    ~TStorePipeline()
    {
        pool_.clear();
        packsAbandoned = true;
        pool_.waitForDone();
        packsAbandoned = false;
    }
    TStorePipeline(const TStorePipeline&) = delete;
    TStorePipeline& operator=(const TStorePipeline&) = delete;

    // Stores the next document in order.
    void Store()
    {
        if (ahead_.empty())
            StartNext();
        FillAhead();
        TPending& pending = ahead_.front();
        if (!pending.Repeat)
            FinishStore(db_, pending.Job, pending.Outcome.valid() ? pending.Outcome.get() : TStoreOutcome());
        // Only now: a later request for the same path must see the row as written.
        ahead_.pop_front();
        FillAhead();
    }

private:
    struct TPending {
        TStoreJob Job;
        std::future<TStoreOutcome> Outcome;  // none when there is nothing to read
        bool Repeat = false;                 // the path came earlier in this run
    };
    // How far ahead the files are looked at, documents without a file included.
    static constexpr size_t kMaxAhead = 64;

    void FillAhead()
    {
        while (MayStartNext())
            StartNext();
    }
    bool MayStartNext() const
    {
        if (next_ >= requests_.size() || ahead_.size() >= kMaxAhead)
            return false;
        int packing = 0;
        for (const TPending& pending : ahead_)
            packing += pending.Outcome.valid() ? 1 : 0;
        return packing < workers_;
    }
    void StartNext()
    {
        TPending pending;
        pending.Job.Path = requests_[next_++].Path;
        pending.Repeat = !seen_.insert(pending.Job.Path).second;
        if (pending.Repeat) {
            ahead_.push_back(std::move(pending));
            return;
        }
        try {
            pending.Job = PrepareStore(db_, pending.Job.Path);
        } catch (...) {
            pending.Job.Error = std::current_exception();
        }
        if (!pending.Job.Missing && !pending.Job.Error) {
            auto task = std::make_shared<std::packaged_task<TStoreOutcome()>>(
                [job = pending.Job, &digests = digests_] { return RunStore(job, WorkerProgress, digests); });
            pending.Outcome = task->get_future();
            pool_.start([task] { (*task)(); });
        }
        ahead_.push_back(std::move(pending));
    }

    TMeral3Database& db_;
    TDocumentDigests& digests_;
    const std::vector<TStoreRequest>& requests_;
    const int workers_;
    size_t next_ = 0;
    std::deque<TPending> ahead_;
    std::unordered_set<QString> seen_;
    QThreadPool pool_;  // last: destroyed first, after the destructor has waited for it
};

}  // namespace

bool TStoredRow::WithinLimits() const
{
    return DocumentSize <= LargestStoredSize && BlobSize <= LargestBlobSize && BlobLength <= LargestBlobSize;
}

std::optional<TStoredRow> FindStoredRow(TMeral3Database& db, const QString& path)
{
    // length() reads no blob: a damaged row is judged before its blob is touched.
    const auto query = PathQuery(
        db, QStringLiteral("SELECT DOCSIZE, ZIPSIZE, length(ZIP) AS ZIPLENGTH FROM DOCS WHERE DOCPATH=:DOCPATH"), path);
    for (const char* column : {"DOCSIZE", "ZIPSIZE", "ZIPLENGTH"})
        query->CreateField(QLatin1String(column), ftLargeint);
    query->Open();
    if (query->IsEmpty())
        return std::nullopt;
    return TStoredRow{path, LargeIntOrNone(query->FieldByName(QStringLiteral("DOCSIZE"))),
                      LargeIntOrNone(query->FieldByName(QStringLiteral("ZIPSIZE"))),
                      std::max<qint64>(LargeIntOrNone(query->FieldByName(QStringLiteral("ZIPLENGTH"))), 0)};
}

QByteArray ReadStoredBlob(TMeral3Database& db, const QString& path)
{
    const auto query = PathQuery(db, QStringLiteral("SELECT ZIP FROM DOCS WHERE DOCPATH=:DOCPATH"), path);
    query->CreateField(QStringLiteral("ZIP"), ftBlob);
    query->Open();
    return query->IsEmpty() ? QByteArray() : query->FieldByName(QStringLiteral("ZIP")).AsBytes();
}

TStoreJob PrepareStore(TMeral3Database& db, const QString& path)
{
    TStoreJob job;
    job.Path = path;
    const QFileInfo file(path);
    job.Missing = !file.isFile();
    if (job.Missing)
        return job;
    if (const std::optional<TStoredRow> row = FindStoredRow(db, path)) {
        job.StoredSize = row->DocumentSize;
        if (row->DocumentSize == file.size() && row->WithinLimits())
            job.StoredBlob = ReadStoredBlob(db, path);
    }
    return job;
}

TStoreOutcome RunStore(const TStoreJob& job, Tbz2Progress progress, TDocumentDigests& digests)
{
    TStoreOutcome outcome;
    // Read-only and unlocked: other programs may go on reading and writing the file meanwhile.
    QFile file(job.Path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (QFileInfo(job.Path).isFile()) {
            outcome.Kind = TStoreOutcome::Unreadable;
            outcome.Error = QStringLiteral("Soubor \"%1\" nelze otevřít: %2").arg(job.Path, file.errorString());
        }
        return outcome;
    }
    if (digests.Holds(file, job.StoredSize, job.StoredBlob)) {
        outcome.Kind = TStoreOutcome::Unchanged;
        return outcome;
    }
    QCryptographicHash packed(DigestAlgorithm);
    outcome.Kind = TStoreOutcome::Packed;
    outcome.Pack = PackDocument(file, job.Path, progress, &packed);
    if (outcome.Pack.Complete)
        digests.Add(Digest(outcome.Pack.Blob), packed.result());
    return outcome;
}

void FinishStore(TMeral3Database& db, const TStoreJob& job, const TStoreOutcome& outcome)
{
    if (job.Error)
        std::rethrow_exception(job.Error);
    switch (outcome.Kind) {
    case TStoreOutcome::Gone:
    case TStoreOutcome::Unchanged:
        return;
    case TStoreOutcome::Unreadable:
        throw Exception(outcome.Error);
    case TStoreOutcome::Packed:
        // An unfinished blob must not replace a good copy.
        if (outcome.Pack.Complete)
            WriteStoredRow(db, job.Path, outcome.Pack);
        else
            ShowWarning(outcome.Pack.Warning);
        return;
    }
}

bool Tdm::StoreDocument(const QString& path, int index, const TStoreCallback& callback)
{
    AskToGoOn(callback, index, path);
    const TStoreJob job = PrepareStore(db, path);
    FinishStore(db, job, job.Missing ? TStoreOutcome() : RunStore(job, PackProgress, Digests()));
    return true;
}

void Tdm::StoreDocuments(const std::vector<TStoreRequest>& requests, const TStoreCallback& callback)
{
    TStorePipeline pipeline(db, Digests(), requests, packWorkers_);
    for (const TStoreRequest& request : requests) {
        AskToGoOn(callback, request.Index, request.Path);
        pipeline.Store();
    }
}
