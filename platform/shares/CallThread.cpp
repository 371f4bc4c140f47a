#include "platform/shares/CallThread.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

struct CallThread::Shared
{
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable answered;
    const std::function<void()>* call = nullptr;
    bool done = true;
    bool stopping = false;
    std::exception_ptr error;
    std::function<void()> answering;

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
            if (answering)
                answering();
        }
    }
};

CallThread::CallThread(std::function<void()> answering) : m_shared(std::make_shared<Shared>())
{
    m_shared->answering = std::move(answering);
    std::thread([shared = m_shared] { shared->run(); }).detach();
}

CallThread::~CallThread()
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->stopping = true;
    m_shared->wake.notify_all();
}

void CallThread::start(const std::function<void()>& call)
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->call = &call;
    m_shared->done = false;
    m_shared->error = nullptr;
    m_shared->wake.notify_one();
}

bool CallThread::answered() const
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->done;
}

bool CallThread::waitFor(std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_shared->mutex);
    return m_shared->answered.wait_for(lock, limit, [this] { return m_shared->done; });
}

void CallThread::wait() const
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->answered.wait(lock, [this] { return m_shared->done; });
}

std::exception_ptr CallThread::takeError()
{
    const std::lock_guard lock(m_shared->mutex);
    return std::exchange(m_shared->error, nullptr);
}
