#include "platform/reading/FolderReadAhead.h"

#include "platform/reading/FolderEntries.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

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

// Looks up each file of the pool of paths, each ended by a NUL.
void lookUpFiles(const std::string& paths)
{
    for (std::size_t at = 0; at < paths.size();) {
        const char* path = paths.c_str() + at;
        struct stat info;
        (void)::stat(path, &info);
        at += std::strlen(path) + 1;
    }
}

} // namespace

struct FolderReadAhead::Shared
{
    struct Job
    {
        std::string path; // a folder's, or the paths of files to look up
        bool subfolders;
        bool files = false;
    };

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<Job> pending;
    int busy = 0;
    bool stopping = false;

    void work()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || !pending.empty(); });
            if (stopping)
                return;
            const Job job = std::move(pending.front());
            pending.pop_front();
            ++busy;
            lock.unlock();
            if (job.files)
                lookUpFiles(job.path);
            else
                readFolder(job.path, job.subfolders);
            lock.lock();
            if (--busy == 0 && pending.empty())
                idle.notify_all();
        }
    }
};

FolderReadAhead::FolderReadAhead(int threads, std::size_t mostPending)
    : m_shared(std::make_shared<Shared>()), m_mostPending(mostPending)
{
    for (int i = 0; i < threads; ++i) {
        try {
            std::thread([shared = m_shared] { shared->work(); }).detach();
            ++m_threads;
        } catch (const std::system_error&) {
            break; // fewer readers, or none: only the time changes
        }
    }
}

FolderReadAhead::~FolderReadAhead()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->stopping = true;
    m_shared->pending.clear();
    m_shared->wake.notify_all();
}

void FolderReadAhead::want(std::string path, bool subfolders)
{
    if (m_threads == 0)
        return;
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_shared->pending.size() >= m_mostPending)
            m_shared->pending.pop_front();
        m_shared->pending.push_back(Shared::Job{std::move(path), subfolders});
    }
    m_shared->wake.notify_one();
}

void FolderReadAhead::wantFiles(std::string paths)
{
    if (m_threads == 0)
        return;
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_shared->pending.size() >= m_mostPending)
            m_shared->pending.pop_front();
        m_shared->pending.push_back(Shared::Job{std::move(paths), false, true});
    }
    m_shared->wake.notify_one();
}

void FolderReadAhead::dropPending()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->pending.clear();
    if (m_shared->busy == 0)
        m_shared->idle.notify_all();
}

void FolderReadAhead::waitUntilIdle()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->idle.wait(lock, [this] { return m_shared->pending.empty() && m_shared->busy == 0; });
}
