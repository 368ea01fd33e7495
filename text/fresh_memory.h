// Backing memory with pages before a long run of writes fills it.
#ifndef CONSTCHECK_FRESH_MEMORY_H
#define CONSTCHECK_FRESH_MEMORY_H

#include <cstddef>

// Asks the system to back the whole pages inside `bytes` .. `bytes + count`
// now, because they are about to be written in full. A hint only: the bytes
// are left as they are, and where the system cannot or will not, the writes
// fault the pages in one by one as they always do.
void backBeforeFilling(char* bytes, std::size_t count) noexcept;

#endif
