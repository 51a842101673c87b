#include "sql3_api.h"
#include "sql3_utils.h"

#include "errors.h"

#include <QCollator>
#include <QVarLengthArray>

#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uset.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

// The engine calls the comparison for every step of a sort or an index search, so Windows-1250
// text is compared on its bytes: the collator's own weights for every byte value, and for the
// byte pairs it weighs together ("ch" in Czech, "l·"), are read from ICU once. A text's
// weights at a level are its units' weights in order; two texts compare by their primary weights
// (letters), then by their secondary weights (diacritics), which is what the collator does at
// the strength that ignores letter case.

namespace {

int Sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

struct CollatorCloser {
    void operator()(UCollator* c) const { ucol_close(c); }
};
using IcuCollator = std::unique_ptr<UCollator, CollatorCloser>;

void Check(UErrorCode status, const char* what)
{
    if (U_FAILURE(status))
        throw EDatabaseError(QStringLiteral("Create collation error: %1 (%2)")
                                 .arg(QLatin1String(what), QLatin1String(u_errorName(status))));
}

// The collator as NativeCollator() configures it, opened through ICU so its weights can be read.
IcuCollator OpenIcuCollator()
{
    const QCollator& native = NativeCollator();
    // The weights are read for the one configuration the native order has.
    Q_ASSERT(native.caseSensitivity() == Qt::CaseInsensitive && !native.numericMode() && !native.ignorePunctuation());
    const QByteArray name = native.locale().bcp47Name().replace(u'-', u'_').toLatin1();
    UErrorCode status = U_ZERO_ERROR;
    IcuCollator collator(ucol_open(name.constData(), &status));
    Check(status, "ucol_open");
    const auto set = [&](UColAttribute attribute, UColAttributeValue value) {
        ucol_setAttribute(collator.get(), attribute, value, &status);
    };
    set(UCOL_NORMALIZATION_MODE, UCOL_ON);
    set(UCOL_STRENGTH, UCOL_SECONDARY);
    set(UCOL_NUMERIC_COLLATION, UCOL_OFF);
    set(UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE);
    Check(status, "ucol_setAttribute");
    return collator;
}

struct Element {
    quint32 primary = 0, secondary = 0;
};

// The collation elements of a short text. The iterator hands each element out as 32 bits
// (16 of the primary, 8 of the secondary, 8 of the tertiary weight); a weight longer than that
// continues in a following element marked in its low bits.
std::vector<Element> ElementsOf(const UCollator* collator, std::u16string_view text)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCollationElements, decltype(&ucol_closeElements)> it(
        ucol_openElements(collator, reinterpret_cast<const UChar*>(text.data()), int32_t(text.size()), &status),
        ucol_closeElements);
    Check(status, "ucol_openElements");
    constexpr quint32 kContinuation = 0xC0;
    std::vector<Element> elements;
    for (int32_t next; (next = ucol_next(it.get(), &status)) != UCOL_NULLORDER;) {
        const auto e = quint32(next);
        const quint32 primary = e >> 16, secondary = (e >> 8) & 0xFF;
        if ((e & kContinuation) == kContinuation && !elements.empty()) {
            elements.back().primary |= primary;
            elements.back().secondary |= secondary;
        } else {
            elements.push_back({primary << 16, secondary << 8});
        }
    }
    Check(status, "ucol_next");
    return elements;
}

// The pairs of code-page characters the collator weighs together: contractions (a letter of two
// characters) and a character weighed differently after a given one.
std::vector<std::u16string> Contractions(const UCollator* collator)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<USet, decltype(&uset_close)> set(uset_openEmpty(), uset_close);
    ucol_getContractionsAndExpansions(collator, set.get(), nullptr, true, &status);
    Check(status, "ucol_getContractionsAndExpansions");
    std::vector<std::u16string> pairs;
    for (int32_t i = 0, n = uset_getItemCount(set.get()); i < n; ++i) {
        UChar32 start, end;
        std::array<UChar, 8> text{};
        const int32_t length = uset_getItem(set.get(), i, &start, &end, text.data(), int32_t(text.size()), &status);
        if (U_FAILURE(status)) {
            status = U_ZERO_ERROR;  // a long contraction, never one of two characters
            continue;
        }
        if (length == 2 && FitsCodePage(QStringView(text.data(), 2)))
            pairs.emplace_back(reinterpret_cast<const char16_t*>(text.data()), 2);
    }
    return pairs;
}

}  // namespace

class TCodePageOrder {
public:
    TCodePageOrder()
    {
        const IcuCollator collator = OpenIcuCollator();
        const QString decoded = DecodeAllBytes();
        const auto* characters = reinterpret_cast<const char16_t*>(decoded.constData());
        for (int b = 0; b < 256; ++b)
            AddUnit(ElementsOf(collator.get(), std::u16string_view(characters + b, 1)));
        for (const std::u16string& pair : Contractions(collator.get())) {
            const QByteArray bytes = ToCodePage(QStringView(pair.data(), 2));
            const auto first = quint8(bytes[0]), second = quint8(bytes[1]);
            if (pairRow_[first] == 0) {
                pairUnits_.emplace_back();
                pairRow_[first] = quint8(pairUnits_.size());
            }
            pairUnits_[pairRow_[first] - 1][second] = quint16(units_.size());
            AddUnit(ElementsOf(collator.get(), pair));
        }
    }

    int Compare(const quint8* a, int lengthA, const quint8* b, int lengthB) const
    {
        // QCollator puts an empty text before every other one, even one made of ignorable characters.
        if (lengthA == 0 || lengthB == 0)
            return (lengthA > 0) - (lengthB > 0);
        const int start = CommonUnits(a, lengthA, b, lengthB);
        if (start == lengthA && start == lengthB)
            return 0;
        if (const int c = CompareLevel<&Unit::primary>(a + start, a + lengthA, b + start, b + lengthB))
            return c;
        return CompareLevel<&Unit::secondary>(a + start, a + lengthA, b + start, b + lengthB);
    }

private:
    struct Range {
        quint16 begin = 0, end = 0;
    };
    struct Unit {
        Range primary, secondary;  // the non-zero weights in weights_
    };

    static QString DecodeAllBytes()
    {
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        return FromCodePage(all);
    }

    void AddUnit(const std::vector<Element>& elements)
    {
        const auto collect = [&](quint32 Element::*level) {
            Range range{quint16(weights_.size()), 0};
            for (const Element& e : elements)
                if (e.*level != 0)
                    weights_.push_back(e.*level);
            range.end = quint16(weights_.size());
            return range;
        };
        Unit unit;
        unit.primary = collect(&Element::primary);
        unit.secondary = collect(&Element::secondary);
        units_.push_back(unit);
    }

    // The unit at text (one byte, or a pair the collator weighs together); text moves past it.
    const Unit& TakeUnit(const quint8*& text, const quint8* end) const
    {
        const quint8 first = *text++;
        if (const quint8 row = pairRow_[first]; row != 0 && text != end)
            if (const quint16 pair = pairUnits_[row - 1][*text]; pair != 0) {
                ++text;
                return units_[pair];
            }
        return units_[first];
    }

    // The weights of a text at one level, one after another; 0 after the last.
    template <Range Unit::*Level> class Weights {
    public:
        Weights(const TCodePageOrder& order, const quint8* text, const quint8* end)
            : order_(order), text_(text), end_(end)
        {
        }
        quint32 Next()
        {
            while (next_ == last_) {
                if (text_ == end_)
                    return 0;
                const Range& range = order_.TakeUnit(text_, end_).*Level;
                next_ = order_.weights_.data() + range.begin;
                last_ = order_.weights_.data() + range.end;
            }
            return *next_++;
        }

    private:
        const TCodePageOrder& order_;
        const quint8* text_;
        const quint8* end_;
        const quint32* next_ = nullptr;
        const quint32* last_ = nullptr;
    };

    template <Range Unit::*Level> int CompareLevel(const quint8* a, const quint8* endA, const quint8* b, const quint8* endB) const
    {
        Weights<Level> wa(*this, a, endA), wb(*this, b, endB);
        for (;;) {
            const quint32 x = wa.Next(), y = wb.Next();
            if (x != y)
                return x < y ? -1 : 1;
            if (x == 0)
                return 0;
        }
    }

    // The length of the bytes both texts share that ends between units in both: a shared byte
    // that may begin a pair is left out, as the next bytes decide whether it does.
    int CommonUnits(const quint8* a, int lengthA, const quint8* b, int lengthB) const
    {
        int n = 0;
        const int shorter = std::min(lengthA, lengthB);
        while (n < shorter && a[n] == b[n])
            ++n;
        if (n == lengthA && n == lengthB)
            return n;
        while (n > 0 && pairRow_[a[n - 1]] != 0)
            --n;
        return n;
    }

    std::vector<quint32> weights_;
    std::vector<Unit> units_;  // one per byte value, then one per pair
    std::array<quint8, 256> pairRow_{};  // the row of pairUnits_ a byte begins, plus 1; 0 if none
    std::vector<std::array<quint16, 256>> pairUnits_;  // the unit of (first, second), 0 if no pair
};

const TCodePageOrder& NativeCodePageOrder()
{
    static const TCodePageOrder order;
    return order;
}

int NativeCompareCodePage(void* order, int length1, const void* text1, int length2, const void* text2)
{
    return static_cast<const TCodePageOrder*>(order)->Compare(static_cast<const quint8*>(text1), length1,
                                                              static_cast<const quint8*>(text2), length2);
}

namespace {

using Buffer = QVarLengthArray<char16_t, 256>;

int Compare(void* collator, const Buffer& a, const Buffer& b)
{
    return Sign(static_cast<const QCollator*>(collator)->compare(QStringView(a.data(), a.size()),
                                                                 QStringView(b.data(), b.size())));
}

void CopyUtf16(const void* text, int length, bool swap, Buffer& out)
{
    out.resize(length / 2);
    std::memcpy(out.data(), text, size_t(out.size()) * sizeof(char16_t));
    if (swap)
        for (char16_t& c : out)
            c = char16_t((c >> 8) | (c << 8));
}

}  // namespace

int NativeCompareUtf16(void* collator, int length1, const void* text1, int length2, const void* text2)
{
    Buffer a, b;
    CopyUtf16(text1, length1, false, a);
    CopyUtf16(text2, length2, false, b);
    return Compare(collator, a, b);
}

int NativeCompareUtf16Swapped(void* collator, int length1, const void* text1, int length2, const void* text2)
{
    Buffer a, b;
    CopyUtf16(text1, length1, true, a);
    CopyUtf16(text2, length2, true, b);
    return Compare(collator, a, b);
}
