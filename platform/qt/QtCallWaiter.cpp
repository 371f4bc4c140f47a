#include "platform/qt/QtCallWaiter.h"

#include "platform/posix/PosixSaveTarget.h"
#include "platform/qt/CommandGate.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>

#include <chrono>
#include <cstdlib>

QtCallWaiter::QtCallWaiter(CommandGate& gate)
    : m_gate(gate), m_thread([] {
          // The program's thread waits for the answer in its event loop.
          if (const QCoreApplication* application = QCoreApplication::instance())
              if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance(application->thread()))
                  loop->wakeUp();
      })
{}

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
    m_thread.start(call);
    // Most calls answer within a moment, and those are waited for without a turn of the event loop.
    if (!m_thread.waitFor(std::chrono::milliseconds(2))) {
        m_waiting = true;
        const CommandGate::Scope waiting(m_gate, CommandGate::Moment::Waiting);
        while (!m_thread.answered() && !m_closed)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (m_closed && onClose == OnClose::Abandon)
            leave();
        if (m_closed) {
            // A write is let finish, out of sight.
            hideWindows();
            m_thread.wait();
        }
        m_waiting = false;
    }
    if (const std::exception_ptr error = m_thread.takeError())
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
