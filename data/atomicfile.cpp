#include "atomicfile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kSuffixLength = 6;

QString RandomSuffix()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (int i = 0; i < kSuffixLength; ++i)
        suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return suffix;
}

bool IsTemporaryName(const QString& name, const QString& targetName)
{
    if (name.size() != targetName.size() + 1 + kSuffixLength || !name.startsWith(targetName + QLatin1Char('.')))
        return false;
    for (const QChar c : name.right(kSuffixLength))
        if (c.unicode() > 127 || !c.isLetterOrNumber())
            return false;
    return true;
}

// Makes the rename itself last: the folder's entry is synced. A file system that cannot sync a
// folder says EINVAL; that is no failure of the copy.
int SyncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return error;
}

}  // namespace

QString SystemReason(int error)
{
    const QString system = qt_error_string(error);
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Na disku není místo (%1).").arg(system);
    case EIO:
        return QStringLiteral("Chyba čtení nebo zápisu disku (%1).").arg(system);
    case ENAMETOOLONG:
        return QStringLiteral("Název souboru je příliš dlouhý (%1).").arg(system);
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("Chybí oprávnění k zápisu (%1).").arg(system);
    default:
        return system;
    }
}

TAtomicFile::TAtomicFile(QString target) : target_(std::move(target)) {}

TAtomicFile::~TAtomicFile()
{
    Discard();
}

bool TAtomicFile::open(OpenMode mode)
{
    if (isOpen() || (mode & ReadWrite) != WriteOnly)
        return false;
    struct stat existing {};
    const bool exists = ::stat(QFile::encodeName(target_).constData(), &existing) == 0;
    for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
        temporary_ = target_ + QLatin1Char('.') + RandomSuffix();
        fd_ = ::open(QFile::encodeName(temporary_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        temporary_.clear();
        return Fail(QString());
    }
    if (exists && ::fchmod(fd_, existing.st_mode & 07777) != 0) {
        Fail(QString());
        Discard();
        return false;
    }
    failed_ = false;
    return QIODevice::open(WriteOnly | Unbuffered);
}

qint64 TAtomicFile::writeData(const char* data, qint64 size)
{
    if (failed_ || fd_ < 0)
        return -1;
    qint64 done = 0;
    while (done < size) {
        const ssize_t written = ::write(fd_, data + done, size_t(size - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            Fail(QString());
            return -1;
        }
        done += written;
    }
    return done;
}

bool TAtomicFile::Fail(const QString& step)
{
    failed_ = true;
    const QString reason = SystemReason(errno);
    setErrorString(step.isEmpty() ? reason : step + QStringLiteral(": ") + reason);
    return false;
}

bool TAtomicFile::Commit()
{
    if (!isOpen() || failed_) {
        Discard();
        return false;
    }
    bool ok = ::fdatasync(fd_) == 0 || Fail(QStringLiteral("zápis na disk nelze dokončit"));
    // Closed either way; a close that fails may have lost written data.
    const int fd = std::exchange(fd_, -1);
    ok = (::close(fd) == 0 || Fail(QStringLiteral("soubor nelze uzavřít"))) && ok;
    ok = ok && (::rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(target_).constData()) == 0 ||
                Fail(QStringLiteral("soubor nelze přejmenovat")));
    QIODevice::close();
    if (!ok) {
        Discard();
        return false;
    }
    temporary_.clear();
    if (const int error = SyncFolder(QFileInfo(target_).absolutePath())) {
        errno = error;
        return Fail(QStringLiteral("zápis složky na disk nelze dokončit"));
    }
    return true;
}

void TAtomicFile::Discard()
{
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
    if (!temporary_.isEmpty())
        ::unlink(QFile::encodeName(std::exchange(temporary_, QString())).constData());
    if (isOpen())
        QIODevice::close();
}

void RemoveStaleTemporaries(const QString& target)
{
    const QFileInfo info(target);
    const QString name = info.fileName();
    QDir folder = info.absoluteDir();
    const QStringList candidates = folder.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& candidate : candidates)
        if (IsTemporaryName(candidate, name))
            folder.remove(candidate);
}
