#include "sql3_rowimage.h"

#include <cstring>

namespace {

constexpr uint32_t kHasValue = 0x80000000u;
constexpr uint32_t kOffsetMask = 0x7fffffffu;

struct Header {
    uint32_t serial;
    uint32_t cells;
};

}  // namespace

TRowImage::TRowImage(const std::vector<Slot>& cells, qint64 rowId, uint32_t serial) : RowId(rowId)
{
    qsizetype total = 0;
    for (const Slot& s : cells)
        total += s.hasValue ? s.length : 0;
    const size_t head = sizeof(Header) + cells.size() * sizeof(uint32_t);
    buffer_ = std::make_unique_for_overwrite<char[]>(head + size_t(total));
    const Header h{serial, uint32_t(cells.size())};
    std::memcpy(buffer_.get(), &h, sizeof h);
    char* data = buffer_.get() + head;
    uint32_t end = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        const Slot& s = cells[i];
        if (s.hasValue && s.length > 0) {
            std::memcpy(data + end, s.data, size_t(s.length));
            end += uint32_t(s.length);
        }
        const uint32_t entry = end | (s.hasValue ? kHasValue : 0);
        std::memcpy(buffer_.get() + sizeof(Header) + i * sizeof(uint32_t), &entry, sizeof entry);
    }
}

TRowImage::TRowImage(const TRowImage& other) : RowId(other.RowId)
{
    if (other.buffer_) {
        const size_t size = size_t(other.DataSize());
        buffer_ = std::make_unique_for_overwrite<char[]>(size);
        std::memcpy(buffer_.get(), other.buffer_.get(), size);
    }
}

TRowImage& TRowImage::operator=(const TRowImage& other)
{
    if (this != &other) {
        TRowImage copy(other);
        *this = std::move(copy);
    }
    return *this;
}

int TRowImage::SlotCount() const
{
    if (!buffer_)
        return 0;
    Header h;
    std::memcpy(&h, buffer_.get(), sizeof h);
    return int(h.cells);
}

uint32_t TRowImage::Serial() const
{
    if (!buffer_)
        return 0;
    Header h;
    std::memcpy(&h, buffer_.get(), sizeof h);
    return h.serial;
}

const uint32_t* TRowImage::Ends() const
{
    return reinterpret_cast<const uint32_t*>(buffer_.get() + sizeof(Header));
}

const char* TRowImage::Data() const
{
    return buffer_.get() + sizeof(Header) + size_t(SlotCount()) * sizeof(uint32_t);
}

bool TRowImage::HasValue(int slot) const
{
    if (slot < 0 || slot >= SlotCount())
        return false;
    uint32_t e;
    std::memcpy(&e, Ends() + slot, sizeof e);
    return e & kHasValue;
}

QByteArrayView TRowImage::Bytes(int slot) const
{
    if (slot < 0 || slot >= SlotCount())
        return {};
    uint32_t begin = 0, end;
    if (slot > 0) {
        std::memcpy(&begin, Ends() + slot - 1, sizeof begin);
        begin &= kOffsetMask;
    }
    std::memcpy(&end, Ends() + slot, sizeof end);
    end &= kOffsetMask;
    return QByteArrayView(Data() + begin, end - begin);
}

qsizetype TRowImage::DataSize() const
{
    if (!buffer_)
        return 0;
    const int n = SlotCount();
    uint32_t last = 0;
    if (n > 0) {
        std::memcpy(&last, Ends() + n - 1, sizeof last);
        last &= kOffsetMask;
    }
    return qsizetype(sizeof(Header) + size_t(n) * sizeof(uint32_t) + last);
}

TRowImage TRowImage::WithSlot(int slot, bool hasValue, QByteArrayView bytes) const
{
    const int n = SlotCount();
    std::vector<Slot> cells(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const QByteArrayView b = Bytes(i);
        cells[size_t(i)] = {b.data(), b.size(), HasValue(i)};
    }
    if (slot >= 0 && slot < n)
        cells[size_t(slot)] = {bytes.data(), hasValue ? bytes.size() : 0, hasValue};
    return TRowImage(cells, RowId, Serial());
}
