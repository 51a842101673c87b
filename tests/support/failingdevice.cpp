#include "failingdevice.h"

#include <algorithm>
#include <cstring>

FailingDevice::FailingDevice(QByteArray bytes, qint64 failAfter) : bytes_(std::move(bytes)), left_(failAfter)
{
    open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

qint64 FailingDevice::Allowed(qint64 wanted)
{
    if (left_ <= 0) {
        setErrorString(QStringLiteral("Input/output error"));
        return -1;
    }
    const qint64 allowed = std::min(wanted, left_);
    left_ -= allowed;
    return allowed;
}

qint64 FailingDevice::readData(char* data, qint64 maxSize)
{
    const qint64 count = Allowed(std::min(maxSize, bytes_.size() - pos()));
    if (count > 0)
        std::memcpy(data, bytes_.constData() + pos(), size_t(count));
    return count;
}

qint64 FailingDevice::writeData(const char* data, qint64 maxSize)
{
    const qint64 count = Allowed(maxSize);
    if (count > 0)
        written_.append(data, count);
    return count;
}
