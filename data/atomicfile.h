#pragma once

// A file replaced whole or not at all. The bytes go to a temporary file beside the target
// ("<target>.XXXXXX"), which takes the target's place only once every write, the data sync and
// the close have gone through; any failure leaves the target as it was and removes the temporary.
// Every system call is checked here, one by one: a sync or a close that fails is a failed copy.

#include <QIODevice>
#include <QString>

class TAtomicFile : public QIODevice {
public:
    explicit TAtomicFile(QString target);
    ~TAtomicFile() override;
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Creates the temporary file; mode must be WriteOnly. The target's permissions are kept.
    bool open(OpenMode mode) override;
    // Syncs, closes and renames; false with errorString() set when any step fails.
    bool Commit();
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool Fail(const QString& step);
    void Discard();

    QString target_;
    QString temporary_;
    int fd_ = -1;
    bool failed_ = false;
};

// The system's reason for an errno, with a Czech sentence in front for the ones a user can act on.
QString SystemReason(int error);

// Removes the temporaries a crash between writing and renaming left beside the target.
void RemoveStaleTemporaries(const QString& target);
