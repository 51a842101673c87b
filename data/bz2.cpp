#include "bz2.h"

#include "progress.h"
#include "toolkit/messagebox.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QPointer>
#include <QWidget>
#include <QtEndian>

#include <bzlib.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

constexpr unsigned EngineBuffer = 16'384;
constexpr qint64 FilePiece = 61'440;
constexpr int TrailerLength = 8;
// The engine counts its windows in unsigned int; larger requests are fed in pieces of this size.
constexpr qint64 EnginePiece = 1 << 30;

// The system library prints and exits on a broken internal invariant; it offers no hook to turn
// that into an error, so no error is raised for it here.
const char* const InitFailed = "The bz2 engine reports a fatal error during initialization process !";
const char* const NoMemory = "The bz2 engine have not enough memory to initialize !";
const char* const CompressFailed = "The bz2 engine reports a fatal error during compression process.";
const char* const FinishFailed = "The bz2 engine reports a fatal error during terminaison process.";
const char* const DecompressFailed = "The bz2 engine reports a fatal error during decompression process.";
const char* const DataCorrupt = "The bz2 engine signals a data corruption";
const char* const UserAbort = "The client application abort bz2 process";
const char* const InvalidOperation = "Invalid stream operation";
const char* const ReadFailed = "Stream read error";
const char* const WriteFailed = "Stream write error";

QString WithReason(const char* text, const QIODevice& device)
{
    return QString::fromLatin1(text) + QStringLiteral(": ") + device.errorString();
}

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

void WriteExact(QIODevice& destination, const char* data, qint64 count)
{
    if (count > 0 && destination.write(data, count) != count)
        throw EWriteError(WithReason(WriteFailed, destination));
}

QPointer<QWidget>& progressWindow()
{
    static QPointer<QWidget> window;
    return window;
}

QPointer<QWidget>& mainWindow()
{
    static QPointer<QWidget> window;
    return window;
}

}  // namespace

namespace bz2detail {

// One libbzip2 engine. The codec step is the engine call over the current input and output
// windows; what each result means is for the stream that drives it.
class Codec {
public:
    enum Kind { Compressor, Decompressor };

    explicit Codec(Kind kind) : kind_(kind) {}
    ~Codec() { EndQuietly(); }
    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;

    void StartCompress(int blockSize) { Started(BZ2_bzCompressInit(&s_, blockSize, 0, 0)); }
    void StartDecompress(bool small) { Started(BZ2_bzDecompressInit(&s_, 0, small ? 1 : 0)); }

    void SetInput(const char* data, qint64 count)
    {
        s_.next_in = const_cast<char*>(data);
        s_.avail_in = unsigned(count);
    }
    void SetOutput(char* data, qint64 count)
    {
        s_.next_out = data;
        s_.avail_out = unsigned(count);
    }
    qint64 InputLeft() const { return s_.avail_in; }
    qint64 OutputLeft() const { return s_.avail_out; }

    int Compress(int action) { return BZ2_bzCompress(&s_, action); }
    int Decompress() { return BZ2_bzDecompress(&s_); }

    // The engine keeps its counts after it has ended.
    qint64 Consumed() const { return qint64(quint64(s_.total_in_hi32) << 32 | s_.total_in_lo32); }
    qint64 Produced() const { return qint64(quint64(s_.total_out_hi32) << 32 | s_.total_out_lo32); }

    void End()
    {
        if (running_ && EndEngine() != BZ_OK)
            throw Ebz2libError(kind_ == Compressor ? FinishFailed : DecompressFailed);
    }
    void EndQuietly() noexcept
    {
        if (running_)
            EndEngine();
    }

private:
    void Started(int result)
    {
        if (result == BZ_MEM_ERROR)
            throw Ebz2MEMError(NoMemory);
        if (result != BZ_OK)
            throw Ebz2libError(InitFailed);
        running_ = true;
    }
    int EndEngine() noexcept
    {
        running_ = false;
        return kind_ == Compressor ? BZ2_bzCompressEnd(&s_) : BZ2_bzDecompressEnd(&s_);
    }

    bz_stream s_{};
    Kind kind_;
    bool running_ = false;
};

}  // namespace bz2detail

using bz2detail::Codec;

// ---- Tbz2Stream

Tbz2Stream::Tbz2Stream(QIODevice& other, qint64 expectedTotal, Tbz2Progress progress)
    : other_(other), progress_(progress), expectedTotal_(progress && expectedTotal > 0 ? expectedTotal : 0),
      step_(std::max<qint64>(expectedTotal_ / 100, EngineBuffer))
{
}

Tbz2Stream::~Tbz2Stream() = default;

qint64 Tbz2Stream::readData(char* data, qint64 maxSize)
{
    try {
        return Read(data, maxSize);
    } catch (const Exception& e) {
        setErrorString(e.Message());
        return -1;
    }
}

qint64 Tbz2Stream::writeData(const char* data, qint64 maxSize)
{
    try {
        return Write(data, maxSize);
    } catch (const Exception& e) {
        setErrorString(e.Message());
        return -1;
    }
}

bool Tbz2Stream::ProgressCheck()
{
    if (!progress_ || expectedTotal_ <= 0)
        return false;
    const qint64 consumed = codec_->Consumed();
    if (consumed <= nextThreshold_)
        return false;
    expectedTotal_ = std::max(expectedTotal_, consumed);
    const int percent = int(static_cast<__int128>(consumed) * 100 / expectedTotal_);
    bool stop = false;
    progress_(percent, consumed, stop);
    // One step at a time: after a large jump the following checks report until the threshold catches up.
    nextThreshold_ += step_;
    return stop;
}

void Tbz2Stream::Stop()
{
    finished_ = true;
    codec_->EndQuietly();
}

void Tbz2Stream::RaiseAbort()
{
    Stop();
    throw Ebz2USERError(UserAbort);
}

void Tbz2Stream::Fail(const QString& text)
{
    Stop();
    throw Ebz2libError(text);
}

// ---- TCompressStream

TCompressStream::TCompressStream(TBlockSize blockSize, QIODevice& destination, qint64 expectedTotal,
                                 Tbz2Progress progress)
    : Tbz2Stream(destination, expectedTotal, progress)
{
    codec_ = std::make_unique<Codec>(Codec::Compressor);
    codec_->StartCompress(blockSize == bs100k ? 1 : blockSize == bs500k ? 5 : 9);
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 TCompressStream::Read(char*, qint64) { throw Ebz2libError(InvalidOperation); }

qint64 TCompressStream::Write(const char* data, qint64 count)
{
    if (finished_ || count <= 0)
        return 0;
    char out[EngineBuffer];
    for (qint64 done = 0; done < count;) {
        const qint64 piece = std::min(count - done, EnginePiece);
        codec_->SetInput(data + done, piece);
        while (codec_->InputLeft() > 0) {
            codec_->SetOutput(out, EngineBuffer);
            if (codec_->Compress(BZ_RUN) != BZ_RUN_OK)
                Fail(CompressFailed);
            WriteOut(out, EngineBuffer - codec_->OutputLeft());
            if (ProgressCheck())
                RaiseAbort();
        }
        done += piece;
    }
    return count;
}

qint64 TCompressStream::Seek(qint64 offset, TSeekOrigin origin)
{
    if (offset != 0 || origin != soCurrent)
        throw Ebz2libError(InvalidOperation);
    return codec_->Consumed();
}

void TCompressStream::Finish()
{
    if (finished_)
        return;
    finished_ = true;
    try {
        // A compressor that never took a byte writes nothing: the empty document's blob is the trailer alone.
        if (codec_->Consumed() > 0) {
            char out[EngineBuffer];
            codec_->SetInput(nullptr, 0);
            for (int result = BZ_FINISH_OK; result != BZ_STREAM_END;) {
                codec_->SetOutput(out, EngineBuffer);
                result = codec_->Compress(BZ_FINISH);
                if (result != BZ_FINISH_OK && result != BZ_STREAM_END)
                    throw Ebz2libError(FinishFailed);
                WriteOut(out, EngineBuffer - codec_->OutputLeft());
                if (result == BZ_FINISH_OK && ProgressCheck())
                    throw Ebz2USERError(UserAbort);
            }
        }
    } catch (...) {
        codec_->EndQuietly();
        throw;
    }
    codec_->End();
}

void TCompressStream::WriteOut(const char* data, qint64 count)
{
    try {
        WriteExact(other_, data, count);
    } catch (...) {
        Stop();
        throw;
    }
}

// ---- TDecompressStream

TDecompressStream::TDecompressStream(bool small, QIODevice& source, qint64 expectedTotal, Tbz2Progress progress)
    : Tbz2Stream(source, expectedTotal, progress), input_(std::make_unique<char[]>(EngineBuffer))
{
    codec_ = std::make_unique<Codec>(Codec::Decompressor);
    codec_->StartDecompress(small);
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 TDecompressStream::Read(char* data, qint64 count)
{
    qint64 done = 0;
    while (!finished_ && done < count) {
        const qint64 piece = std::min(count - done, EnginePiece);
        codec_->SetOutput(data + done, piece);
        Decompress();
        const qint64 left = codec_->OutputLeft();
        done += piece - left;
        if (left > 0)
            break;  // the data ended
    }
    return done;
}

void TDecompressStream::Decompress()
{
    while (codec_->OutputLeft() > 0) {
        if (codec_->InputLeft() == 0) {
            const qint64 got = other_.read(input_.get(), EngineBuffer);
            if (got < 0) {
                Stop();
                throw EReadError(WithReason(ReadFailed, other_));
            }
            if (got == 0)
                return;
            codec_->SetInput(input_.get(), got);
        }
        switch (codec_->Decompress()) {
        case BZ_OK:
            if (ProgressCheck())
                RaiseAbort();
            break;
        case BZ_STREAM_END:
            if (progress_) {
                bool ignored = false;
                progress_(100, codec_->Produced(), ignored);
            }
            finished_ = true;
            codec_->End();
            return;
        case BZ_DATA_ERROR:
        case BZ_DATA_ERROR_MAGIC:
            Stop();
            throw Ebz2DATAError(DataCorrupt);
        case BZ_MEM_ERROR:
            Stop();
            throw Ebz2MEMError(NoMemory);
        default:
            Fail(DecompressFailed);
        }
    }
}

qint64 TDecompressStream::Write(const char*, qint64) { throw Ebz2libError(InvalidOperation); }

qint64 TDecompressStream::Seek(qint64 offset, TSeekOrigin origin)
{
    const qint64 produced = codec_->Produced();
    if (origin == soBeginning && offset > produced)
        offset -= produced;
    else if (origin != soCurrent || offset < 0)
        throw Ebz2libError(InvalidOperation);
    char skipped[EngineBuffer];
    for (qint64 pieces = offset / EngineBuffer; pieces > 0; --pieces)
        Read(skipped, EngineBuffer);  // a short piece is no error here
    const qint64 rest = offset % EngineBuffer;
    if (Read(skipped, rest) != rest)
        throw EReadError(ReadFailed);
    return codec_->Produced();
}

// ---- Packing and unpacking

namespace {

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

TPackResult PackFile(QIODevice& file, const QString& name)
{
    TPackResult result = PackDocument(file, name, PackProgress);
    if (!result.Complete)
        ShowWarning(result.Warning);
    return result;
}

QString TooLargeWarning(const QString& name)
{
    return QStringLiteral("Soubor ") + name + QStringLiteral(" je příliš velký!");
}

void ShowWarning(const QString& text)
{
    ShowMessage(MainWindow(), text, QStringLiteral("Varování"), QMessageBox::Warning, QMessageBox::Ok);
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
    if (!destination.isSequential() && !destination.seek(0))
        throw EWriteError(WithReason(WriteFailed, destination));
    return destination.size();
}

void PackProgress(int percent, qint64 count, bool& stop)
{
    SendProgress(ProgressWindow(), percent, count);
    stop = count > PackSizeLimit;
}

void UnpackProgress(int percent, qint64, bool& stop)
{
    SendProgress(MainWindow(), percent, 100);
    stop = false;
}

void SetProgressWindow(QWidget* window) { progressWindow() = window; }
QWidget* ProgressWindow() { return progressWindow(); }
void SetMainWindow(QWidget* window) { mainWindow() = window; }
QWidget* MainWindow() { return mainWindow(); }
