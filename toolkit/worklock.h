#pragma once

// One running program per work folder, whatever display or session it was started from. The
// first start holds an exclusive lock on a file in the work folder for as long as it runs; the
// system drops the lock when the process ends, so a crash leaves nothing stale. The holder writes
// its host and display into the file, so that a later start can say where the catalogue is open.
//
//     TWorkFolderLock lock(WorkPath("regalon.lock"));
//     if (lock.Take() == TWorkFolderLock::Result::HeldElsewhere) { tell lock.Holder(); end; }

#include <QString>

class TWorkFolderLock {
public:
    enum class Result { Taken, HeldElsewhere, Failed };

    explicit TWorkFolderLock(QString path);
    ~TWorkFolderLock();  // closes the file, which releases the lock
    TWorkFolderLock(const TWorkFolderLock&) = delete;
    TWorkFolderLock& operator=(const TWorkFolderLock&) = delete;

    Result Take();
    // After HeldElsewhere: "host\ndisplay" as the holder wrote them (either may be empty).
    QString Holder() const { return holder_; }
    QString ErrorString() const { return error_; }  // after Failed

private:
    QString path_;
    QString holder_;
    QString error_;
    int fd_ = -1;
};

// The Czech words for the start refused because the catalogue is open elsewhere.
QString OpenElsewhereText(const QString& holder);
