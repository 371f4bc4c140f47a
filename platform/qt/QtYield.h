#pragma once

#include "platform/Yield.h"

#include <QtGlobal>

class CommandGate;

// Processes the pending events of the user interface. A long command yields once per item; calls that come
// within a few milliseconds of the last processing return at once, so that a per-item yield costs almost
// nothing and the window still never waits much longer than that interval. Every call looks at the clock (the
// kernel's coarse one, which costs a few nanoseconds), so an item that took long, a folder on a slow share or
// a line of a list file that came late, is never let pass without the window getting its turn.
class QtYield : public Yield
{
public:
    static constexpr qint64 kIntervalNs = 4'000'000;

    explicit QtYield(CommandGate& gate) : m_gate(gate) {}
    void DoEvents() override;
    void paintOnly() override;
    // After the window has closed, every yield ends the running command: none resumes.
    void close() { m_closed = true; }
    bool closed() const { return m_closed; }

private:
    CommandGate& m_gate;
    qint64 m_lastEvents = 0; // on the kernel's coarse monotonic clock
    qint64 m_lastPaint = 0;
    bool m_closed = false;
};
