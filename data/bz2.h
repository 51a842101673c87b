#pragma once

// Compressed documents: the bzip2 streams, the stored-document blob and the packing routines.
//
// A blob is one bzip2 stream of the document (block size 9; no bytes at all for an empty
// document) followed by the document's size as a signed 64-bit little-endian integer. The
// trailer is never fed to the engine.

#include "sqlite/errors.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

class QCryptographicHash;

#include <memory>

class QWidget;

class Ebz2libError : public Exception {
public:
    using Exception::Exception;
};
class Ebz2DATAError : public Ebz2libError {
public:
    using Ebz2libError::Ebz2libError;
};
class Ebz2MEMError : public Ebz2libError {
public:
    using Ebz2libError::Ebz2libError;
};
class Ebz2USERError : public Ebz2libError {
public:
    using Ebz2libError::Ebz2libError;
};

// A device did not deliver or take every byte asked for; carries the device's reason when it gave one.
class EReadError : public Exception {
public:
    using Exception::Exception;
};
class EWriteError : public Exception {
public:
    using Exception::Exception;
};

// Percentage 0–100, bytes consumed so far, and a flag the routine sets to ask the stream to stop.
using Tbz2Progress = void (*)(int percent, qint64 count, bool& stop);

enum TSeekOrigin { soBeginning, soCurrent, soEnd };
enum TBlockSize { bs100k = 0, bs500k = 1, bs900k = 2 };

// The largest document PackFile packs (48 MiB).
inline constexpr qint64 PackSizeLimit = 50'331'648;
// Older packers tested the size limit only at progress steps of 1 % of the file, so complete blobs
// of documents up to about 1 % above it exist; their trailers stay below this.
inline constexpr qint64 LargestStoredSize = PackSizeLimit + PackSizeLimit / 99 + 2;
// The largest blob such a document can pack into: bzip2 grows data by at most 1 % and 600 bytes.
inline constexpr qint64 LargestBlobSize = LargestStoredSize + LargestStoredSize / 100 + 600 + 8;

namespace bz2detail {
class Codec;  // the engine state; lives in bz2.cpp with the only include of bzlib.h
}

// Base of the two sequential bzip2 streams. Read, Write and Seek raise the error classes above;
// the QIODevice face (read/write) follows Qt's habit instead and reports a failure as -1 with the
// error text in errorString(). The other device is not owned and must outlive the stream.
class Tbz2Stream : public QIODevice {
public:
    ~Tbz2Stream() override;

    virtual qint64 Read(char* data, qint64 count) = 0;
    virtual qint64 Write(const char* data, qint64 count) = 0;
    virtual qint64 Seek(qint64 offset, TSeekOrigin origin) = 0;
    qint64 Position() { return Seek(0, soCurrent); }
    bool Finished() const { return finished_; }

    bool isSequential() const override { return true; }

protected:
    Tbz2Stream(QIODevice& other, qint64 expectedTotal, Tbz2Progress progress);

    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

    // Reports progress at most once per step of the expected total; true when the callback asks to stop.
    bool ProgressCheck();
    void Stop();  // marks the stream finished and ends the engine
    [[noreturn]] void RaiseAbort();
    [[noreturn]] void Fail(const QString& text);  // stops, then raises Ebz2libError

    QIODevice& other_;
    Tbz2Progress progress_;
    qint64 expectedTotal_;
    qint64 step_;
    qint64 nextThreshold_ = 0;
    std::unique_ptr<bz2detail::Codec> codec_;
    bool finished_ = false;
};

// Write-only: packs what is written into a bzip2 stream on the destination. Finish() completes
// the stream; destroying an unfinished compressor only releases the engine, so an abandoned
// stream stays visibly incomplete.
class TCompressStream : public Tbz2Stream {
public:
    TCompressStream(TBlockSize blockSize, QIODevice& destination, qint64 expectedTotal = 0,
                    Tbz2Progress progress = nullptr);

    qint64 Read(char* data, qint64 count) override;  // raises "Invalid stream operation"
    qint64 Write(const char* data, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;  // only (0, soCurrent): bytes consumed
    // Writes the end of the bzip2 stream (nothing when no byte was written) and ends the engine.
    void Finish();

private:
    void WriteOut(const char* data, qint64 count);
};

// Read-only: unpacks the bzip2 stream read from the source; stops at the stream's end.
class TDecompressStream : public Tbz2Stream {
public:
    TDecompressStream(bool small, QIODevice& source, qint64 expectedTotal = 0, Tbz2Progress progress = nullptr);

    qint64 Read(char* data, qint64 count) override;
    qint64 Write(const char* data, qint64 count) override;  // raises "Invalid stream operation"
    // Forward only: (n >= 0, soCurrent) or (n > produced, soBeginning); returns the bytes produced.
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    bool atEnd() const override { return finished_; }

private:
    void Decompress();  // fills the engine's output window until it is full or the data ends

    std::unique_ptr<char[]> input_;
};

void PackProgress(int percent, qint64 count, bool& stop);    // WM_PROGRESS to ProgressWindow(); the size limit
void UnpackProgress(int percent, qint64 count, bool& stop);  // WM_PROGRESS (percent, 100) to MainWindow()

// The blob of a packed file. An abandoned pack (too large, unreadable, engine failure) has
// Complete false, no blob and the warning the user is to be shown: it must never replace a stored copy.
struct TPackResult {
    QByteArray Blob;
    qint64 DocumentSize = 0;
    bool Complete = false;
    QString Warning;
};

// Packs the whole open file (the caller passes its full path as the name, used only in warnings).
// A file above PackSizeLimit is refused before a byte is read with "Soubor … je příliš velký!";
// a read or engine failure abandons the pack with a warning naming the reason. Warnings are owned
// by MainWindow(). An error while finishing the stream propagates.
TPackResult PackFile(QIODevice& file, const QString& name);
// The same without showing the warning, with the caller's progress routine (which must stop above
// PackSizeLimit), feeding every byte packed to the digest when one is given. Shows nothing, so it
// may run on any thread when its progress routine may.
TPackResult PackDocument(QIODevice& file, const QString& name, Tbz2Progress progress,
                         QCryptographicHash* digest = nullptr);
// The warning box of the store: text, caption "Varování", owned by MainWindow().
void ShowWarning(const QString& text);
// "Soubor " + name + " je příliš velký!"
QString TooLargeWarning(const QString& name);

// Unpacks a blob into the destination, which is left at its start; returns the destination's size.
// A blob without a sound trailer, corrupt data and a stream shorter than the trailer says raise.
qint64 UnpackBlob(const QByteArray& blob, QIODevice& destination, Tbz2Progress progress = UnpackProgress);


// The window that receives packing progress; none at start.
void SetProgressWindow(QWidget* window);
QWidget* ProgressWindow();

// The main window, handed down by the application: owner of the warnings, receiver of unpacking progress.
void SetMainWindow(QWidget* window);
QWidget* MainWindow();
