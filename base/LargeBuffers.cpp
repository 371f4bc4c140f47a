#include "base/LargeBuffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace {
// About a millisecond of the kernel's work each.
constexpr std::uintptr_t kSliceBytes = std::uintptr_t(16) << 20;
} // namespace

void releaseInSlices(QByteArray&& bytes, const std::function<void()>& between)
{
    QByteArray held = std::move(bytes);
    // A shared buffer is left to its other holder (data() would copy it first).
    if (!held.isDetached() || std::uintptr_t(held.size()) < 2 * kSliceBytes)
        return;
    // Only whole pages inside the bytes go back early: the allocator keeps its records outside them, and what
    // the pages read afterwards (zeros) is never read.
    const auto page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(held.data());
    const std::uintptr_t first = (start + page - 1) / page * page;
    const std::uintptr_t end = (start + std::uintptr_t(held.size())) / page * page;
    for (std::uintptr_t at = first; at < end; at += kSliceBytes) {
        ::madvise(reinterpret_cast<void*>(at), std::min(kSliceBytes, end - at), MADV_DONTNEED);
        between();
    }
}
