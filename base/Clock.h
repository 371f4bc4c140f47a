#pragma once

#include <QtGlobal>

#include <ctime>

// The monotonic clock, in nanoseconds.
namespace Clock {

inline qint64 nowNs()
{
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// As the kernel last ticked it: a few nanoseconds a reading, a few milliseconds fine. For intervals of a
// millisecond and more.
inline qint64 coarseNowNs()
{
    timespec now;
#ifdef CLOCK_MONOTONIC_COARSE
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
#else
    ::clock_gettime(CLOCK_MONOTONIC, &now);
#endif
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace Clock
