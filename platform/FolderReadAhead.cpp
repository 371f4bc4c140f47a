#include "platform/FolderReadAhead.h"

#include "platform/FolderEntries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

namespace {

// Whether the path is a folder (not a link) on the file system of the folder that holds it. A mount point is
// left to the command: opening one may mount a file system or wait for a server.
bool isPlainFolder(const std::string& path)
{
    std::string parent = path;
    const std::size_t slash = parent.rfind('/');
    if (slash == std::string::npos)
        return false;
    parent.resize(slash == 0 ? 1 : slash);
    struct stat folder, holder;
    return ::lstat(path.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode) && ::lstat(parent.c_str(), &holder) == 0 &&
           folder.st_dev == holder.st_dev;
}

// Reads the folder's entries into the kernel's memory and, with `subfolders`, looks each subfolder up.
void readFolder(const std::string& path, bool subfolders)
{
    if (!isPlainFolder(path))
        return;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return;
    alignas(dirent64) char buffer[32768];
    for (ssize_t filled; (filled = readFolderEntries(fd, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; subfolders && at < filled;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            struct stat info;
            if ((entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN) && !isDotName(entry->d_name))
                (void)::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW);
        }
    }
    ::close(fd);
}

} // namespace

FolderReadAhead::FolderReadAhead(int threads)
{
    for (int i = 0; i < threads; ++i) {
        try {
            m_workers.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break; // fewer readers, or none: only the time changes
        }
    }
}

FolderReadAhead::~FolderReadAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_pending.clear();
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void FolderReadAhead::want(std::string path, bool subfolders)
{
    if (m_workers.empty())
        return;
    {
        std::lock_guard lock(m_mutex);
        if (m_pending.size() >= kMostPending)
            m_pending.pop_front();
        m_pending.push_back(Job{std::move(path), subfolders});
    }
    m_wake.notify_one();
}

void FolderReadAhead::dropPending()
{
    std::lock_guard lock(m_mutex);
    m_pending.clear();
    if (m_busy == 0)
        m_idle.notify_all();
}

void FolderReadAhead::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_pending.empty() && m_busy == 0; });
}

void FolderReadAhead::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
        if (m_stopping)
            return;
        const Job job = std::move(m_pending.front());
        m_pending.pop_front();
        ++m_busy;
        lock.unlock();
        readFolder(job.path, job.subfolders);
        lock.lock();
        if (--m_busy == 0 && m_pending.empty())
            m_idle.notify_all();
    }
}
