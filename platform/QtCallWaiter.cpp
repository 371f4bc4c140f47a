#include "platform/QtCallWaiter.h"

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

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease: return true;
    default: return false;
    }
}

} // namespace

QtCallWaiter::QtCallWaiter() : m_worker(std::make_shared<Worker>())
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

void QtCallWaiter::wait(const std::function<void()>& call, OnClose)
{
    if (m_closed)
        leave();
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
        QCoreApplication::instance()->installEventFilter(this);
        while (!answered()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            if (m_closed)
                leave();
        }
        QCoreApplication::instance()->removeEventFilter(this);
        m_waiting = false;
        // The input that came meanwhile, in its order, after the call as if it had come a moment later.
        for (auto& [receiver, event] : std::exchange(m_heldInput, {})) {
            if (receiver)
                QCoreApplication::postEvent(receiver, event.release());
        }
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

bool QtCallWaiter::eventFilter(QObject* watched, QEvent* event)
{
    if (m_waiting &&
        (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove || event->type() == QEvent::Drop)) {
        // A drop cannot wait: what it carries goes with the drag. It is refused, as a busy pane refuses it.
        event->ignore();
        return true;
    }
    // Input posted again after an earlier wait is held again: it runs only where a command may start.
    if (!m_waiting || !isUserInput(event->type()))
        return QObject::eventFilter(watched, event);
    m_heldInput.emplace_back(watched, event->clone());
    return true;
}

void QtCallWaiter::leave()
{
    for (QWindow* window : QGuiApplication::topLevelWindows())
        window->hide();
    QGuiApplication::sync();
    std::_Exit(0);
}
