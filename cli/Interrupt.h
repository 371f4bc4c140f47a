#pragma once

#include <mutex>

// Ctrl+C on the command line: it ends the program at once, also while a call into a share hangs.
//
// A thread that a share's server holds (a FUSE request it has taken and never answers) cannot be ended, and a
// process ends only with its last thread: the list therefore runs in a child process, and the program the shell
// waits for is a parent that only waits for it. A signal reaches both: the child removes the temporary files of
// saves under way, lets a file taking its place finish, and says so; the parent then ends with 128 + the
// signal's number, and a child held by a share ends whenever the share lets it go.
namespace Interrupt {

// Returns in the child, where the list runs; the parent never returns but ends as the child does.
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
