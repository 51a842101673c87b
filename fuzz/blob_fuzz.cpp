// The stored-document blob: unpacking arbitrary bytes, and packing them as a document.

#include "check.h"

#include "data/bz2.h"

#include <QBuffer>
#include <QtEndian>

namespace {

constexpr qsizetype kTrailerLength = 8;

// A blob either unpacks to exactly the size its trailer gives, or is refused with an error.
void CheckUnpack(QByteArrayView bytes)
{
    const QByteArray blob = bytes.toByteArray();
    QByteArray unpacked;
    QBuffer destination(&unpacked);
    destination.open(QIODevice::WriteOnly);
    try {
        const qint64 size = UnpackBlob(blob, destination);
        FUZZ_CHECK(blob.size() >= kTrailerLength);
        FUZZ_CHECK(size == qFromLittleEndian<qint64>(blob.constData() + blob.size() - kTrailerLength));
        FUZZ_CHECK(size == unpacked.size() && destination.pos() == 0);
    } catch (const Exception&) {
    }
}

// Any document packs into a blob that unpacks to it again.
void CheckRoundTrip(QByteArrayView bytes)
{
    QByteArray document = bytes.toByteArray();
    QBuffer file(&document);
    file.open(QIODevice::ReadOnly);
    const TPackResult packed = PackFile(file, QStringLiteral("fuzz"));
    FUZZ_CHECK(packed.Complete && packed.DocumentSize == document.size());
    FUZZ_CHECK(packed.Blob.size() >= kTrailerLength);
    FUZZ_CHECK(document.isEmpty() == (packed.Blob.size() == kTrailerLength));
    QByteArray unpacked;
    QBuffer destination(&unpacked);
    destination.open(QIODevice::WriteOnly);
    FUZZ_CHECK(UnpackBlob(packed.Blob, destination) == document.size());
    FUZZ_CHECK(unpacked == document);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const QByteArrayView bytes = FuzzBytes(data, size);
    CheckUnpack(bytes);
    // Packing sets up the engine for 900k blocks (about 8 MB, slow under the sanitizers), so only
    // one input in sixteen, chosen by its first byte, is packed as a document too.
    if (!bytes.isEmpty() && (bytes[0] & 0x0F) == 0)
        CheckRoundTrip(bytes);
    return 0;
}
