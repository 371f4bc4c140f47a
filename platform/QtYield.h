#pragma once

#include "platform/Yield.h"

#include <QElapsedTimer>

// Processes the pending events of the user interface. A long command yields once per item; calls that come
// within a few milliseconds of the last processing return at once, so that a per-item yield costs almost
// nothing and the window still never waits much longer than that interval. While calls come fast, the clock
// is read only every few calls; a slow call brings the reading back to every call.
class QtYield : public Yield
{
public:
    static constexpr qint64 kIntervalNs = 4'000'000;

    QtYield() { m_clock.start(); }
    void DoEvents() override;
    void PaintOnly() override;
    // After the window has closed, every yield ends the running command: none resumes.
    void close() { m_closed = true; }
    bool closed() const { return m_closed; }

private:
    static constexpr int kMostCallsUnread = 16;

    QElapsedTimer m_clock;
    qint64 m_lastRead = 0;
    qint64 m_lastEvents = 0;
    qint64 m_lastPaint = 0;
    int m_stride = 1; // calls between two readings of the clock
    int m_calls = 0;
    bool m_closed = false;
};
