#include "platform/LargeMemory.h"

#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace platform {

namespace {
constexpr std::size_t HugePage = std::size_t{2} << 20;
}

void* AllocateLarge(std::size_t bytes)
{
    if (bytes < HugePage) {
        void* p = std::malloc(bytes == 0 ? 1 : bytes);
        if (!p) throw std::bad_alloc();
        return p;
    }
    const std::size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
    void* p = std::aligned_alloc(HugePage, rounded);
    if (!p) throw std::bad_alloc();
    // Only advice: without huge pages the block works all the same.
    ::madvise(p, rounded, MADV_HUGEPAGE);
    return p;
}

void FreeLarge(void* block) noexcept { std::free(block); }

} // namespace platform
