#include "csvdialect.h"

#include "sqlite/errors.h"
#include "sqlite/sql3_utils.h"

namespace {

constexpr qsizetype kFlushChars = 1 << 16;

QStringConverter::Encoding ConverterOf(CsvEncoding encoding)
{
    switch (encoding) {
    case CsvEncoding::Utf16LE:
        return QStringConverter::Utf16LE;
    case CsvEncoding::Utf16BE:
        return QStringConverter::Utf16BE;
    default:
        return QStringConverter::Utf8;
    }
}

bool StartsFormula(QStringView cell)
{
    if (cell.isEmpty())
        return false;
    switch (cell.front().unicode()) {
    case u'=':
    case u'+':
    case u'-':
    case u'@':
    case u'\t':
    case u'\r':
        return true;
    case u'\'':
        return StartsFormula(cell.mid(1));
    default:
        return false;
    }
}

}  // namespace

QString EncodingName(CsvEncoding encoding)
{
    switch (encoding) {
    case CsvEncoding::Utf8Bom:
        return QStringLiteral("UTF-8 s BOM");
    case CsvEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case CsvEncoding::Windows1250:
        return QStringLiteral("Windows-1250");
    case CsvEncoding::Utf16LE:
        return QStringLiteral("UTF-16 LE");
    case CsvEncoding::Utf16BE:
        return QStringLiteral("UTF-16 BE");
    }
    return {};
}

QString DelimiterName(QChar delimiter)
{
    if (delimiter == u';')
        return QStringLiteral("středník");
    if (delimiter == u',')
        return QStringLiteral("čárka");
    if (delimiter == u'\t')
        return QStringLiteral("tabulátor");
    return QString(delimiter);
}

QString GuardFormula(const QString& cell)
{
    return StartsFormula(cell) ? QLatin1Char('\'') + cell : cell;
}

QString UnguardFormula(const QString& cell)
{
    return cell.startsWith(u'\'') && StartsFormula(QStringView(cell).mid(1)) ? cell.mid(1) : cell;
}

CsvWriter::CsvWriter(QIODevice& out, CsvDialect dialect)
    : out_(out), dialect_(dialect), encoder_(ConverterOf(dialect.encoding), QStringEncoder::Flag::Stateless)
{
    if (dialect.encoding == CsvEncoding::Utf8Bom || dialect.encoding == CsvEncoding::Utf16LE ||
        dialect.encoding == CsvEncoding::Utf16BE)
        pending_ += QChar(0xFEFF);
}

void CsvWriter::WriteRecord(const QStringList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            pending_ += dialect_.delimiter;
        AppendField(fields[i]);
    }
    pending_ += QLatin1String("\r\n");
    if (pending_.size() >= kFlushChars)
        Flush();
}

void CsvWriter::AppendField(const QString& field)
{
    const QString cell = GuardFormula(field);
    bool quote = false;
    for (QChar c : cell)
        if (c == dialect_.delimiter || c == u'"' || c == u'\r' || c == u'\n') {
            quote = true;
            break;
        }
    if (!quote) {
        pending_ += cell;
        return;
    }
    pending_ += u'"';
    for (QChar c : cell) {
        if (c == u'"')
            pending_ += u'"';
        pending_ += c;
    }
    pending_ += u'"';
}

void CsvWriter::Flush()
{
    QByteArray bytes;
    if (dialect_.encoding == CsvEncoding::Windows1250)
        bytes = ToCodePage(pending_);  // raises for a character the code page lacks
    else
        bytes = encoder_.encode(pending_);
    pending_.clear();
    if (out_.write(bytes) != bytes.size())
        throw Exception(QStringLiteral("Soubor CSV nelze zapsat: %1").arg(out_.errorString()));
}

void CsvWriter::Finish()
{
    Flush();
}
