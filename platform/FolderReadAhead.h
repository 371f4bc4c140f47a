#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Reads folders on worker threads ahead of the command that will list them, and throws what it read away:
// the kernel then has their entries (and, on request, their subfolders' details) in memory when the command
// gets there. The command still reads every folder itself, so what it lists, and when, is unchanged; only
// a cold disk's waiting moves off the program's thread. Holds nothing but folder names, at most a few
// folders ahead; a worker that cannot be started leaves the reading to the command.
class FolderReadAhead
{
public:
    static constexpr std::size_t kMostPending = 16;

    explicit FolderReadAhead(int threads);
    ~FolderReadAhead(); // drops what is pending and waits for the folders being read
    FolderReadAhead(const FolderReadAhead&) = delete;
    FolderReadAhead& operator=(const FolderReadAhead&) = delete;

    int threads() const { return int(m_workers.size()); }
    // A folder to read ahead, after those already asked for; the oldest pending one makes room for it. The path
    // ends without a separator, so that it names the folder itself and not where a link leads.
    // With `subfolders`, each subfolder found is looked up too.
    void want(std::string path, bool subfolders);
    // Drops every folder not yet started.
    void dropPending();
    // Waits until no folder is pending or being read.
    void waitUntilIdle();

private:
    struct Job
    {
        std::string path;
        bool subfolders;
    };
    void work();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_pending;
    int m_busy = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};
