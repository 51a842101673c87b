#pragma once

#include <QByteArray>
#include <QIODevice>

class TField;

// A stream over a blob, memo or graphic field of the current row. Reading sees the value as it
// was when the stream was made; writing collects the bytes and stores them as the field's new
// value when the stream is closed or destroyed.
class TMeral3BlobStream : public QIODevice {
public:
    TMeral3BlobStream(TField& field, QIODevice::OpenMode mode);
    ~TMeral3BlobStream() override;

    bool isSequential() const override { return false; }
    qint64 size() const override { return data_.size(); }
    void close() override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    void Commit();
    TField& field_;
    QByteArray data_;
    bool written_ = false;
};
