#include "sql3_api.h"
#include "sql3_utils.h"

#include <QCollator>
#include <QVarLengthArray>

#include <array>
#include <cstring>

namespace {

using Buffer = QVarLengthArray<char16_t, 256>;

int Sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

int Compare(void* collator, const char16_t* a, qsizetype lengthA, const char16_t* b, qsizetype lengthB)
{
    return Sign(static_cast<const QCollator*>(collator)->compare(QStringView(a, lengthA), QStringView(b, lengthB)));
}

// The engine calls the comparison for every step of a sort or an index search, so the bytes are
// decoded through a table built once, into the caller's stack buffer.
std::array<char16_t, 256> BuildDecodeTable()
{
    QByteArray all(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    const QString decoded = FromCodePage(all);
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[size_t(b)] = decoded[b].unicode();
    return table;
}

const std::array<char16_t, 256> kDecode = BuildDecodeTable();

const char16_t* DecodeCodePage(const void* text, int length, Buffer& out)
{
    out.resize(length);
    const auto* bytes = static_cast<const unsigned char*>(text);
    char16_t* to = out.data();
    for (int i = 0; i < length; ++i)
        to[i] = kDecode[bytes[i]];
    return to;
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

int NativeCompareCodePage(void* collator, int length1, const void* text1, int length2, const void* text2)
{
    if (length1 == length2 && std::memcmp(text1, text2, size_t(length1)) == 0)
        return 0;
    Buffer a, b;
    return Compare(collator, DecodeCodePage(text1, length1, a), length1, DecodeCodePage(text2, length2, b), length2);
}

int NativeCompareUtf16(void* collator, int length1, const void* text1, int length2, const void* text2)
{
    Buffer a, b;
    CopyUtf16(text1, length1, false, a);
    CopyUtf16(text2, length2, false, b);
    return Compare(collator, a.data(), a.size(), b.data(), b.size());
}

int NativeCompareUtf16Swapped(void* collator, int length1, const void* text1, int length2, const void* text2)
{
    Buffer a, b;
    CopyUtf16(text1, length1, true, a);
    CopyUtf16(text2, length2, true, b);
    return Compare(collator, a.data(), a.size(), b.data(), b.size());
}
