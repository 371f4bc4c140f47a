#include "platform/QtYield.h"

#include "platform/Failure.h"

#include <QCoreApplication>

void QtYield::PaintOnly()
{
    if (m_closed)
        return;
    const qint64 now = m_clock.nsecsElapsed();
    if (now - m_lastPaint < kIntervalNs || now - m_lastEvents < kIntervalNs)
        return;
    // The window system's input (keys, the mouse, a request to close) waits: what is processed are timers,
    // posted work and the window system's paint and geometry events.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_lastPaint = m_clock.nsecsElapsed();
}

void QtYield::DoEvents()
{
    if (m_closed)
        throw ProgramClosing{};
    if (++m_calls < m_stride)
        return;
    m_calls = 0;
    const qint64 now = m_clock.nsecsElapsed();
    const qint64 sinceRead = now - m_lastRead;
    m_lastRead = now;
    if (sinceRead > kIntervalNs / 8)
        m_stride = 1;
    else if (sinceRead < kIntervalNs / 64 && m_stride < kMostCallsUnread)
        m_stride *= 2;
    if (now - m_lastEvents < kIntervalNs)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_lastEvents = m_lastRead = m_clock.nsecsElapsed();
    if (m_closed)
        throw ProgramClosing{};
}
