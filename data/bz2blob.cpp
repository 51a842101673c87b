// The stored-document blob: packing a file into a bzip2 stream followed by its size trailer, and
// unpacking such a blob again.

#include "bz2.h"
#include "bz2io.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QtEndian>

#include <algorithm>
#include <vector>

using bz2detail::ReadFailed;
using bz2detail::WithReason;
using bz2detail::WriteExact;
using bz2detail::WriteFailed;

namespace {

constexpr qint64 FilePiece = 61'440;
constexpr int TrailerLength = 8;

void ReadExact(QIODevice& source, char* data, qint64 count)
{
    while (count > 0) {
        const qint64 got = source.read(data, count);
        if (got < 0)
            throw EReadError(WithReason(ReadFailed, source));
        if (got == 0)
            throw EReadError(ReadFailed);
        data += got;
        count -= got;
    }
}

void CopyFile(QIODevice& file, qint64 size, TCompressStream& compressor, QCryptographicHash* digest)
{
    if (!file.seek(0))
        throw EReadError(WithReason(ReadFailed, file));
    std::vector<char> piece(FilePiece);
    for (qint64 left = size; left > 0;) {
        const qint64 count = std::min(left, FilePiece);
        ReadExact(file, piece.data(), count);
        if (digest)
            digest->addData(QByteArrayView(piece.data(), count));
        compressor.Write(piece.data(), count);
        left -= count;
    }
}

// Empty when the blob is complete, otherwise why packing was abandoned.
QString Pack(QIODevice& file, qint64 size, const QString& name, Tbz2Progress progress, QCryptographicHash* digest,
             QByteArray& blob)
{
    QBuffer out(&blob);
    out.open(QIODevice::WriteOnly);
    TCompressStream compressor(bs900k, out, size, progress);
    try {
        CopyFile(file, size, compressor, digest);
    } catch (const Ebz2USERError&) {
        return TooLargeWarning(name);
    } catch (const Exception& e) {
        return QStringLiteral("Soubor ") + name + QStringLiteral(" se nepodařilo zabalit: ") + e.Message();
    }
    compressor.Finish();
    char trailer[TrailerLength];
    qToLittleEndian<qint64>(size, trailer);
    WriteExact(out, trailer, TrailerLength);
    return QString();
}

qint64 TrailerSize(const QByteArray& blob)
{
    if (blob.size() < TrailerLength)
        throw Ebz2DATAError(QStringLiteral("The blob is shorter than its 8-byte size trailer (%1 bytes)").arg(blob.size()));
    const qint64 size = qFromLittleEndian<qint64>(blob.constData() + blob.size() - TrailerLength);
    if (size < 0 || size > LargestStoredSize)
        throw Ebz2DATAError(QStringLiteral("The blob's size trailer holds an impossible size (%1 bytes)").arg(size));
    return size;
}

void CopyOut(TDecompressStream& decompressor, qint64 size, QIODevice& destination)
{
    std::vector<char> piece(FilePiece);
    for (qint64 left = size; left > 0;) {
        const qint64 count = std::min(left, FilePiece);
        if (decompressor.Read(piece.data(), count) != count)
            throw EReadError(ReadFailed);
        WriteExact(destination, piece.data(), count);
        left -= count;
    }
}

}  // namespace

TPackResult PackDocument(QIODevice& file, const QString& name, Tbz2Progress progress, QCryptographicHash* digest)
{
    TPackResult result;
    result.DocumentSize = file.size();
    // Refused before a byte is read: the limit bounds the memory one document may take.
    result.Warning = result.DocumentSize > PackSizeLimit
        ? TooLargeWarning(name)
        : Pack(file, result.DocumentSize, name, progress, digest, result.Blob);
    result.Complete = result.Warning.isEmpty();
    if (!result.Complete)
        result.Blob = QByteArray();
    return result;
}

QString TooLargeWarning(const QString& name)
{
    return QStringLiteral("Soubor ") + name + QStringLiteral(" je příliš velký!");
}

qint64 UnpackBlob(const QByteArray& blob, QIODevice& destination, Tbz2Progress progress)
{
    const qint64 size = TrailerSize(blob);
    // The engine is shown the compressed part only, never the trailer; no copy is made.
    QByteArray stream = QByteArray::fromRawData(blob.constData(), blob.size() - TrailerLength);
    QBuffer source(&stream);
    source.open(QIODevice::ReadOnly);
    TDecompressStream decompressor(false, source, stream.size(), progress);
    CopyOut(decompressor, size, destination);
    // An empty document packs to a stream that unpacks to nothing: a trailer of 0 over a stream
    // that holds data is a damaged blob, not an empty document.
    char extra = 0;
    if (size == 0 && decompressor.Read(&extra, 1) != 0)
        throw Ebz2DATAError(QStringLiteral("The blob's size trailer says 0 bytes but its stream holds data"));
    if (!destination.isSequential() && !destination.seek(0))
        throw EWriteError(WithReason(WriteFailed, destination));
    return destination.size();
}
