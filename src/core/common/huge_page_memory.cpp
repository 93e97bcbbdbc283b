#include "common/huge_page_memory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace velmora {

void* AllocateHugePageBacked(size_t Bytes) {
    void* memory = nullptr;
    if (Bytes >= kHugePageSize / 4) {
        const size_t rounded = (Bytes + kHugePageSize - 1) / kHugePageSize * kHugePageSize;
        memory = std::aligned_alloc(kHugePageSize, rounded);
        if (memory != nullptr) {
            ::madvise(memory, rounded, MADV_HUGEPAGE);  // a hint only: small pages work too
        }
    } else {
        memory = std::malloc(Bytes == 0 ? 1 : Bytes);
    }
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}

void FreeHugePageBacked(void* Pointer) noexcept {
    std::free(Pointer);
}

}  // namespace velmora
