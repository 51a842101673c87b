#include "labelcode.h"

#include "sqlite/sql3_utils.h"

#include <QCryptographicHash>

namespace {

// Digits and the letters a US and a Czech layout share, without I and O (read as 1 and 0).
constexpr QStringView kAlphabet = u"0123456789ABCDEFGHJKLMNPQRSTUVWX";
constexpr QStringView kItemPrefix = u"RGP";
constexpr QStringView kPlacePrefix = u"RGM";
constexpr int kDigestLength = 8;  // 40 bits
// What the digit keys 1 … 9, 0 type on a Czech layout, in the order of the digits 0 … 9.
constexpr QStringView kCzechDigits = u"é+ěščřžýáí";

// Weighted sum of the characters' alphabet values: any one changed digit and any two swapped
// neighbours change it.
QChar CheckCharacter(QStringView text)
{
    int sum = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        sum += int(i + 1) * int(kAlphabet.indexOf(text[i]));
    return kAlphabet[sum % int(kAlphabet.size())];
}

QString PlaceDigest(const QString& place)
{
    const QByteArray hash = QCryptographicHash::hash(LabelPlaceKey(place).toUtf8(), QCryptographicHash::Sha256);
    quint64 bits = 0;
    for (int i = 0; i < 5; ++i)
        bits = (bits << 8) | quint8(hash[i]);
    QString digest;
    for (int i = kDigestLength - 1; i >= 0; --i)
        digest += kAlphabet[int((bits >> (5 * i)) & 31)];
    return digest;
}

// The typed text as the US layout gives it: Czech digit-row characters back to digits, upper case.
QString UsForm(const QString& typed)
{
    QString text = TrimControls(typed).toLower();
    for (QChar& c : text) {
        const qsizetype digit = kCzechDigits.indexOf(c);
        if (digit >= 0)
            c = QChar(char16_t(u'0' + digit));
    }
    return text.toUpper();
}

bool AllIn(QStringView text, QStringView alphabet)
{
    for (QChar c : text)
        if (!alphabet.contains(c))
            return false;
    return !text.isEmpty();
}

std::optional<TLabelCode> ReadItemCode(QStringView body)
{
    // At most 18 digits keep the identifier inside 64 bits; no leading zero keeps one spelling.
    const QStringView digits = body.chopped(1);
    if (digits.size() > 18 || !AllIn(digits, kAlphabet.first(10)) || (digits.size() > 1 && digits[0] == u'0'))
        return std::nullopt;
    if (CheckCharacter(digits) != body.back())
        return std::nullopt;
    TLabelCode code;
    code.kind = TLabelCode::Item;
    code.item = digits.toLongLong();
    return code;
}

std::optional<TLabelCode> ReadWholeCode(QStringView text)
{
    if (text.startsWith(kItemPrefix) && text.size() >= kItemPrefix.size() + 2)
        return ReadItemCode(text.sliced(kItemPrefix.size()));
    if (text.startsWith(kPlacePrefix) && text.size() == kPlacePrefix.size() + kDigestLength
        && AllIn(text.sliced(kPlacePrefix.size()), kAlphabet)) {
        TLabelCode code;
        code.kind = TLabelCode::Place;
        code.digest = text.sliced(kPlacePrefix.size()).toString();
        return code;
    }
    return std::nullopt;
}

}  // namespace

QString LabelPlaceKey(const QString& place)
{
    return TrimControls(place).toCaseFolded();
}

QString ItemLabelCode(qint64 ident)
{
    const QString digits = QString::number(ident);
    return kItemPrefix.toString() + digits + CheckCharacter(digits);
}

QString PlaceLabelCode(const QString& place)
{
    return kPlacePrefix.toString() + PlaceDigest(place);
}

std::optional<TLabelCode> ReadLabelCode(const QString& typed)
{
    const QString text = UsForm(typed);
    // The longest tail that is a code: a scanner types after whatever the box already held.
    for (qsizetype start = 0; start + kItemPrefix.size() <= text.size(); ++start)
        if (const auto code = ReadWholeCode(QStringView(text).sliced(start)))
            return code;
    return std::nullopt;
}

std::optional<QString> FindPlaceOfCode(const TLabelCode& code, const QStringList& places)
{
    std::optional<QString> found;
    for (const QString& place : places) {
        if (code.kind != TLabelCode::Place || PlaceDigest(place) != code.digest)
            continue;
        if (found && LabelPlaceKey(*found) != LabelPlaceKey(place))
            return std::nullopt;
        found = TrimControls(place);
    }
    return found;
}
