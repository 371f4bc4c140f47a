#pragma once

#include <mutex>

// Ctrl+C on the command line: it ends the program at once, also while a call into a share hangs, as the
// program's thread is not asked to notice. A file that the list takes the place of is let finish first.
namespace Interrupt {

// From now on SIGINT, SIGTERM and SIGHUP end the program with 128 + the signal's number, once the temporary
// files of saves under way are removed; a closed pipe is a failed write, not a signal.
void endAtOnce();

// While one lives (the list file taking its place), the end waits for it.
class Holding
{
public:
    Holding();
    ~Holding();
    Holding(const Holding&) = delete;
    Holding& operator=(const Holding&) = delete;
};

} // namespace Interrupt
