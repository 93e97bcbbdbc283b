// Memory for the large arrays of a long header list, backed by 2 MiB pages where the system allows:
// filling such an array then takes one page fault per 2 MiB rather than one per 4 KiB, and the faults
// cost more than the copying when a cache file loads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace velmora {

inline constexpr size_t kHugePageSize = size_t{2} << 20;

// Bytes from malloc, or whole 2 MiB pages with a huge-page hint when they are at least a quarter of
// one (the rest of the page is cheaper than a fault per 4 KiB); either way released with std::free. Throws
// std::bad_alloc when memory runs out.
void* AllocateHugePageBacked(size_t Bytes);
void FreeHugePageBacked(void* Pointer) noexcept;

// Owns a byte array from AllocateHugePageBacked.
struct THugePageFree {
    void operator()(void* Pointer) const noexcept { FreeHugePageBacked(Pointer); }
};
using THugePageBytes = std::unique_ptr<uint8_t[], THugePageFree>;

// Lets a std::vector keep its elements in such memory.
template <class T>
struct THugePageAllocator {
    using value_type = T;

    THugePageAllocator() = default;
    template <class U>
    THugePageAllocator(const THugePageAllocator<U>&) noexcept {}

    T* allocate(size_t Count) {
        if (Count > static_cast<size_t>(-1) / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        return static_cast<T*>(AllocateHugePageBacked(Count * sizeof(T)));
    }
    void deallocate(T* Pointer, size_t) noexcept { FreeHugePageBacked(Pointer); }

    template <class U>
    bool operator==(const THugePageAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace velmora
