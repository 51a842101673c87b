#include "data/docstoredigest.h"

#include "data/bz2.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray Blob(const QByteArray& document)
{
    QByteArray copy = document;
    QBuffer in(&copy);
    in.open(QIODevice::ReadOnly);
    return PackDocument(in, QStringLiteral("test"), nullptr).Blob;
}

bool Holds(TDocumentDigests& digests, QByteArray bytes, qint64 storedSize, const QByteArray& blob)
{
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    return digests.Holds(device, storedSize, blob);
}

TEST(DocumentDigests, ARowWhoseSizeOrBlobIsWrongNeverHoldsTheFile)
{
    TDocumentDigests digests{QString()};
    const QByteArray blob = Blob("obsah dokumentu");
    EXPECT_TRUE(Holds(digests, "obsah dokumentu", 15, blob));
    EXPECT_FALSE(Holds(digests, "obsah dokumentu", 16, blob));  // DOCSIZE disagrees
    QByteArray damaged = blob;
    damaged[6] = char(~damaged[6]);
    EXPECT_FALSE(Holds(digests, "obsah dokumentu", 15, damaged));
    EXPECT_TRUE(Holds(digests, "", 0, Blob("")));
}

TEST(DocumentDigests, EntriesOutliveTheRunAndADamagedFileCostsOnlyWhatItLost)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("digests.bin");
    const QByteArray a = Digest("a"), b = Digest("b"), c = Digest("c");
    {
        TDocumentDigests digests(file);
        digests.Add(a, Digest("A"));
        digests.Add(b, Digest("B"));
    }
    {
        QFile torn(file);  // a write cut short
        ASSERT_TRUE(torn.open(QIODevice::Append));
        torn.write(QByteArray(10, 'x'));
    }
    {
        TDocumentDigests digests(file);
        EXPECT_EQ(digests.Find(a), Digest("A"));
        EXPECT_EQ(digests.Find(b), Digest("B"));
        digests.Add(c, Digest("C"));
    }
    EXPECT_EQ(TDocumentDigests(file).Find(c), Digest("C"));
    EXPECT_EQ(TDocumentDigests(file).Find(a), Digest("A"));

    {
        QFile foreign(file);
        ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
        foreign.write(QByteArray(200, 'y'));
    }
    TDocumentDigests digests(file);
    EXPECT_EQ(digests.Find(a), std::nullopt);
    digests.Add(a, Digest("A"));
    EXPECT_EQ(TDocumentDigests(file).Find(a), Digest("A"));
}

}  // namespace
