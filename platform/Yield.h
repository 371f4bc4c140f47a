#pragma once

// Lets the user interface run: pending input, repainting and other handlers of the window, nested inside
// the command that yields.
class Yield
{
public:
    virtual ~Yield() = default;
    virtual void DoEvents() = 0;
};
