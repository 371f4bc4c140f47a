#pragma once

#include "platform/shares/CallThread.h"
#include "platform/shares/CallWaiter.h"


class CommandGate;

// Waits for a call that may hang on a thread of its own, while the program's thread keeps processing events:
// the window paints, timers run and a request to close the window is taken. The gate holds the user's input
// back meanwhile, so no command starts inside the wait.
//
// Closing the window during a wait takes the windows off the screen at once, since a thread that a file system
// holds keeps the process's connection to the display open. A read or a listing is then abandoned: the process
// exits without waiting for it, never joining it, once the temporary files of saves under way are removed. A
// call that writes or removes the user's data is waited for, and so is every such call after the close, which
// runs to its end on the program's thread; the first read after the close ends the program.
class QtCallWaiter : public CallWaiter
{
public:
    explicit QtCallWaiter(CommandGate& gate);

    void wait(const std::function<void()>& call, OnClose onClose = OnClose::Abandon) override;
    // The window has closed.
    void close();

private:
    static void hideWindows();
    [[noreturn]] static void leave();

    CommandGate& m_gate;
    CallThread m_thread;
    bool m_waiting = false;
    bool m_closed = false;
};
