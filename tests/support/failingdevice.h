#pragma once

#include <QByteArray>
#include <QIODevice>

// A random-access device over fixed bytes that fails once a given number of bytes has been read
// or written, the way a disk or a network share fails in the middle of a file.
class FailingDevice : public QIODevice {
public:
    FailingDevice(QByteArray bytes, qint64 failAfter);

    qint64 size() const override { return bytes_.size(); }
    const QByteArray& Written() const { return written_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    qint64 Allowed(qint64 wanted);

    QByteArray bytes_;
    QByteArray written_;
    qint64 left_;
};
