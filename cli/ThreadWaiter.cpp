#include "cli/ThreadWaiter.h"

void ThreadWaiter::wait(const std::function<void()>& call, OnClose)
{
    if (m_waiting)
        return call(); // a wait inside a wait has no thread to run on
    m_waiting = true;
    m_thread.start(call);
    m_thread.wait();
    m_waiting = false;
    if (const std::exception_ptr error = m_thread.takeError())
        std::rethrow_exception(error);
}
