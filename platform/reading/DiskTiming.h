#pragma once

#include "base/Clock.h"

#include <QtGlobal>

#include <cstdint>

// How many of a file system's listings and looks at a folder waited for the disk: what they asked for was not
// in memory. Reading ahead pays only once they do.
struct DiskTiming
{
    // A call into the file system that takes this long waited for the disk. A disk in memory answers a listing or
    // a look in a few microseconds; a disk behind a virtual machine's host, whose own cache holds it, in 50 to 100.
    static constexpr qint64 kFromDiskNs = 40'000;

    std::uint64_t asks = 0;     // listings and looks at a folder
    std::uint64_t fromDisk = 0; // of those, the ones that waited for the disk

    // One ask, started at `startNs`, that has just answered; one that found nothing to read (`read` false)
    // waited for nothing.
    void count(qint64 startNs, bool read = true)
    {
        ++asks;
        fromDisk += read && Clock::nowNs() - startNs > kFromDiskNs;
    }
    // Whether the asks since `before` (an earlier copy) waited for the disk: a few, and one in eight at least.
    bool waitedSince(const DiskTiming& before) const
    {
        const std::uint64_t waited = fromDisk - before.fromDisk;
        return waited >= 4 && waited * 8 >= asks - before.asks;
    }
};
