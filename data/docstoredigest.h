#pragma once

// Telling whether bytes on disk are a stored document's without packing or unpacking them.
//
// A digest is BLAKE2b-256 of the bytes. TDocumentDigests remembers, for the digest of a blob, the
// digest of the document that blob unpacks to. An entry states a fact about the blob's own bytes,
// so it can never go stale: a row given another blob is looked up under another key. The entries
// live in a small file of the work folder, written by this program only; a missing or damaged
// file costs one unpacking per blob, never a wrong answer.

#include <QByteArray>
#include <QCryptographicHash>
#include <QHash>
#include <QIODevice>
#include <QMutex>
#include <QString>

#include <optional>
#include <vector>

inline constexpr QCryptographicHash::Algorithm DigestAlgorithm = QCryptographicHash::Blake2b_256;

QByteArray Digest(QByteArrayView bytes);
// The digest of a device's bytes from its start to its end; nothing when it cannot be read.
std::optional<QByteArray> DeviceDigest(QIODevice& device);

// Write-only: digests every byte written and hands it on to the next device, when there is one.
class TDigestWriter : public QIODevice {
public:
    explicit TDigestWriter(QIODevice* next = nullptr);
    QByteArray Result() const { return hash_.result(); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    QIODevice* next_;
    QCryptographicHash hash_{DigestAlgorithm};
};

// Safe to share between threads.
class TDocumentDigests {
public:
    // The file is read at the first use; an empty name keeps the entries in memory only.
    explicit TDocumentDigests(QString file);

    std::optional<QByteArray> Find(const QByteArray& blobDigest);
    void Add(const QByteArray& blobDigest, const QByteArray& documentDigest);
    // The digest of the document a blob stores, remembered or learned by unpacking it (without
    // progress); nothing for a blob that does not unpack.
    std::optional<QByteArray> DocumentOf(const QByteArray& blob);
    // Whether the open device holds exactly the document of the blob: the size first, then the bytes.
    bool Holds(QIODevice& device, qint64 storedSize, const QByteArray& blob);

    // More entries than this are not kept: the oldest go when the file is next read.
    static constexpr int MaxEntries = 100'000;

private:
    void Load();
    void Append(const QByteArray& blobDigest, const QByteArray& documentDigest);
    void Rewrite();

    QMutex mutex_;
    QString file_;
    bool loaded_ = false;
    bool rewrite_ = false;  // the file is missing or not in the expected form
    QHash<QByteArray, QByteArray> entries_;
    std::vector<QByteArray> order_;  // the keys, oldest first
};
