#include "worklock.h"

#include "singleinstance.h"

#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The holder's host and display, one a line.
QByteArray HolderLines()
{
    return (QSysInfo::machineHostName() + u'\n' + SessionDisplay() + u'\n').toUtf8();
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    if (::ftruncate(fd, 0) != 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QString ReadHolder(int fd)
{
    char buffer[1024];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
    return n > 0 ? QString::fromUtf8(buffer, n).trimmed() : QString();
}

}  // namespace

TWorkFolderLock::TWorkFolderLock(QString path) : path_(std::move(path)) {}

TWorkFolderLock::~TWorkFolderLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

TWorkFolderLock::Result TWorkFolderLock::Take()
{
    if (fd_ < 0)  // close-on-exec: a viewer the program starts must not keep the lock after it
        fd_ = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return Result::Failed;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            holder_ = ReadHolder(fd_);
            return Result::HeldElsewhere;
        }
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return Result::Failed;
    }
    // Only words for the next start's message: a failed write does not weaken the lock.
    WriteAll(fd_, HolderLines());
    return Result::Taken;
}

QString OpenElsewhereText(const QString& holder)
{
    const QStringList lines = holder.split(u'\n');
    const QString host = lines.value(0).isEmpty() ? QStringLiteral("neznámý") : lines.value(0);
    const QString display = lines.value(1).isEmpty() ? QStringLiteral("neznámý") : lines.value(1);
    return QStringLiteral("Katalog je už otevřen v jiném spuštěném programu Regalon (počítač: %1, displej: %2).\n\n"
                          "Dva programy nad jedním katalogem by si navzájem bránily v ukládání. Použijte okno, "
                          "které už běží, nebo ho tam zavřete a spusťte program znovu.")
        .arg(host, display);
}
