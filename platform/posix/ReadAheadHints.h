#pragma once

#include "platform/FileSystem.h"
#include "platform/reading/DiskTiming.h"

#include <deque>
#include <string>

class PosixFileSystem;

// A command's hints about the folders it will list soon, handed to the file system's readers.
//
// Reading ahead pays only where the folders come from the disk; where they are in memory already, the
// readers would only compete with the command. The hints are held back until the command's listings
// wait for the disk, a few and one in eight at least, and then given from the last few on. A folder on a
// share always waits for the network: it goes to the readers of shares at once, and far ahead.
class ReadAheadHints : public FileSystem::ReadAhead
{
public:
    ReadAheadHints(PosixFileSystem& files, bool subfolders);
    ~ReadAheadHints() override; // drops the folders not yet started
    void want(const QString& folder) override;
    int reach() const override { return m_reach; }

private:
    PosixFileSystem& m_files;
    bool m_subfolders;
    bool m_open = false;
    int m_reach;
    DiskTiming m_before; // the file system's timing when the command began
    std::deque<std::string> m_heldBack;
};
