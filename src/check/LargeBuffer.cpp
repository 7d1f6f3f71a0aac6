// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/LargeBuffer.h"

#include <cstdint>
#include <cstring>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace check {

void AdviseLargeBuffer(void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only whole huge pages inside the buffer can be advised.
    constexpr uintptr_t Huge = uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (begin + Huge - 1) & ~(Huge - 1), last = (begin + bytes) & ~(Huge - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

void FileBytes::reserve(size_t n) {
    if (n <= Capacity) return;
    std::unique_ptr<char[]> grown(new char[n]);
    if (Size > 0) std::memcpy(grown.get(), Data.get(), Size);
    Data = std::move(grown);
    Capacity = n;
}

} // namespace check
