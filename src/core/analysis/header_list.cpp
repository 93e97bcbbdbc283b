#include "analysis/header_list.h"

namespace velmora {

THeaderRecord THeaderList::operator[](int64_t i) const {
    const Entry& e = entries_[static_cast<size_t>(i)];
    THeaderRecord rec;
    rec.Kind = e.kind;
    rec.Index = i;
    if (e.size > 0) {
        rec.Data = std::span<const uint8_t>(At(e.offset), e.size);
    }
    return rec;
}

int64_t THeaderList::Append(int32_t kind, const void* data, size_t size) {
    Entry e{kind, static_cast<uint32_t>(size), used_};
    if (size > 0) {
        if (used_ % kChunkSize + size > kChunkSize || used_ / kChunkSize >= chunks_.size()) {
            if (used_ % kChunkSize != 0) {
                used_ = (used_ / kChunkSize + 1) * kChunkSize;
            }
            if (used_ / kChunkSize >= chunks_.size()) {
                // Append writes every byte it hands out: the chunk needs no clearing.
                chunks_.emplace_back(static_cast<uint8_t*>(AllocateHugePageBacked(kChunkSize)));
            }
        }
        e.offset = used_;
        if (data != nullptr) {
            std::memcpy(At(used_), data, size);
        } else {
            std::memset(At(used_), 0, size);
        }
        used_ += size;
    }
    entries_.push_back(e);
    return size_t(entries_.size()) - 1;
}

std::span<uint8_t> THeaderList::MutableData(int64_t i) {
    const Entry& e = entries_[static_cast<size_t>(i)];
    if (e.size == 0) {
        return {};
    }
    return std::span<uint8_t>(At(e.offset), e.size);
}

void THeaderList::PopBack() {
    const Entry e = entries_.back();
    entries_.pop_back();
    if (e.size > 0 && e.offset + e.size == used_) {
        used_ = e.offset;
    }
}

void THeaderList::Clear() {
    entries_.clear();
    entries_.shrink_to_fit();
    chunks_.clear();
    used_ = 0;
}

size_t THeaderList::MemoryBytes() const {
    return entries_.capacity() * sizeof(Entry) + chunks_.size() * kChunkSize;
}

}  // namespace velmora
