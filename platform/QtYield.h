#pragma once

#include "platform/Yield.h"

#include <QElapsedTimer>

// Processes the pending events of the user interface. A long command yields once per item; calls that come
// within a few milliseconds of the last processing return at once, so that a per-item yield costs almost
// nothing and the window still never waits more than that interval plus one item.
class QtYield : public Yield
{
public:
    static constexpr int kIntervalMs = 4;

    void DoEvents() override;
    // After the window has closed, every yield ends the running command: none resumes.
    void close() { m_closed = true; }
    bool closed() const { return m_closed; }

private:
    QElapsedTimer m_sinceLast;
    bool m_closed = false;
};
