#include "platform/QtYield.h"

#include "platform/Clock.h"
#include "platform/Failure.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

using Clock::coarseNowNs;

// Drops are input too, but one cannot wait for later as a click can: what it carries goes with the drag.
// While the window only paints, any drop is refused, as a busy pane refuses it.
class DropRefusal : public QObject
{
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void QtYield::paintOnly()
{
    if (m_closed)
        return;
    const qint64 now = coarseNowNs();
    if (now - m_lastPaint < kIntervalNs || now - m_lastEvents < kIntervalNs)
        return;
    // The window system's input (keys, the mouse, a request to close) waits: what is processed are timers,
    // posted work and the window system's paint and geometry events.
    DropRefusal refusal;
    QCoreApplication::instance()->installEventFilter(&refusal);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QCoreApplication::instance()->removeEventFilter(&refusal);
    m_lastPaint = coarseNowNs();
}

void QtYield::DoEvents()
{
    if (m_closed)
        throw ProgramClosing{};
    if (coarseNowNs() - m_lastEvents < kIntervalNs)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_lastEvents = coarseNowNs();
    if (m_closed)
        throw ProgramClosing{};
}
