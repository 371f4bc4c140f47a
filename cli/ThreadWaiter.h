#pragma once

#include "platform/shares/CallThread.h"
#include "platform/shares/CallWaiter.h"

// The command line's waiter for calls into shares: the call runs on a thread of its own and the program's thread
// waits for its answer, so a share that hangs holds a thread the program can leave behind (see Interrupt).
class ThreadWaiter : public CallWaiter
{
public:
    void wait(const std::function<void()>& call, OnClose onClose = OnClose::Abandon) override;

private:
    CallThread m_thread;
    bool m_waiting = false;
};
