#include "sql3_blobstream.h"

#include "sql3_command.h"

#include <cstring>

std::unique_ptr<TMeral3BlobStream> TMeral3Command::CreateBlobStream(TField& field, QIODevice::OpenMode mode)
{
    return std::make_unique<TMeral3BlobStream>(field, mode);
}

// ---- TMeral3BlobStream ----

TMeral3BlobStream::TMeral3BlobStream(TField& field, QIODevice::OpenMode mode) : field_(field)
{
    TMeral3Command& ds = field.DataSet();
    if (!field.IsBlob())
        ds.ReportError(QStringLiteral("Field '%1' is not a blob field").arg(field.FieldName()));
    if (mode & QIODevice::WriteOnly) {
        if (ds.State() != dsEdit && ds.State() != dsInsert)
            ds.ReportError(QStringLiteral("Dataset not in edit or insert mode"));
        if (field.ReadOnly())
            ds.ReportError(QStringLiteral("Field '%1' cannot be modified").arg(field.FieldName()));
        written_ = true;
        QIODevice::open(QIODevice::WriteOnly);
    } else {
        data_ = field.AsBytes();
        QIODevice::open(QIODevice::ReadOnly);
    }
}

TMeral3BlobStream::~TMeral3BlobStream()
{
    try {
        close();
    } catch (...) {
        // The record set left edit mode before the stream was closed; nothing can be stored.
    }
}

void TMeral3BlobStream::close()
{
    if (!isOpen())
        return;
    const bool commit = written_;
    written_ = false;
    QIODevice::close();
    if (commit)
        Commit();
}

void TMeral3BlobStream::Commit()
{
    if (data_.isEmpty())
        field_.DataSet().WriteField(field_, false, {}, QString());
    else
        field_.DataSet().WriteField(field_, true, data_, QStringLiteral(":BLOB"));
}

qint64 TMeral3BlobStream::readData(char* data, qint64 maxSize)
{
    const qint64 at = pos();
    if (at >= data_.size())
        return 0;
    const qint64 n = std::min(maxSize, data_.size() - at);
    std::memcpy(data, data_.constData() + at, size_t(n));
    return n;
}

qint64 TMeral3BlobStream::writeData(const char* data, qint64 size)
{
    data_.append(data, size);
    return size;
}
