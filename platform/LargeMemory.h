#pragma once
// Large blocks of memory for big tables (the element array): aligned to 2 MiB
// and backed by huge pages where the system offers them, so that filling
// hundreds of megabytes does not fault in every 4 KiB page on its own.
#include <cstddef>

namespace platform {

// At least `bytes` of uninitialised memory; throws std::bad_alloc.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* block) noexcept;

} // namespace platform
