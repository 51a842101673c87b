// The CSV reader over arbitrary bytes: detection and reading either succeed or raise the
// program's error, and what was read, written again in the same dialect, reads back the same.

#include "check.h"

#include "exchange/csvdialect.h"
#include "exchange/csvreader.h"

#include <QBuffer>

#include <vector>

namespace {

std::vector<QStringList> ReadAll(const QByteArray& bytes, CsvDialect dialect)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    std::vector<QStringList> records;
    ReadCsv(buffer, dialect, [&](const QStringList& fields, qint64 line) {
        FUZZ_CHECK(line >= 1);
        records.push_back(fields);
        return true;
    });
    return records;
}

QByteArray WriteAll(const std::vector<QStringList>& records, CsvDialect dialect)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvWriter writer(buffer, dialect);
    for (const QStringList& record : records)
        writer.WriteRecord(record);
    writer.Finish();
    return buffer.data();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size).toByteArray();
    CsvDialect dialect;
    std::vector<QStringList> records;
    try {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        const CsvDetection detection = DetectCsv(buffer);
        FUZZ_CHECK(detection.records >= 1);
        dialect = detection.dialect;
        records = ReadAll(bytes, dialect);
    } catch (const Exception& e) {
        FUZZ_CHECK(!e.Message().isEmpty());
        return 0;
    }
    std::vector<QStringList> again = ReadAll(WriteAll(records, dialect), dialect);
    FUZZ_CHECK(again.size() == records.size());
    for (size_t r = 0; r < records.size(); ++r) {
        FUZZ_CHECK(again[r].size() == records[r].size());
        for (qsizetype f = 0; f < records[r].size(); ++f)
            FUZZ_CHECK(UnguardFormula(again[r][f]) == records[r][f]);
    }
    return 0;
}
