#include "sql3_utils.h"

#include "errors.h"

#include <QCollator>
#include <QLocale>
#include <QStringDecoder>

#include <array>
#include <cmath>

namespace {

// Both directions of the code page, built once from the system's Windows-1250 decoder.
struct CodePage {
    std::array<char16_t, 256> toUnicode{};
    std::array<quint8, 65536> fromUnicode{};  // 0 = not in the code page (except U+0000)

    CodePage()
    {
        QStringDecoder decoder("windows-1250");
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString c = decoder.decode(QByteArrayView(&byte, 1));
            toUnicode[size_t(b)] = c.size() == 1 ? c[0].unicode() : u'\uFFFD';
            if (c.size() == 1 && c[0] != QChar::ReplacementCharacter)
                fromUnicode[c[0].unicode()] = quint8(b);
        }
    }

    bool Holds(char16_t c) const { return c == 0 || fromUnicode[c] != 0; }
};

const CodePage& Table()
{
    static const CodePage table;
    return table;
}

[[noreturn]] void RaiseUnfit(QStringView text, qsizetype at)
{
    const char32_t code = QStringView(text.mid(at)).toUcs4().value(0);
    throw EDatabaseError(QStringLiteral("Character '%1' (U+%2) cannot be stored in the Windows-1250 code page")
                             .arg(QString::fromUcs4(&code, 1))
                             .arg(uint(code), 4, 16, QLatin1Char('0')));
}

bool IsAsciiLetter(char16_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char16_t c) { return c >= '0' && c <= '9'; }

}  // namespace

QByteArray ToCodePage(QStringView text)
{
    const CodePage& cp = Table();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!cp.Holds(c))
            RaiseUnfit(text, i);
        bytes[i] = char(cp.fromUnicode[c]);
    }
    return bytes;
}

QString FromCodePage(QByteArrayView bytes)
{
    const CodePage& cp = Table();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = cp.toUnicode[quint8(bytes[i])];
    return text;
}

bool FitsCodePage(QStringView text)
{
    const CodePage& cp = Table();
    for (QChar c : text)
        if (!cp.Holds(c.unicode()))
            return false;
    return true;
}

const QCollator& NativeCollator()
{
    static const QCollator collator = [] {
        QCollator c(QLocale(QLocale::Czech, QLocale::CzechRepublic));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.compare(u"a", u"b");  // settle the lazy set-up before the first real use
        return c;
    }();
    return collator;
}

bool IsBlank(QStringView text)
{
    for (QChar c : text)
        if (c.unicode() > 32)
            return false;
    return true;
}

bool IsPlainIdentifier(QStringView text)
{
    if (text.isEmpty() || text.size() > 63 || IsAsciiDigit(text[0].unicode()))
        return false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (!IsAsciiLetter(u) && !IsAsciiDigit(u) && u != '_')
            return false;
    }
    return true;
}

QString TrimControls(QStringView text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin).toString();
}

QString QuoteIdent(const QString& name, bool /*toUtf8*/)
{
    const QString trimmed = TrimControls(name);
    if (IsBlank(trimmed))
        return QStringLiteral("\"\"");
    if (trimmed.startsWith(QLatin1Char('"')) || IsPlainIdentifier(trimmed))
        return trimmed;
    return QLatin1Char('"') + trimmed + QLatin1Char('"');
}

QString QuoteIdentList(const QString& list, bool toUtf8)
{
    QString text = list;
    text.replace(QLatin1Char(';'), QLatin1Char(','));
    QStringList pieces = text.split(QLatin1Char(','));
    for (QString& piece : pieces)
        piece = QuoteIdent(piece, toUtf8);
    return pieces.join(QLatin1Char(','));
}

QString TableFromSelect(const QString& statement, bool quote)
{
    QString text = statement;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar& c : text)
        if (c.unicode() >= 'a' && c.unicode() <= 'z')
            c = QChar(c.unicode() - 'a' + 'A');
    text += QLatin1Char(' ');
    const qsizetype from = text.indexOf(QLatin1String(" FROM "));
    if (from < 0)
        return QString();
    const QString rest = TrimControls(QStringView(text).mid(from + 6));
    if (IsBlank(rest))
        return QString();
    QString table;
    if (rest.startsWith(QLatin1Char('"'))) {
        const qsizetype close = rest.indexOf(QLatin1Char('"'), 1);
        if (close > 1)
            table = rest.mid(1, close - 1);
    } else {
        const qsizetype blank = rest.indexOf(QLatin1Char(' '));
        table = blank < 0 ? rest : rest.left(blank);
    }
    return quote ? QuoteIdent(table, false) : table;
}

QString QuoteString(const QString& text)
{
    QString inner = text;
    inner.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

QString ExpandPragmaParams(const QString& params)
{
    QString text = params;
    text.replace(QLatin1Char(';'), QLatin1Char('|'));
    text.replace(QLatin1Char(','), QLatin1Char('|'));
    if (text.startsWith(QLatin1Char('|')))
        text.remove(0, 1);
    text.prepend(QStringLiteral("pragma "));
    if (text.endsWith(QLatin1Char('|')))
        text.chop(1);
    text.replace(QLatin1Char('|'), QStringLiteral(";pragma "));
    return text;
}

namespace {
const QDate kDateZero(1899, 12, 30);
constexpr double kMsecsPerDay = 86400000.0;
}  // namespace

double DateTimeToNumber(const QDateTime& value)
{
    if (!value.isValid())
        return 0;
    const double days = double(kDateZero.daysTo(value.date()));
    const double fraction = value.time().msecsSinceStartOfDay() / kMsecsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime NumberToDateTime(double value)
{
    const double days = std::trunc(value);
    const double fraction = std::fabs(value - days);
    const int msecs = qBound(0, int(std::llround(fraction * kMsecsPerDay)), int(kMsecsPerDay) - 1);
    return QDateTime(kDateZero.addDays(qint64(days)), QTime::fromMSecsSinceStartOfDay(msecs), Qt::UTC);
}
