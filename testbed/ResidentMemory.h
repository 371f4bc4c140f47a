#pragma once

#include <QtGlobal>

#include <fstream>
#include <unistd.h>

// What the kernel counts as the process's memory in use, in bytes.
inline qint64 residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    qint64 pages = 0;
    statm >> pages >> pages; // the size, then the resident pages
    return statm ? pages * ::sysconf(_SC_PAGESIZE) : 0;
}
