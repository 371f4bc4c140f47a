#pragma once

#include <cstddef>
#include <memory>
#include <string>

// Reads folders on worker threads ahead of the command that will list them, and throws what it read away:
// the kernel then has their entries (and, on request, their subfolders' details) in memory when the command
// gets there. The command still reads every folder itself, so what it lists, and when, is unchanged; only
// a cold disk's or a slow share's waiting moves off the program's thread. Holds nothing but folder names, at
// most a few folders ahead; a worker that cannot be started leaves the reading to the command.
//
// The workers are never joined: one that a share holds for ever in a read must not hold the program when it
// ends. What they share lives as long as the last of them.
class FolderReadAhead
{
public:
    explicit FolderReadAhead(int threads, std::size_t mostPending = 16);
    ~FolderReadAhead(); // drops what is pending; the folders being read are finished and thrown away
    FolderReadAhead(const FolderReadAhead&) = delete;
    FolderReadAhead& operator=(const FolderReadAhead&) = delete;

    int threads() const { return m_threads; }
    std::size_t mostPending() const { return m_mostPending; }
    // A folder to read ahead, after those already asked for; the oldest pending one makes room for it. The path
    // ends without a separator, so that it names the folder itself and not where a link leads.
    // With `subfolders`, each subfolder found is looked up too.
    void want(std::string path, bool subfolders);
    // Files to look up ahead, after what was already asked for: `paths` holds paths of files of one folder, each
    // ended by a NUL. Their details are thrown away; the kernel keeps them for the command's own lookups.
    void wantFiles(std::string paths);
    // Drops every folder not yet started.
    void dropPending();
    // Waits until no folder is pending or being read.
    void waitUntilIdle();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    int m_threads = 0;
    std::size_t m_mostPending;
};
