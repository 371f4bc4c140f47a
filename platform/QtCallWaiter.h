#pragma once

#include "platform/CallWaiter.h"

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <memory>
#include <utility>
#include <vector>

// Waits for a call that may hang on a thread of its own, while the program's thread keeps processing every
// event: the window paints, timers run and a request to close the window is taken. Keys and the mouse are held
// back by a filter on the whole application and delivered once the call has answered, so no command starts
// inside the wait. (Holding input back with the event loop's own flag would hold the window manager's close
// request too: Qt's X11 plugin counts it as input.)
//
// Closing the window during a wait ends the program there: the windows are taken off the screen first, since
// a thread that a file system holds keeps the process's connection to the display open, and the process exits
// without waiting for the call, which is abandoned, never joined.
class QtCallWaiter : public QObject, public CallWaiter
{
public:
    QtCallWaiter();
    ~QtCallWaiter() override;

    void wait(const std::function<void()>& call, OnClose onClose = OnClose::Abandon) override;
    // The window has closed: a wait in progress, or any later one, ends the program.
    void close();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[noreturn]] static void leave();

    struct Worker; // shared by the waiter and its thread, which may outlive it while a call hangs
    std::shared_ptr<Worker> m_worker;
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_heldInput;
    bool m_waiting = false;
    bool m_closed = false;
};
