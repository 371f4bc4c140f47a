#pragma once

#include "platform/reading/FolderReadAhead.h"

#include <memory>
#include <string>

// The readers of folders on shares, started at the first folder wanted. A folder on a share always waits for the
// network: it is read ahead at once, far ahead and by many readers, which wait on the network and not on a core.
class ShareReaders
{
public:
    // How far ahead a command names folders on a share.
    static constexpr int kReach = 64;

    // The readers, started now if they were not; for tests that wait for them.
    FolderReadAhead& readers();
    void want(std::string folder, bool subfolders) { readers().want(std::move(folder), subfolders); }
    // Files to look up ahead (see FolderReadAhead::wantFiles).
    void wantFiles(std::string paths) { readers().wantFiles(std::move(paths)); }
    // Drops every folder not yet started, where the readers were started.
    void dropPending();

private:
    static constexpr int kReaders = 32;

    std::unique_ptr<FolderReadAhead> m_readers;
};
