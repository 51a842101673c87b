#include "docstoredigest.h"

#include "bz2.h"

#include <QFile>
#include <QMutexLocker>
#include <QSaveFile>

namespace {

// The file: this mark, then one record after another, the blob's digest and the document's.
const QByteArray kMark = QByteArrayLiteral("RGDIGST1");
constexpr qint64 kDigestLength = 32;
constexpr qint64 kRecordLength = 2 * kDigestLength;

}  // namespace

QByteArray Digest(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, DigestAlgorithm);
}

std::optional<QByteArray> DeviceDigest(QIODevice& device)
{
    QCryptographicHash hash(DigestAlgorithm);
    if (!device.seek(0) || !hash.addData(&device) || !device.atEnd())
        return std::nullopt;
    return hash.result();
}

TDigestWriter::TDigestWriter(QIODevice* next) : next_(next)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 TDigestWriter::writeData(const char* data, qint64 size)
{
    const qint64 taken = next_ ? next_->write(data, size) : size;
    if (taken < 0) {
        setErrorString(next_->errorString());
        return -1;
    }
    hash_.addData(QByteArrayView(data, taken));
    return taken;
}

TDocumentDigests::TDocumentDigests(QString file) : file_(std::move(file)) {}

std::optional<QByteArray> TDocumentDigests::Find(const QByteArray& blobDigest)
{
    const QMutexLocker lock(&mutex_);
    Load();
    const auto found = entries_.constFind(blobDigest);
    if (found == entries_.constEnd())
        return std::nullopt;
    return *found;
}

void TDocumentDigests::Add(const QByteArray& blobDigest, const QByteArray& documentDigest)
{
    const QMutexLocker lock(&mutex_);
    Load();
    if (entries_.contains(blobDigest))
        return;
    entries_.insert(blobDigest, documentDigest);
    order_.push_back(blobDigest);
    if (rewrite_)
        Rewrite();
    else
        Append(blobDigest, documentDigest);
}

std::optional<QByteArray> TDocumentDigests::DocumentOf(const QByteArray& blob)
{
    const QByteArray key = Digest(blob);
    if (auto known = Find(key))
        return known;
    TDigestWriter unpacked;
    try {
        UnpackBlob(blob, unpacked, nullptr);
    } catch (const Exception&) {
        return std::nullopt;  // a damaged blob holds no document to compare with
    }
    Add(key, unpacked.Result());
    return unpacked.Result();
}

bool TDocumentDigests::Holds(QIODevice& device, qint64 storedSize, const QByteArray& blob)
{
    if (blob.isEmpty() || device.size() != storedSize)
        return false;
    const std::optional<QByteArray> stored = DocumentOf(blob);
    return stored && DeviceDigest(device) == stored;
}

void TDocumentDigests::Load()
{
    if (std::exchange(loaded_, true) || file_.isEmpty())
        return;
    QFile file(file_);
    if (!file.open(QIODevice::ReadOnly) || file.read(kMark.size()) != kMark) {
        rewrite_ = true;
        return;
    }
    const qint64 records = (file.size() - kMark.size()) / kRecordLength;
    const qint64 skipped = std::max<qint64>(records - MaxEntries, 0);
    // A torn last record (a write cut short) or dropped old entries: the next entry writes the file anew.
    rewrite_ = skipped > 0 || (file.size() - kMark.size()) % kRecordLength != 0;
    if (!file.seek(kMark.size() + skipped * kRecordLength))
        return;
    const QByteArray bytes = file.read((records - skipped) * kRecordLength);
    for (qint64 at = 0; at + kRecordLength <= bytes.size(); at += kRecordLength) {
        const QByteArray key = bytes.mid(at, kDigestLength);
        if (!entries_.contains(key))
            order_.push_back(key);
        entries_.insert(key, bytes.mid(at + kDigestLength, kDigestLength));
    }
}

// The entries only save work, so a file that cannot be written is left as it is.
void TDocumentDigests::Append(const QByteArray& blobDigest, const QByteArray& documentDigest)
{
    QFile file(file_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    // A record cut short would shift every later one: the next entry writes the file anew.
    rewrite_ = file.write(blobDigest + documentDigest) != kRecordLength || !file.flush();
}

void TDocumentDigests::Rewrite()
{
    if (file_.isEmpty())
        return;
    QSaveFile file(file_);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(kMark);
    for (const QByteArray& key : order_)
        file.write(key + entries_.value(key));
    rewrite_ = !file.commit();
}
