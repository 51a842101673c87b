#include "data/bz2.h"
#include "data/progress.h"
#include "tests/support/failingdevice.h"
#include "tests/support/progressrecorder.h"
#include "toolkit/messagebox.h"

#include <QBuffer>
#include <QTemporaryFile>
#include <QtEndian>
#include <bzlib.h>
#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// The reference: the library's one-shot compressor with the blob's settings.
QByteArray RawBzip2(const QByteArray& data)
{
    QByteArray out(data.size() + data.size() / 100 + 600, '\0');
    unsigned length = unsigned(out.size());
    if (BZ2_bzBuffToBuffCompress(out.data(), &length, const_cast<char*>(data.constData()), unsigned(data.size()), 9,
                                 0, 0) != BZ_OK)
        throw std::runtime_error("reference compression failed");
    out.resize(length);
    return out;
}

QByteArray Trailer(qint64 size)
{
    QByteArray bytes(8, '\0');
    qToLittleEndian<qint64>(size, bytes.data());
    return bytes;
}

// Lines of Czech-looking text alternating with random binary runs, as real documents mix them.
QByteArray MixedBytes(qsizetype size)
{
    std::mt19937 random(20261209);
    QByteArray bytes;
    bytes.reserve(size);
    for (int line = 0; bytes.size() < size; ++line) {
        bytes += "Polozka " + QByteArray::number(line) + " ulozena v regalu " + QByteArray::number(line % 37) + "\n";
        for (int i = int(random() % 200); i > 0; --i)
            bytes += char(random());
    }
    bytes.truncate(size);
    return bytes;
}

TPackResult Pack(const QByteArray& bytes)
{
    QBuffer file;
    file.setData(bytes);
    file.open(QIODevice::ReadOnly);
    return PackFile(file, QStringLiteral("/doc/a.bin"));
}

QByteArray Unpack(const QByteArray& blob)
{
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    const qint64 size = UnpackBlob(blob, out);
    EXPECT_EQ(size, out.size());
    EXPECT_EQ(out.pos(), 0);
    return out.data();
}

// The call raises exactly this error, with exactly this text.
template <class Error, class Call>
void ExpectFails(Call call, const QString& text)
{
    try {
        call();
        ADD_FAILURE() << "no error for " << text.toStdString();
    } catch (const Error& e) {
        EXPECT_EQ(e.Message(), text);
    }
}

template <class Error>
void ExpectUnpackFails(const QByteArray& blob, const QString& text)
{
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    ExpectFails<Error>([&] { UnpackBlob(blob, out); }, text);
}

struct Report {
    int percent;
    qint64 count;
};
std::vector<Report> reports;
bool stopAtFirst = false;

void Record(int percent, qint64 count, bool& stop)
{
    reports.push_back({percent, count});
    stop = stopAtFirst;
}

class Bz2Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        MessageBoxAnswers::Reset();
        reports.clear();
        stopAtFirst = false;
        SetMainWindow(&mainWindow);
    }
    void TearDown() override { SetMainWindow(nullptr); }

    ProgressRecorder mainWindow;
};

}  // namespace

TEST_F(Bz2Test, blobIsTheBzip2StreamFollowedByTheSizeTrailer)
{
    const TPackResult empty = Pack({});
    EXPECT_TRUE(empty.Complete);
    EXPECT_EQ(empty.Blob, QByteArray(8, '\0'));
    EXPECT_TRUE(Unpack(empty.Blob).isEmpty());

    // 2.5 MB of poorly compressible data spans three 900k blocks.
    for (const QByteArray& document : {QByteArray("x"), MixedBytes(2'500'000)}) {
        const TPackResult packed = Pack(document);
        ASSERT_TRUE(packed.Complete);
        EXPECT_EQ(packed.DocumentSize, document.size());
        EXPECT_EQ(packed.Blob, RawBzip2(document) + Trailer(document.size()));
        EXPECT_EQ(Unpack(packed.Blob), document);
    }
    EXPECT_TRUE(MessageBoxAnswers::History().empty());
}

TEST_F(Bz2Test, documentAtTheLimitIsPackedWholeAndOneFarAboveIsRefusedWithOneWarning)
{
    const QByteArray atLimit(PackSizeLimit, 'R');
    const TPackResult whole = Pack(atLimit);
    ASSERT_TRUE(whole.Complete);
    EXPECT_EQ(whole.Blob.right(8), Trailer(PackSizeLimit));
    EXPECT_EQ(Unpack(whole.Blob), atLimit);
    EXPECT_TRUE(MessageBoxAnswers::History().empty());

    QTemporaryFile huge;
    ASSERT_TRUE(huge.open() && huge.resize(20 * PackSizeLimit));  // sparse: costs no disk
    const TPackResult refused = PackFile(huge, QStringLiteral("/data/obraz disku.iso"));
    EXPECT_FALSE(refused.Complete);
    EXPECT_TRUE(refused.Blob.isEmpty());
    ASSERT_EQ(MessageBoxAnswers::History().size(), 1u);
    const auto& shown = MessageBoxAnswers::History()[0];
    EXPECT_EQ(shown.text, QStringLiteral("Soubor /data/obraz disku.iso je příliš velký!"));
    EXPECT_EQ(shown.caption, QStringLiteral("Varování"));
    EXPECT_EQ(shown.icon, QMessageBox::Warning);
    EXPECT_EQ(shown.buttons, QMessageBox::Ok);
    EXPECT_EQ(shown.owner, &mainWindow);
}

TEST_F(Bz2Test, readErrorAbandonsThePackAndNamesTheReason)
{
    FailingDevice file(MixedBytes(300'000), 100'000);
    const TPackResult packed = PackFile(file, QStringLiteral("/mnt/sdileny/vykres.pdf"));
    EXPECT_FALSE(packed.Complete);
    EXPECT_TRUE(packed.Blob.isEmpty());
    ASSERT_EQ(MessageBoxAnswers::History().size(), 1u);
    EXPECT_EQ(MessageBoxAnswers::History()[0].text,
              QStringLiteral("Soubor /mnt/sdileny/vykres.pdf se nepodařilo zabalit: Stream read error: Input/output error"));
}

TEST_F(Bz2Test, stopRequestAbandonsTheStreamAndTheLimitStopsOnlyAboveIt)
{
    QBuffer blob;
    blob.open(QIODevice::WriteOnly);
    TCompressStream compressor(bs900k, blob, 1'000'000, Record);
    stopAtFirst = true;
    const QByteArray data = MixedBytes(100'000);
    try {
        compressor.Write(data.constData(), data.size());
        ADD_FAILURE() << "not stopped";
    } catch (const Ebz2USERError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("The client application abort bz2 process"));
    }
    const qint64 written = blob.size();
    EXPECT_EQ(compressor.Write(data.constData(), data.size()), 0);
    compressor.Finish();
    EXPECT_EQ(blob.size(), written);  // no end of stream was added

    bool stop = true;
    PackProgress(100, PackSizeLimit, stop);
    EXPECT_FALSE(stop);
    PackProgress(100, PackSizeLimit + 1, stop);
    EXPECT_TRUE(stop);
}

TEST_F(Bz2Test, unpackingRefusesCorruptDataAndUnsoundTrailers)
{
    const QString corrupt = QStringLiteral("The bz2 engine signals a data corruption");
    ExpectUnpackFails<Ebz2DATAError>(QByteArray("PK\x03\x04 no bzip2 here") + Trailer(10), corrupt);
    QByteArray damaged = RawBzip2(MixedBytes(50'000));
    damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0x55);
    ExpectUnpackFails<Ebz2DATAError>(damaged + Trailer(50'000), corrupt);

    ExpectUnpackFails<Ebz2DATAError>("abc", QStringLiteral("The blob is shorter than its 8-byte size trailer (3 bytes)"));
    ExpectUnpackFails<Ebz2DATAError>(RawBzip2("x") + Trailer(-1),
                                     QStringLiteral("The blob's size trailer holds an impossible size (-1 bytes)"));
    ExpectUnpackFails<Ebz2DATAError>(RawBzip2("x") + Trailer(qint64(1) << 40),
                                     QStringLiteral("The blob's size trailer holds an impossible size (1099511627776 bytes)"));
}

TEST_F(Bz2Test, trailerDecidesHowManyBytesComeOut)
{
    const QByteArray document = MixedBytes(100'000);
    const QByteArray stream = RawBzip2(document);
    EXPECT_EQ(Unpack(stream + Trailer(40'000)), document.left(40'000));
    ExpectUnpackFails<Ebz2DATAError>(stream + Trailer(0),
                                     QStringLiteral("The blob's size trailer says 0 bytes but its stream holds data"));
    EXPECT_TRUE(Unpack(RawBzip2(QByteArray()) + Trailer(0)).isEmpty());
    ExpectUnpackFails<EReadError>(stream + Trailer(100'001), QStringLiteral("Stream read error"));
    ExpectUnpackFails<EReadError>(stream.left(stream.size() / 2) + Trailer(100'000), QStringLiteral("Stream read error"));
}

TEST_F(Bz2Test, streamsRefuseWhatTheyCannotDoAndSkipForwardOnly)
{
    const QByteArray document = MixedBytes(100'000);
    QBuffer source;
    source.setData(RawBzip2(document));
    source.open(QIODevice::ReadOnly);
    TDecompressStream decompressor(false, source);
    char bytes[10];
    ASSERT_EQ(decompressor.Read(bytes, 10), 10);
    EXPECT_EQ(QByteArray(bytes, 10), document.left(10));
    EXPECT_EQ(decompressor.Seek(0, soCurrent), 10);
    EXPECT_EQ(decompressor.Seek(20'000, soCurrent), 20'010);
    EXPECT_EQ(decompressor.Seek(50'000, soBeginning), 50'000);
    ASSERT_EQ(decompressor.Read(bytes, 1), 1);
    EXPECT_EQ(bytes[0], document[50'000]);

    auto expectInvalid = [](auto call) { ExpectFails<Ebz2libError>(call, QStringLiteral("Invalid stream operation")); };
    expectInvalid([&] { decompressor.Seek(-1, soCurrent); });
    expectInvalid([&] { decompressor.Seek(0, soEnd); });
    expectInvalid([&] { decompressor.Seek(decompressor.Position(), soBeginning); });
    expectInvalid([&] { decompressor.Write(bytes, 1); });
    // Past the end of the data.
    ExpectFails<EReadError>([&] { decompressor.Seek(60'000, soCurrent); }, QStringLiteral("Stream read error"));

    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    TCompressStream compressor(bs900k, sink);
    compressor.Write(document.constData(), 1234);
    EXPECT_EQ(compressor.Position(), 1234);
    expectInvalid([&] { compressor.Seek(1, soCurrent); });
    expectInvalid([&] { compressor.Read(bytes, 1); });
}

TEST_F(Bz2Test, qiodeviceFaceReportsFailuresAsMinusOneWithTheReason)
{
    QBuffer source;
    source.setData(QByteArray("definitely not a bzip2 stream"));
    source.open(QIODevice::ReadOnly);
    TDecompressStream decompressor(false, source);
    char bytes[10];
    EXPECT_EQ(decompressor.read(bytes, 10), -1);
    EXPECT_EQ(decompressor.errorString(), QStringLiteral("The bz2 engine signals a data corruption"));
}

TEST_F(Bz2Test, progressComesOncePerStepAndNeverPasses100)
{
    const QByteArray data = MixedBytes(1'000'000);
    QBuffer blob;
    blob.open(QIODevice::ReadWrite);
    {
        // The caller expected fewer bytes than it writes: the total follows the bytes consumed.
        TCompressStream compressor(bs900k, blob, 400'000, Record);
        for (qint64 at = 0; at < data.size(); at += 61'440)
            compressor.Write(data.constData() + at, std::min<qint64>(61'440, data.size() - at));
        compressor.Finish();
    }
    ASSERT_FALSE(reports.empty());
    EXPECT_LE(reports.size(), size_t(data.size() / 16'384 + 1));  // step: 1 % of the total, at least 16,384
    for (size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GE(reports[i].percent, reports[i - 1].percent);
        EXPECT_LE(reports[i].percent, 100);
        EXPECT_GE(reports[i].count, reports[i - 1].count);
    }
    EXPECT_EQ(reports.back().percent, 100);

    reports.clear();
    blob.seek(0);
    TDecompressStream decompressor(false, blob, blob.size(), Record);
    QByteArray out(data.size(), '\0');
    EXPECT_EQ(decompressor.Read(out.data(), out.size() + 1), data.size());
    EXPECT_EQ(out, data);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().percent, 100);
    EXPECT_EQ(reports.back().count, data.size());  // the end reports the bytes produced
}

TEST_F(Bz2Test, streamWithoutATotalReportsNothingAndIsNeverStopped)
{
    stopAtFirst = true;
    QBuffer blob;
    blob.open(QIODevice::WriteOnly);
    TCompressStream compressor(bs900k, blob, -5, Record);
    const QByteArray data = MixedBytes(200'000);
    EXPECT_EQ(compressor.Write(data.constData(), data.size()), data.size());
    compressor.Finish();
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(blob.data(), RawBzip2(data));
}

TEST_F(Bz2Test, progressRoutinesSendWmProgressToTheirWindows)
{
    bool stop = true;
    PackProgress(42, 123, stop);  // no progress window: only the limit rule
    EXPECT_FALSE(stop);

    ProgressRecorder dialog;
    SetProgressWindow(&dialog);
    PackProgress(42, 123'456, stop);
    SetProgressWindow(nullptr);
    ASSERT_EQ(dialog.received.size(), 1u);
    EXPECT_EQ(dialog.received[0], std::make_pair(qint64(42), qint64(123'456)));

    Unpack(Pack(MixedBytes(300'000)).Blob);
    ASSERT_FALSE(mainWindow.received.empty());
    for (const auto& [position, total] : mainWindow.received)
        EXPECT_EQ(total, 100);
    EXPECT_EQ(mainWindow.received.back().first, 100);
}
