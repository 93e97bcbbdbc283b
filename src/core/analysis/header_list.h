// The header list: one entry per recorded header, in stream order. Entries keep only the bytes of
// their own record (not a fixed 276-byte block) in a chunked arena, so a long recording costs about
// the size of its picture records and the list never moves memory as it grows.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <type_traits>
#include <vector>

#include "common/huge_page_memory.h"

namespace velmora {

// One entry as seen by readers: its kind, its own position in the list and its record bytes.
struct THeaderRecord {
    int32_t Kind = 0;
    int64_t Index = 0;
    std::span<const uint8_t> Data;

    // The record as type T; bytes the entry does not hold read as 0.
    template <class T>
    T As() const {
        static_assert(std::is_trivially_copyable_v<T>);
        T rec{};
        // An empty entry (a stream code, a file end) has no data pointer, which memcpy must not get.
        if (!Data.empty()) {
            std::memcpy(&rec, Data.data(), Data.size() < sizeof(T) ? Data.size() : sizeof(T));
        }
        return rec;
    }
};

// A stretch of foreign (non-video) data: from the start code value byte at Position up to and
// including the prefix of the next start code.
struct TDataBlock {
    int64_t Position = 0;
    int64_t Length = 0;
};

class THeaderList {
  public:
    int64_t size() const { return static_cast<int64_t>(entries_.size()); }
    bool empty() const { return entries_.empty(); }

    THeaderRecord operator[](int64_t i) const;
    int32_t Kind(int64_t i) const { return entries_[static_cast<size_t>(i)].kind; }

    // Appends an entry whose Index is its position; returns that position.
    int64_t Append(int32_t kind, const void* data, size_t size);
    template <class T>
    int64_t Append(int32_t kind, const T& record) {
        static_assert(std::is_trivially_copyable_v<T>);
        return Append(kind, &record, sizeof(T));
    }
    int64_t AppendEmpty(int32_t kind) { return Append(kind, nullptr, 0); }

    // Writable record bytes of entry i (as many as the entry holds).
    std::span<uint8_t> MutableData(int64_t i);

    void PopBack();
    void Clear();
    // Makes room for Count entries up front, so a list of known length is not copied as it grows.
    void Reserve(int64_t Count) { entries_.reserve(static_cast<size_t>(Count)); }

    // Bytes held by the list (entries and arena), for memory reports.
    size_t MemoryBytes() const;

  private:
    struct Entry {
        int32_t kind;
        uint32_t size;
        uint64_t offset;  // chunk index * kChunkSize + offset in chunk
    };
    // Huge-page sized, so that filling a long list takes one page fault per chunk.
    static constexpr size_t kChunkSize = kHugePageSize;

    uint8_t* At(uint64_t offset) const { return chunks_[offset / kChunkSize].get() + offset % kChunkSize; }

    std::vector<Entry, THugePageAllocator<Entry>> entries_;
    std::vector<THugePageBytes> chunks_;
    uint64_t used_ = 0;  // arena bytes handed out, counting the unused tails of full chunks
};

}  // namespace velmora
