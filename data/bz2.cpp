// The bzip2 codec and the two streams over it; the only user of the system library's header.

#include "bz2.h"
#include "bz2io.h"

#include <bzlib.h>

#include <algorithm>

namespace {

constexpr unsigned EngineBuffer = 16'384;
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

}  // namespace

namespace bz2detail {

QString WithReason(const char* text, const QIODevice& device)
{
    return QString::fromLatin1(text) + QStringLiteral(": ") + device.errorString();
}

void WriteExact(QIODevice& destination, const char* data, qint64 count)
{
    if (count > 0 && destination.write(data, count) != count)
        throw EWriteError(WithReason(WriteFailed, destination));
}

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
using bz2detail::ReadFailed;
using bz2detail::WithReason;
using bz2detail::WriteExact;

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
