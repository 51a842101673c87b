#include "socketfile.h"

#include <QFile>

#include <algorithm>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

TSocketFile::TSocketFile(const QString& path, Kind kind)
{
    fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd_ < 0)
        return;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    if (bytes.size() >= qsizetype(sizeof(address.sun_path)))
        return;
    std::copy(bytes.begin(), bytes.end(), address.sun_path);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
        return;
    if (kind == Kind::Stale) {
        ::close(fd_);
        fd_ = -1;
        made_ = QFile::exists(path);
        return;
    }
    made_ = ::listen(fd_, 8) == 0;
}

TSocketFile::~TSocketFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool TSocketFile::Contacted() const
{
    pollfd waiting{fd_, POLLIN, 0};
    return fd_ >= 0 && ::poll(&waiting, 1, 0) > 0;
}
