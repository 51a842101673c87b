#include "sql3_api.h"
#include "sql3_utils.h"

#include <QCollator>
#include <QVarLengthArray>

#include <cstring>

namespace {

using Buffer = QVarLengthArray<char16_t, 256>;

int Sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

int Compare(const Buffer& a, const Buffer& b)
{
    return Sign(NativeCollator().compare(QStringView(a.data(), a.size()), QStringView(b.data(), b.size())));
}

// Decoding through a table keeps the comparison free of converter calls; the engine calls it
// for every step of a sort or an index search.
void DecodeCodePage(const void* text, int length, Buffer& out)
{
    static const QString table = [] {
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        return FromCodePage(all);
    }();
    const auto* bytes = static_cast<const unsigned char*>(text);
    out.resize(length);
    const QChar* map = table.constData();
    for (int i = 0; i < length; ++i)
        out[i] = map[bytes[i]].unicode();
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

int NativeCompareCodePage(void*, int length1, const void* text1, int length2, const void* text2)
{
    Buffer a, b;
    DecodeCodePage(text1, length1, a);
    DecodeCodePage(text2, length2, b);
    return Compare(a, b);
}

int NativeCompareUtf16(void*, int length1, const void* text1, int length2, const void* text2)
{
    Buffer a, b;
    CopyUtf16(text1, length1, false, a);
    CopyUtf16(text2, length2, false, b);
    return Compare(a, b);
}

int NativeCompareUtf16Swapped(void*, int length1, const void* text1, int length2, const void* text2)
{
    Buffer a, b;
    CopyUtf16(text1, length1, true, a);
    CopyUtf16(text2, length2, true, b);
    return Compare(a, b);
}
