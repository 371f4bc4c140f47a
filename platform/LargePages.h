#pragma once

#include <cstddef>

// Asks the kernel to back the untouched memory of a large buffer with large pages, where it can: one page
// fault per 2 MB instead of one per 4 KB when the buffer is first written. Only the whole large pages inside
// the buffer are named; a kernel that declines changes nothing but the time.
void AdviseLargePages(void* data, std::size_t size);
