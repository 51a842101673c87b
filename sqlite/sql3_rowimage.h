#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <cstdint>
#include <memory>
#include <vector>

// One fetched row: a slot per field (has-value flag and the value's bytes) and the rowid. The
// cells live in one allocation, so a row costs its data and a few bytes per field: text stays in
// the bytes the database stores and is decoded only when a field is read.
class TRowImage {
public:
    struct Slot {
        const void* data = nullptr;
        qsizetype length = 0;
        bool hasValue = false;
    };

    TRowImage() = default;
    TRowImage(const std::vector<Slot>& cells, qint64 rowId, uint32_t serial);
    TRowImage(const TRowImage& other);
    TRowImage& operator=(const TRowImage& other);
    TRowImage(TRowImage&&) noexcept = default;
    TRowImage& operator=(TRowImage&&) noexcept = default;

    bool IsValid() const { return bool(buffer_); }
    int SlotCount() const;
    uint32_t Serial() const;
    bool HasValue(int slot) const;
    QByteArrayView Bytes(int slot) const;
    qsizetype DataSize() const;  // bytes held by the allocation

    // A copy with one slot replaced (edits are rare; rows are rebuilt whole).
    TRowImage WithSlot(int slot, bool hasValue, QByteArrayView bytes) const;

    qint64 RowId = -1;

private:
    const uint32_t* Ends() const;
    const char* Data() const;
    std::unique_ptr<char[]> buffer_;
};
