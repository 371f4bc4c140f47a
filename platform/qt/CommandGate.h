#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QEvent;
class QWidget;

// The one place that knows whether a command may start now. Commands start from the window's event loop, and
// nested in a running command only where it yields to the user (`DoEvents`). Nothing starts while the program
// waits for a call that may hang, while it only lets the window repaint, or while a box is open: input that comes
// then (keys, the mouse, typed text) is held and delivered afterwards, in its order, and a command asked for
// meanwhile another way (an assistive tool's press, a timer) waits its turn among it. A drop cannot wait, as what
// it carries goes with the drag: it is refused then, and also while any command runs.
//
// The gate watches every event of the application for as long as it lives.
class CommandGate : public QObject
{
public:
    // What the program does while a scope lasts, and so how far the user is let in.
    enum class Moment {
        Yielding, // a command yields to the user: commands may start, nested in it
        Waiting,  // a wait for a call that may hang, or a yield that only repaints: nothing starts
        Asking,   // a modal box is open: its own input goes to it, nothing else starts
    };
    // Marks a moment until it goes out of scope.
    class Scope
    {
    public:
        Scope(CommandGate& gate, Moment moment, QWidget* box = nullptr);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        CommandGate& m_gate;
    };

    CommandGate();
    ~CommandGate() override;

    // Runs `command` now where a command may start, else once one may, after the input held before it.
    void start(std::function<void()> command);
    bool mayStart() const;
    // Whether a command started here has not ended yet (it may be yielding to the user).
    bool commandRunning() const { return m_running != 0; }
    // Whether a drop is taken now: where a command may start and none runs.
    bool takesDrops() const { return mayStart() && m_running == 0; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    struct Frame
    {
        Moment moment;
        QPointer<QWidget> box;
    };
    struct Held
    {
        QPointer<QObject> receiver; // null for a command
        std::unique_ptr<QEvent> event;
        std::function<void()> command;
    };

    void leave();
    bool lets(QObject* receiver) const;
    void hold(QObject* receiver, const QEvent& event);
    void release();
    void run(const std::function<void()>& command);

    std::vector<Frame> m_frames; // the innermost last
    std::vector<Held> m_held;    // in the order it came
    int m_running = 0;           // commands started here that have not ended, nested ones included
};
