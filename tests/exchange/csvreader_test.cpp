#include "exchange/csvreader.h"

#include "tests/sqlite/sql3_testdb.h"

#include <QBuffer>
#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

struct Read {
    CsvDetection detection;
    std::vector<QStringList> records;
    std::vector<qint64> lines;
};

Read ReadAll(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Read read;
    read.detection = DetectCsv(buffer);
    ReadCsv(buffer, read.detection.dialect, [&](const QStringList& fields, qint64 line) {
        read.records.push_back(fields);
        read.lines.push_back(line);
        return true;
    });
    return read;
}

QString FailureOf(const QByteArray& bytes)
{
    return ErrorOf([&] { ReadAll(bytes); });
}

QByteArray Windows1250(const QString& text)
{
    QStringEncoder encoder("windows-1250");
    return encoder.encode(text);
}

}  // namespace

TEST(CsvReader, readsCzechExcelsSemicolonWindows1250File)
{
    const Read read = ReadAll(Windows1250(QStringLiteral("Označení;Popis\r\nŠroub;\"M5, pozinkovaný; 8.8\"\r\nMatice;ďábel\r\n")));
    EXPECT_EQ(read.detection.dialect.encoding, CsvEncoding::Windows1250);
    EXPECT_EQ(read.detection.dialect.delimiter, u';');
    EXPECT_EQ(read.detection.records, 3);
    ASSERT_EQ(read.records.size(), 3u);
    EXPECT_EQ(read.records[1], (QStringList{QStringLiteral("Šroub"), QStringLiteral("M5, pozinkovaný; 8.8")}));
    EXPECT_EQ(read.records[2], (QStringList{QStringLiteral("Matice"), QStringLiteral("ďábel")}));
}

TEST(CsvReader, readsLibreOfficesCommaUtf8FileWhoseTextsHoldSemicolons)
{
    // More semicolons than commas in total, yet only the comma splits every record alike.
    const Read read = ReadAll(QStringLiteral("Označení,Popis,Umístění\nM5,a;b;c;d,Regál 1\nM6,\"x,y\",e;f;g\n").toUtf8());
    EXPECT_EQ(read.detection.dialect.encoding, CsvEncoding::Utf8);
    EXPECT_EQ(read.detection.dialect.delimiter, u',');
    ASSERT_EQ(read.records.size(), 3u);
    EXPECT_EQ(read.records[2], (QStringList{QStringLiteral("M6"), QStringLiteral("x,y"), QStringLiteral("e;f;g")}));
}

TEST(CsvReader, detectsBomsAndTabs)
{
    const QString text = QStringLiteral("a\tb\r\nč\t\"ř\"\"\"\r\n");
    EXPECT_EQ(ReadAll("\xEF\xBB\xBF" + text.toUtf8()).detection.dialect.encoding, CsvEncoding::Utf8Bom);
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringEncoder::Flag::WriteBom);
    const Read read = ReadAll(utf16.encode(text));
    EXPECT_EQ(read.detection.dialect.encoding, CsvEncoding::Utf16LE);
    EXPECT_EQ(read.detection.dialect.delimiter, u'\t');
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[1], (QStringList{QStringLiteral("č"), QStringLiteral("ř\"")}));
}

TEST(CsvReader, keepsQuotedLineBreaksAndCountsLinesOfMixedEndings)
{
    const Read read = ReadAll("h1;h2\r\n\"a\r\nb\nc\";x\nnext;y\rlast;\"\"\r\n\r\n;;\r\nend;z");
    ASSERT_EQ(read.records.size(), 5u);
    EXPECT_EQ(read.records[1], (QStringList{QStringLiteral("a\r\nb\nc"), QStringLiteral("x")}));
    EXPECT_EQ(read.records[3], (QStringList{QStringLiteral("last"), QString()}));
    EXPECT_EQ(read.records[4], (QStringList{QStringLiteral("end"), QStringLiteral("z")}));
    EXPECT_EQ(read.lines, (std::vector<qint64>{1, 2, 5, 6, 9}));  // blank lines skipped, still counted
}

TEST(CsvReader, readsATenMegabyteField)
{
    const QByteArray big(10 * 1024 * 1024, 'x');
    const Read read = ReadAll("a;b\r\n\"" + big + "\";2\r\n");
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[1][0].size(), big.size());
    EXPECT_EQ(read.records[1][1], QStringLiteral("2"));
}

TEST(CsvReader, refusesBadInputWithItsLine)
{
    EXPECT_EQ(FailureOf(""), QStringLiteral("Soubor CSV je prázdný."));
    EXPECT_EQ(FailureOf("\xEF\xBB\xBF"), QStringLiteral("Soubor CSV je prázdný."));
    EXPECT_EQ(FailureOf("a;b\r\nc;\"d\r\ne;f\r\n"),
              QStringLiteral("Neuzavřené uvozovky: pole, které začíná uvozovkou na řádku 2, nemá koncovou uvozovku."));
    EXPECT_EQ(FailureOf(QByteArray("a;b\nc;d\ne\0f;g\n", 14)),
              QStringLiteral("Soubor obsahuje nulový znak (řádek 3), není to textový soubor CSV."));
    EXPECT_EQ(FailureOf("a;b\n\xEF\xBB\xBF" "c;d\n"), QStringLiteral("Soubor obsahuje značku BOM uprostřed textu (řádek 2)."));
    EXPECT_EQ(FailureOf("\x89PNG\r\n\x1A\n\x05\x07"), QStringLiteral("Soubor obsahuje řídicí znak 0x05 (řádek 3), není to textový soubor CSV."));
    EXPECT_EQ(FailureOf("a;b\n\"x\"y;z\n"), QStringLiteral("Za koncovou uvozovkou pole následuje další text (řádek 2)."));
}

TEST(CsvReader, refusesAFileReadInAnEncodingItIsNotIn)
{
    QBuffer buffer;
    buffer.setData("a;b\nc;d\n\xE8" "e;f\n");
    buffer.open(QIODevice::ReadOnly);
    EXPECT_EQ(ErrorOf([&] { ReadCsv(buffer, {CsvEncoding::Utf8, u';'}, [](const QStringList&, qint64) { return true; }); }),
              QStringLiteral("Soubor není platný text v kódování UTF-8 (řádek 3)."));
}

TEST(CsvReader, cancelStopsTheRead)
{
    QByteArray bytes = "a;b\n";
    for (int i = 0; i < 5000; ++i)
        bytes += "x;y\n";
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    int records = 0;
    EXPECT_THROW(ReadCsv(
                     buffer, {CsvEncoding::Utf8, u';'}, [&](const QStringList&, qint64) { return ++records > 0; },
                     [](qint64, qint64) { return false; }),
                 CsvCancelled);
    EXPECT_LT(records, 5001);
}
