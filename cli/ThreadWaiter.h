#pragma once

#include "platform/shares/CallWaiter.h"

#include <memory>

// The command line's waiter for calls into shares: the call runs on a thread of its own and the program's thread
// waits for its answer, so a share that hangs holds a thread the program can leave behind (see Interrupt).
class ThreadWaiter : public CallWaiter
{
public:
    ThreadWaiter();
    ~ThreadWaiter() override;
    void wait(const std::function<void()>& call, OnClose onClose = OnClose::Abandon) override;

private:
    struct Worker; // shared with its thread, which may outlive the waiter while a call hangs
    std::shared_ptr<Worker> m_worker;
    bool m_waiting = false;
};
