#pragma once

#include "platform/FileSystem.h"
#include "platform/reading/DiskTiming.h"
#include "platform/reading/FolderReadAhead.h"
#include "platform/shares/MountTable.h"
#include "platform/shares/ShareReaders.h"

#include <QByteArray>

#include <deque>
#include <functional>
#include <memory>
#include <string>

// The readers of local disks, started at the first folder a command's hints let through.
class DiskReaders
{
public:
    // How far ahead a command names folders on a disk.
    static constexpr int kReach = 32;

    explicit DiskReaders(int threads) : m_threads(threads) {}
    int threads() const { return m_threads; }
    FolderReadAhead& readers();
    void dropPending()
    {
        if (m_readers)
            m_readers->dropPending();
    }

private:
    int m_threads;
    std::unique_ptr<FolderReadAhead> m_readers;
};

// A command's hints about the folders it will list soon, handed to the file system's readers.
//
// Reading ahead pays only where the folders come from the disk; where they are in memory already, the
// readers would only compete with the command. The hints are held back until the command's listings
// wait for the disk, a few and one in eight at least, and then given from the last few on. A folder on a
// share always waits for the network: it goes to the readers of shares at once, and far ahead.
class ReadAheadHints : public FileSystem::ReadAhead
{
public:
    // What the hints reach of the file system that gives them out.
    struct Sources
    {
        std::function<QByteArray(const QString&)> folderName; // a folder's path as the file system's calls take it
        DiskTiming& timing;
        MountTable& mounts;
        DiskReaders& diskReaders;
        ShareReaders& shareReaders;
        bool alwaysReadAhead;
    };
    ReadAheadHints(Sources sources, bool subfolders);
    ~ReadAheadHints() override; // drops the folders not yet started
    void want(const QString& folder) override;
    int reach() const override { return m_reach; }

private:
    Sources m_sources;
    bool m_subfolders;
    bool m_open = false;
    int m_reach = DiskReaders::kReach;
    DiskTiming m_before; // the file system's timing when the command began
    std::deque<std::string> m_heldBack;
};
