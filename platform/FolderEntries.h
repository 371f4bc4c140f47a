#pragma once

#include <cerrno>
#include <cstddef>
#include <dirent.h>
#include <sys/types.h>

// Reading a folder's entries straight from the kernel, as the listing and the readers ahead of it do.

// Whether a folder entry's name is "." or "..", the folder itself or the one above it.
inline bool isDotName(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Fills the buffer with the folder's next entries (dirent64 records): the bytes filled, 0 at the end, -1 with
// errno on a failure. A read cut short by a signal is tried again.
inline ssize_t readFolderEntries(int fd, char* buffer, std::size_t size)
{
    ssize_t filled;
    do
        filled = ::getdents64(fd, buffer, size);
    while (filled < 0 && errno == EINTR);
    return filled;
}
