#pragma once

#include <functional>

// Waits for a call into the file system that may hang: a share whose server went away answers no request, and
// the kernel holds the calling thread until it does. The call runs on a thread of its own while the program's
// thread waits for it at the command's step, so the window keeps painting and can be closed, and no command
// starts inside the wait. What the call touches is touched by one thread at a time.
class CallWaiter
{
public:
    // What a close of the window does to a call in progress. A read or a listing is abandoned: the program
    // ends without it. A call that writes or removes the user's data is let finish first, so that no file is
    // left half-written and no temporary file stays behind.
    enum class OnClose { Abandon, Finish };

    virtual ~CallWaiter() = default;
    // Runs `call` to its end and rethrows what it threw.
    virtual void wait(const std::function<void()>& call, OnClose onClose = OnClose::Abandon) = 0;
};
