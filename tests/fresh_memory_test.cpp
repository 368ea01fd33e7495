#include "fresh_memory.h"

#include <gtest/gtest.h>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

TEST(FreshMemory, BacksEveryWholePageAndKeepsTheBytes) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    // Past the highest mmap threshold that glibc may rise to, so the pages come fresh from the system.
    const std::size_t count = std::size_t{32} << 20;
    std::unique_ptr<char[]> array(new char[count + 1]);
    char* bytes = array.get() + 1;  // off a page boundary at both ends
    bytes[count / 2] = '7';

    backBeforeFilling(bytes, count);

    EXPECT_EQ(bytes[count / 2], '7');
    char* first = bytes + (page - reinterpret_cast<std::uintptr_t>(bytes) % page) % page;
    std::vector<unsigned char> resident(static_cast<std::size_t>(bytes + count - first) / page);
    ASSERT_EQ(mincore(first, resident.size() * page, resident.data()), 0);
    const auto backed = std::count_if(resident.begin(), resident.end(), [](unsigned char state) { return state & 1U; });
    EXPECT_EQ(static_cast<std::size_t>(backed), resident.size());
}
#endif
