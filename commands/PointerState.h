#pragma once

// The main window's mouse pointer. Its value 11 doubles as the program's busy flag.
namespace Pointer {
constexpr int Default = 0;
constexpr int Busy = 11;
constexpr int Custom = 99;
} // namespace Pointer

class PointerState
{
public:
    virtual ~PointerState() = default;
    virtual int value() const = 0;
    virtual void setValue(int value) = 0;

    // Whether a command holds the window busy: nothing but the pointer says so. A command nested in another
    // one's yield sets the default pointer when it ends, and so lifts the busy state while the outer command
    // still runs; from then on Delete and the folder pane's "Clear List" act again. Users may rely on that, so
    // it stays, and the commands that hold positions across a yield check for removals themselves.
    bool isBusy() const { return value() == Pointer::Busy; }
};
