#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <memory>

// The thread a waiter makes its calls on, one call at a time. The thread is detached: one that a file system
// holds and never lets go must not hold the program when it ends, so it may outlive its CallThread.
class CallThread
{
public:
    // `answering` runs on the thread each time a call has answered (to wake the waiting thread's event loop).
    explicit CallThread(std::function<void()> answering = {});
    ~CallThread();
    CallThread(const CallThread&) = delete;
    CallThread& operator=(const CallThread&) = delete;

    // Hands the call to the thread; it must live until it has answered.
    void start(const std::function<void()>& call);
    bool answered() const;
    // Waits for the answer, at most `limit`; answers whether it came.
    bool waitFor(std::chrono::milliseconds limit) const;
    void wait() const;
    // What the last call threw, if anything, handed over once.
    std::exception_ptr takeError();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};
