#include "fresh_memory.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#endif

void backBeforeFilling(char* bytes, std::size_t count) noexcept {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    // A fault on each fresh page costs more than the page's bytes do, and a
    // line read through a pipe is written into fresh memory twice (its blocks,
    // then its final array). One call per range backs its pages at once, which
    // halves that cost; below this size a few faults are cheaper than the call.
    constexpr std::size_t worthwhile = std::size_t{64} << 10;
    if (count < worthwhile) {
        return;
    }
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const auto address = reinterpret_cast<std::uintptr_t>(bytes);
    char* first = bytes + (page - address % page) % page;
    char* end = bytes + count - (address + count) % page;
    if (first < end) {
        // Refused before Linux 5.14, and then the writes fault the pages in; short
        // of memory it fares as those writes would.
        (void)madvise(first, static_cast<std::size_t>(end - first), MADV_POPULATE_WRITE);
    }
#else
    (void)bytes;
    (void)count;
#endif
}
