#pragma once

#include "base/Clock.h"
#include "platform/reading/DiskTiming.h"
#include "platform/reading/FolderEntries.h"

#include <cerrno>
#include <cstddef>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

// A folder being listed, read straight from the kernel a buffer at a time: no stream of the C library, which
// would look at the folder twice more before the first name.
class FolderReader
{
public:
    // Opens the folder `name` of the folder `in` (or AT_FDCWD) for listing. Its first read counts one ask in
    // `timing`, and one from the disk if it took as long as a disk does: its entries were not in memory.
    FolderReader(int in, const char* name, DiskTiming& timing)
        : m_timing(timing), m_opening(Clock::nowNs()), m_fd(::openat(in, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {}
    ~FolderReader()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    explicit operator bool() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // The next entry, or null at the end; errno tells an end from a failure.
    dirent64* next()
    {
        if (m_at == m_filled) {
            const ssize_t filled = readFolderEntries(m_fd, m_buffer, sizeof m_buffer);
            const int error = filled < 0 ? errno : 0;
            if (!m_counted) {
                m_counted = true;
                m_timing.count(m_opening, filled > 0);
            }
            errno = error;
            if (filled <= 0)
                return nullptr;
            m_filled = std::size_t(filled);
            m_at = 0;
        }
        auto* entry = reinterpret_cast<dirent64*>(m_buffer + m_at);
        m_at += entry->d_reclen;
        return entry;
    }

private:
    DiskTiming& m_timing;
    bool m_counted = false;
    qint64 m_opening;
    int m_fd;
    std::size_t m_at = 0;
    std::size_t m_filled = 0;
    alignas(dirent64) char m_buffer[32768];
};
