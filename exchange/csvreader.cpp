#include "csvreader.h"

#include "sqlite/errors.h"
#include "sqlite/sql3_utils.h"

#include <algorithm>
#include <array>

namespace {

constexpr qint64 kChunk = 1 << 16;
constexpr char16_t kBom = 0xFEFF;
constexpr char16_t kReplacement = 0xFFFD;

QStringDecoder DecoderOf(CsvEncoding encoding)
{
    switch (encoding) {
    case CsvEncoding::Utf16LE:
        return QStringDecoder(QStringConverter::Utf16LE);
    case CsvEncoding::Utf16BE:
        return QStringDecoder(QStringConverter::Utf16BE);
    default:
        return QStringDecoder(QStringConverter::Utf8);
    }
}

[[noreturn]] void FailRead(const QIODevice& in)
{
    throw Exception(QStringLiteral("Soubor CSV nelze číst: %1").arg(in.errorString()));
}

// A character no text file holds: NUL and the control characters other than tab, line breaks,
// form feed and the old end-of-file mark.
void CheckTextChar(QChar c, qint64 line)
{
    const char16_t u = c.unicode();
    if (u == 0)
        throw Exception(QStringLiteral("Soubor obsahuje nulový znak (řádek %1), není to textový soubor CSV.").arg(line));
    if (u < 0x20 && u != u'\t' && u != u'\r' && u != u'\n' && u != 0x0C && u != 0x1A)
        throw Exception(QStringLiteral("Soubor obsahuje řídicí znak 0x%1 (řádek %2), není to textový soubor CSV.")
                            .arg(QString::number(u, 16).rightJustified(2, u'0'))
                            .arg(line));
    if (u == kBom)
        throw Exception(QStringLiteral("Soubor obsahuje značku BOM uprostřed textu (řádek %1).").arg(line));
}

QString UnclosedQuote(qint64 line)
{
    return QStringLiteral("Neuzavřené uvozovky: pole, které začíná uvozovkou na řádku %1, nemá koncovou uvozovku.").arg(line);
}

// True when the bytes end inside a UTF-8 sequence: a lead byte whose continuation bytes are missing.
bool EndsInsideSequence(QByteArrayView bytes)
{
    for (qsizetype back = 1; back <= 4 && back <= bytes.size(); ++back) {
        const auto b = quint8(bytes[bytes.size() - back]);
        if ((b & 0xC0) == 0x80)
            continue;  // a continuation byte: look further back for its lead
        const int length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return length > back;
    }
    return false;
}

qint64 LinesIn(QStringView text)
{
    qint64 lines = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == u'\r' || (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')))
            ++lines;
    return lines;
}

// Decides the encoding from the BOM, else from whether every byte sequence is valid UTF-8.
CsvEncoding DetectEncoding(QIODevice& in, const CsvProgress& progress)
{
    const QByteArray head = in.peek(3);
    if (head.startsWith("\xEF\xBB\xBF"))
        return CsvEncoding::Utf8Bom;
    if (head.startsWith("\xFF\xFE"))
        return CsvEncoding::Utf16LE;
    if (head.startsWith("\xFE\xFF"))
        return CsvEncoding::Utf16BE;
    QStringDecoder utf8(QStringConverter::Utf8);
    QByteArray chunk;
    while (!in.atEnd()) {
        chunk = in.read(kChunk);
        if (chunk.isEmpty())
            FailRead(in);
        const QString text = utf8.decode(chunk);  // decoding happens when the result is taken
        if (utf8.hasError())
            return CsvEncoding::Windows1250;
        if (progress && !progress(in.pos(), in.size() * 2))
            throw CsvCancelled();
    }
    return EndsInsideSequence(chunk) ? CsvEncoding::Windows1250 : CsvEncoding::Utf8;
}

constexpr std::array<char16_t, 3> kDelimiters{u';', u',', u'\t'};

// Counts, for each candidate delimiter, the records split into as many fields as the first one.
class DelimiterVote {
public:
    void Add(char16_t c)
    {
        for (size_t k = 0; k < kDelimiters.size(); ++k)
            if (c == kDelimiters[k])
                ++count_[k];
        blank_ = blank_ && (c == u' ' || c == u'\t' || c == u';' || c == u',');
    }
    void EndRecord()
    {
        if (!blank_) {
            for (size_t k = 0; k < kDelimiters.size(); ++k) {
                if (records_ == 0)
                    first_[k] = count_[k];
                if (first_[k] > 0 && count_[k] == first_[k])
                    ++alike_[k];
                total_[k] += count_[k];
            }
            ++records_;
        }
        count_.fill(0);
        blank_ = true;
    }
    QChar Winner() const
    {
        size_t best = 0;  // the semicolon wins every tie: Czech spreadsheets write it
        for (size_t k = 1; k < kDelimiters.size(); ++k)
            if (alike_[k] > alike_[best] || (alike_[k] == alike_[best] && total_[k] > total_[best]))
                best = k;
        return kDelimiters[best];
    }
    qint64 Records() const { return records_; }

private:
    std::array<qint64, 3> count_{}, first_{}, alike_{}, total_{};
    qint64 records_ = 0;
    bool blank_ = true;
};

}  // namespace

void OpenCsvFile(QFile& file)
{
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Soubor %1 nelze otevřít: %2").arg(file.fileName(), file.errorString()));
}

CsvText::CsvText(QIODevice& in, CsvEncoding encoding) : in_(in), encoding_(encoding), decoder_(DecoderOf(encoding)) {}

bool CsvText::Next(QString& chunk, qint64 line)
{
    if (in_.atEnd()) {
        if (encoding_ != CsvEncoding::Windows1250 && encoding_ != CsvEncoding::Utf16LE &&
            encoding_ != CsvEncoding::Utf16BE && EndsInsideSequence(tail_))
            throw Exception(QStringLiteral("Soubor není platný text v kódování %1: končí uprostřed znaku (řádek %2).")
                                .arg(EncodingName(encoding_))
                                .arg(line));
        return false;
    }
    const QByteArray bytes = in_.read(kChunk);
    if (bytes.isEmpty())
        FailRead(in_);
    tail_ = bytes.right(4);
    chunk = encoding_ == CsvEncoding::Windows1250 ? FromCodePage(bytes) : decoder_.decode(bytes);
    if (atStart_ && !chunk.isEmpty() && chunk.front() == kBom)
        chunk.remove(0, 1);  // the BOM of a file read as UTF-8 without one
    atStart_ = false;
    // The code page leaves a few byte values undefined; they read as the replacement character.
    const bool invalid = encoding_ == CsvEncoding::Windows1250 ? chunk.contains(QChar(kReplacement)) : decoder_.hasError();
    if (invalid) {
        const qsizetype bad = chunk.indexOf(QChar(kReplacement));
        throw Exception(QStringLiteral("Soubor není platný text v kódování %1 (řádek %2).")
                            .arg(EncodingName(encoding_))
                            .arg(line + LinesIn(QStringView(chunk).first(std::max<qsizetype>(bad, 0)))));
    }
    return true;
}

CsvReader::CsvReader(QIODevice& in, CsvDialect dialect) : in_(in), dialect_(dialect), text_(in, dialect.encoding) {}

bool CsvReader::Fill()
{
    at_ = 0;
    buffer_.clear();
    return text_.Next(buffer_, line_);
}

void CsvReader::Fail(const QString& text, qint64 line) const
{
    throw Exception(QStringLiteral("%1 (řádek %2).").arg(text).arg(line));
}

void CsvReader::EndField(QStringList& fields)
{
    fields.append(field_);
    field_.clear();
}

bool CsvReader::Next(QStringList& fields)
{
    while (ReadRecord(fields)) {
        for (const QString& field : fields)
            if (!IsBlank(field))
                return true;
    }
    return false;
}

bool CsvReader::ReadRecord(QStringList& fields)
{
    fields.clear();
    field_.clear();
    State state = State::FieldStart;
    bool any = false;
    const QChar delimiter = dialect_.delimiter;
    for (;;) {
        if (at_ == buffer_.size()) {
            if (Fill())
                continue;  // a chunk may decode to nothing (a BOM, part of a character)
            if (state == State::Quoted)
                throw Exception(UnclosedQuote(quoteLine_));
            if (any)
                EndField(fields);
            return any;
        }
        const QChar c = buffer_[at_++];
        const bool lfAfterCr = c == u'\n' && lastCR_;
        lastCR_ = c == u'\r';
        if (skipLF_) {
            skipLF_ = false;
            if (lfAfterCr)
                continue;
        }
        if (!any) {
            any = true;
            recordLine_ = line_;
        }
        if (c.unicode() < 0x20 || c.unicode() == kBom)
            CheckTextChar(c, line_);
        const bool lineBreak = c == u'\r' || c == u'\n';
        switch (state) {
        case State::QuoteInQuoted:
            if (c == u'"') {
                field_ += c;
                state = State::Quoted;
                continue;
            }
            if (c != delimiter && !lineBreak)
                Fail(QStringLiteral("Za koncovou uvozovkou pole následuje další text"), line_);
            break;
        case State::Quoted:
            if (c == u'"') {
                state = State::QuoteInQuoted;
                continue;
            }
            if (lineBreak && !lfAfterCr)
                ++line_;
            if (field_.size() >= kCsvMaxField)
                Fail(QStringLiteral("Pole je delší než %1 MB").arg(kCsvMaxField >> 20), quoteLine_);
            field_ += c;
            continue;
        case State::FieldStart:
            if (c == u'"') {
                state = State::Quoted;
                quoteLine_ = line_;
                continue;
            }
            break;
        case State::Plain:
            break;
        }
        if (c == delimiter) {
            EndField(fields);
            state = State::FieldStart;
        } else if (lineBreak) {
            ++line_;
            skipLF_ = c == u'\r';
            EndField(fields);
            return true;
        } else {
            if (field_.size() >= kCsvMaxField)
                Fail(QStringLiteral("Pole je delší než %1 MB").arg(kCsvMaxField >> 20), line_);
            field_ += c;
            state = State::Plain;
        }
    }
}

CsvDetection DetectCsv(QIODevice& in, const CsvProgress& progress)
{
    const qint64 start = in.pos();
    CsvDetection detection;
    detection.dialect.encoding = DetectEncoding(in, progress);
    if (!in.seek(start))
        FailRead(in);
    // Every quote toggles: the delimiters and line breaks inside quoted fields do not count.
    CsvText text(in, detection.dialect.encoding);
    DelimiterVote vote;
    QString chunk;
    qint64 line = 1, quoteLine = 1;
    bool quoted = false, lastCR = false;
    while (text.Next(chunk, line)) {
        for (QChar c : chunk) {
            const bool lfAfterCr = c == u'\n' && lastCR;
            lastCR = c == u'\r';
            if (c.unicode() < 0x20 || c.unicode() == kBom)
                CheckTextChar(c, line);
            if ((c == u'\r' || c == u'\n') && !lfAfterCr)
                ++line;
            if (c == u'"') {
                if (!quoted)
                    quoteLine = line;
                quoted = !quoted;
                vote.Add(c.unicode());
            } else if (!quoted && (c == u'\r' || c == u'\n')) {
                vote.EndRecord();
            } else if (!quoted) {
                vote.Add(c.unicode());
            }
        }
        if (progress && !progress(in.size() + in.pos(), in.size() * 2))
            throw CsvCancelled();
    }
    if (quoted)
        throw Exception(UnclosedQuote(quoteLine));
    vote.EndRecord();
    detection.dialect.delimiter = vote.Winner();
    detection.records = vote.Records();
    if (detection.records == 0)
        throw Exception(QStringLiteral("Soubor CSV je prázdný."));
    if (!in.seek(start))
        FailRead(in);
    return detection;
}

void ReadCsv(QIODevice& in, CsvDialect dialect, const std::function<bool(const QStringList&, qint64 line)>& record,
             const CsvProgress& progress)
{
    CsvReader reader(in, dialect);
    QStringList fields;
    qint64 count = 0;
    while (reader.Next(fields)) {
        if (!record(fields, reader.Line()))
            return;
        if (progress && (++count & 1023) == 0 && !progress(reader.BytesRead(), in.size()))
            throw CsvCancelled();
    }
}
