#include "platform/qt/QtCallWaiter.h"

#include "platform/posix/PosixSaveTarget.h"
#include "platform/qt/CommandGate.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QThread>
#include <QWindow>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <thread>

struct QtCallWaiter::Worker
{
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable answered;
    const std::function<void()>* call = nullptr;
    bool done = true;
    bool stopping = false;
    std::exception_ptr error;
    QAbstractEventDispatcher* dispatcher = nullptr; // the program thread's, woken when a call answers

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
            if (dispatcher)
                dispatcher->wakeUp();
        }
    }
};

QtCallWaiter::QtCallWaiter(CommandGate& gate) : m_gate(gate), m_worker(std::make_shared<Worker>())
{
    // Detached: a thread held by a file system that never answers must not hold the program when it ends.
    std::thread([worker = m_worker] { worker->run(); }).detach();
}

QtCallWaiter::~QtCallWaiter()
{
    std::lock_guard lock(m_worker->mutex);
    m_worker->stopping = true;
    m_worker->wake.notify_all();
}

void QtCallWaiter::wait(const std::function<void()>& call, OnClose onClose)
{
    if (m_closed) {
        if (onClose == OnClose::Abandon)
            leave();
        return call(); // nothing is on the screen any more to keep painting
    }
    // A wait inside a wait has no thread to run on; nothing in the program makes one, as no command starts
    // inside a wait.
    if (m_waiting)
        return call();
    Worker& worker = *m_worker;
    {
        std::unique_lock lock(worker.mutex);
        worker.dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
        worker.call = &call;
        worker.done = false;
        worker.error = nullptr;
        worker.wake.notify_one();
        // Most calls answer within a moment, and those are waited for without a turn of the event loop.
        worker.answered.wait_for(lock, std::chrono::milliseconds(2), [&] { return worker.done; });
    }
    const auto answered = [&] {
        std::lock_guard lock(worker.mutex);
        return worker.done;
    };
    if (!answered()) {
        m_waiting = true;
        const CommandGate::Scope waiting(m_gate, CommandGate::Moment::Waiting);
        while (!answered() && !m_closed)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (m_closed && onClose == OnClose::Abandon)
            leave();
        if (m_closed) {
            // A write is let finish, out of sight.
            hideWindows();
            std::unique_lock lock(worker.mutex);
            worker.answered.wait(lock, [&] { return worker.done; });
        }
        m_waiting = false;
    }
    std::exception_ptr error;
    {
        std::lock_guard lock(worker.mutex);
        error = std::exchange(worker.error, nullptr);
    }
    if (error)
        std::rethrow_exception(error);
}

void QtCallWaiter::close()
{
    m_closed = true;
}

void QtCallWaiter::hideWindows()
{
    for (QWindow* window : QGuiApplication::topLevelWindows())
        window->hide();
    QGuiApplication::sync();
}

void QtCallWaiter::leave()
{
    hideWindows();
    removeUnfinishedSaves();
    std::_Exit(0);
}
