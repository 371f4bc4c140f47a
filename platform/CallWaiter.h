#pragma once

#include <functional>

// Waits for a call into the file system that may hang: a share whose server went away answers no request, and
// the kernel holds the calling thread until it does. The call runs on a thread of its own while the program's
// thread waits for it at the command's step, so the window keeps painting and can be closed, and no command
// starts inside the wait. What the call touches is touched by one thread at a time.
class CallWaiter
{
public:
    virtual ~CallWaiter() = default;
    // Runs `call` to its end and rethrows what it threw.
    virtual void wait(const std::function<void()>& call) = 0;
};
