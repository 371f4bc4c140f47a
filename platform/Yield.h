#pragma once

// Lets the user interface run: pending input, repainting and other handlers of the window, nested inside
// the command that yields.
class Yield
{
public:
    virtual ~Yield() = default;
    virtual void DoEvents() = 0;
    // Lets the window repaint during work that must not yield: no input is taken and no command can start,
    // so nothing the work depends on changes. Calls that come fast return at once.
    virtual void paintOnly() {}
};
