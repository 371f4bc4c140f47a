#include "platform/qt/QtYield.h"

#include "base/Clock.h"
#include "base/Failure.h"
#include "platform/qt/CommandGate.h"

#include <QCoreApplication>

using Clock::coarseNowNs;

void QtYield::paintOnly()
{
    if (m_closed)
        return;
    const qint64 now = coarseNowNs();
    if (now - m_lastPaint < kIntervalNs || now - m_lastEvents < kIntervalNs)
        return;
    // Timers, paints and a request to close are taken; the gate holds the user's input back until a command
    // may start again, and refuses drops.
    const CommandGate::Scope waiting(m_gate, CommandGate::Moment::Waiting);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_lastPaint = coarseNowNs();
}

void QtYield::DoEvents()
{
    if (m_closed)
        throw ProgramClosing{};
    if (coarseNowNs() - m_lastEvents < kIntervalNs)
        return;
    {
        const CommandGate::Scope yielding(m_gate, CommandGate::Moment::Yielding);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    m_lastEvents = coarseNowNs();
    if (m_closed)
        throw ProgramClosing{};
}
