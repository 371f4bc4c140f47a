#include "platform/qt/CommandGate.h"

#include <QApplication>
#include <QEvent>
#include <QScopeGuard>
#include <QWidget>
#include <QWindow>

namespace {

// What the user does with keys, the mouse, a pen or touch, and text an input method commits.
bool isInput(QEvent::Type type)
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
    case QEvent::InputMethod:
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

bool isDrop(QEvent::Type type)
{
    return type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
}

// A command asked for while none could start, posted to the gate to start where one can.
class Start : public QEvent
{
public:
    static Type type()
    {
        static const Type registered = Type(registerEventType());
        return registered;
    }
    explicit Start(std::function<void()> command) : QEvent(type()), command(std::move(command)) {}
    std::function<void()> command;
};

// The widget an event goes to: the receiver itself, or the window's widget for the window that gets input first.
QWidget* widgetOf(QObject* receiver)
{
    if (auto* widget = qobject_cast<QWidget*>(receiver))
        return widget;
    if (auto* window = qobject_cast<QWindow*>(receiver)) {
        for (QWidget* topLevel : QApplication::topLevelWidgets())
            if (topLevel->windowHandle() == window)
                return topLevel;
    }
    return nullptr;
}

} // namespace

CommandGate::Scope::Scope(CommandGate& gate, Moment moment, QWidget* box) : m_gate(gate)
{
    gate.m_frames.push_back(Frame{moment, box});
}

CommandGate::Scope::~Scope()
{
    m_gate.leave();
}

CommandGate::CommandGate()
{
    QCoreApplication::instance()->installEventFilter(this);
}

CommandGate::~CommandGate()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool CommandGate::mayStart() const
{
    return m_frames.empty() || m_frames.back().moment == Moment::Yielding;
}

void CommandGate::start(std::function<void()> command)
{
    if (!mayStart()) {
        m_held.push_back(Held{nullptr, nullptr, std::move(command)});
        return;
    }
    run(command);
}

void CommandGate::run(const std::function<void()>& command)
{
    ++m_running;
    const auto ended = qScopeGuard([this] { --m_running; });
    command();
}

void CommandGate::leave()
{
    m_frames.pop_back();
    if (mayStart() && !m_held.empty())
        release();
}

// Posted again, in its order: it comes where the event loop is next let in, and is held again if that is
// somewhere nothing may start.
void CommandGate::release()
{
    for (Held& held : std::exchange(m_held, {})) {
        if (held.command)
            QCoreApplication::postEvent(this, new Start(std::move(held.command)));
        else if (held.receiver)
            QCoreApplication::postEvent(held.receiver, held.event.release());
    }
}

bool CommandGate::lets(QObject* receiver) const
{
    if (mayStart())
        return true;
    const Frame& innermost = m_frames.back();
    if (innermost.moment != Moment::Asking || !innermost.box)
        return false;
    for (QWidget* widget = widgetOf(receiver); widget; widget = widget->parentWidget())
        if (widget == innermost.box)
            return true;
    return false;
}

void CommandGate::hold(QObject* receiver, const QEvent& event)
{
    // Of moves that come one after another only the last counts: where the pointer ended up.
    if (event.type() == QEvent::MouseMove && !m_held.empty()) {
        Held& last = m_held.back();
        if (last.event && last.event->type() == QEvent::MouseMove && last.receiver == receiver) {
            last.event.reset(event.clone());
            return;
        }
    }
    m_held.push_back(Held{receiver, std::unique_ptr<QEvent>(event.clone()), {}});
}

bool CommandGate::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == Start::type() && watched == this && !mayStart()) {
        m_held.push_back(Held{nullptr, nullptr, std::move(static_cast<Start*>(event)->command)});
        return true;
    }
    if (isDrop(type) && !takesDrops()) {
        event->ignore();
        return true;
    }
    if (isInput(type) && !lets(watched)) {
        hold(watched, *event);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void CommandGate::customEvent(QEvent* event)
{
    if (event->type() == Start::type())
        run(static_cast<Start*>(event)->command);
}
