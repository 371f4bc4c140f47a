#include "cli/ThreadWaiter.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

struct ThreadWaiter::Worker
{
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable answered;
    const std::function<void()>* call = nullptr;
    bool done = true;
    bool stopping = false;
    std::exception_ptr error;

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || call; });
            if (stopping)
                return;
            const std::function<void()>* const job = std::exchange(call, nullptr);
            lock.unlock();
            std::exception_ptr thrown;
            try {
                (*job)();
            } catch (...) {
                thrown = std::current_exception();
            }
            lock.lock();
            error = thrown;
            done = true;
            answered.notify_all();
        }
    }
};

ThreadWaiter::ThreadWaiter() : m_worker(std::make_shared<Worker>())
{
    std::thread([worker = m_worker] { worker->run(); }).detach();
}

ThreadWaiter::~ThreadWaiter()
{
    const std::lock_guard lock(m_worker->mutex);
    m_worker->stopping = true;
    m_worker->wake.notify_all();
}

void ThreadWaiter::wait(const std::function<void()>& call, OnClose)
{
    if (m_waiting)
        return call();
    m_waiting = true;
    std::exception_ptr error;
    {
        std::unique_lock lock(m_worker->mutex);
        m_worker->call = &call;
        m_worker->done = false;
        m_worker->wake.notify_one();
        m_worker->answered.wait(lock, [this] { return m_worker->done; });
        error = std::exchange(m_worker->error, nullptr);
    }
    m_waiting = false;
    if (error)
        std::rethrow_exception(error);
}
