#include "platform/QtYield.h"

#include "platform/Failure.h"

#include <QCoreApplication>

#include <ctime>

namespace {

// The monotonic clock as the kernel last ticked it: a few nanoseconds a reading, a few milliseconds fine.
qint64 coarseNowNs()
{
    timespec now;
#ifdef CLOCK_MONOTONIC_COARSE
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
#else
    ::clock_gettime(CLOCK_MONOTONIC, &now);
#endif
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

void QtYield::PaintOnly()
{
    if (m_closed)
        return;
    const qint64 now = coarseNowNs();
    if (now - m_lastPaint < kIntervalNs || now - m_lastEvents < kIntervalNs)
        return;
    // The window system's input (keys, the mouse, a request to close) waits: what is processed are timers,
    // posted work and the window system's paint and geometry events.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_lastPaint = coarseNowNs();
}

void QtYield::DoEvents()
{
    if (m_closed)
        throw ProgramClosing{};
    if (coarseNowNs() - m_lastEvents < kIntervalNs)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_lastEvents = coarseNowNs();
    if (m_closed)
        throw ProgramClosing{};
}
