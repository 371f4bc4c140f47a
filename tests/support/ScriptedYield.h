#pragma once

#include "platform/Yield.h"

#include <QStringList>

#include <functional>
#include <map>

// The yield for tests: counts the calls and runs what a test has placed at a given call, nested inside the
// command that yields, as the event loop would run a click. Optionally lets Qt's own events run too.
class ScriptedYield : public Yield
{
public:
    // Runs `action` at the n-th yield from now on (1 = the next one).
    void at(int n, std::function<void()> action) { m_actions.emplace(m_calls + n, std::move(action)); }
    // Runs `action` at every yield.
    void every(std::function<void()> action) { m_every = std::move(action); }
    // Runs `action` at the next yield that only repaints, as a timer or an assistive tool's call would run there.
    void atPaint(std::function<void()> action) { m_atPaint = std::move(action); }
    // Processes Qt's posted events at each yield (announcements to the views, queued signals).
    void setProcessEvents(bool on) { m_processEvents = on; }
    void close() { m_closed = true; }

    int calls() const { return m_calls; }
    QStringList problems() const;

    void DoEvents() override;
    void paintOnly() override;

private:
    int m_calls = 0;
    std::multimap<int, std::function<void()>> m_actions;
    std::function<void()> m_every;
    std::function<void()> m_atPaint;
    bool m_processEvents = false;
    bool m_closed = false;
};
