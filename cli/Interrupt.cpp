#include "cli/Interrupt.h"

#include "platform/posix/PosixSaveTarget.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <initializer_list>
#include <thread>
#include <unistd.h>

namespace {

std::mutex g_finishing;
int g_signals[2] = {-1, -1}; // the handler writes the signal's number (0 for a child's end), the one who ends reads it
int g_ended[2] = {-1, -1};   // the child writes a byte once it has cleaned up

void onSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number == SIGCHLD ? 0 : number);
    [[maybe_unused]] const ssize_t written = ::write(g_signals[1], &byte, 1);
}

// This process's own pipe for the signals it takes.
bool catchSignals(std::initializer_list<int> numbers)
{
    if (::pipe(g_signals) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int number : numbers)
        ::sigaction(number, &action, nullptr);
    return true;
}

unsigned char readByte(int descriptor)
{
    unsigned char byte = 0;
    while (::read(descriptor, &byte, 1) < 0 && errno == EINTR) {
    }
    return byte;
}

// The parent: ends as the child does, or once a signal came and the child has cleaned up.
[[noreturn]] void waitFor(pid_t child)
{
    for (;;) {
        const unsigned char number = readByte(g_signals[0]);
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child)
            std::_Exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
        if (number != 0) {
            ::kill(child, number); // where the signal was sent to this process alone
            readByte(g_ended[0]);
            std::_Exit(128 + number);
        }
    }
}

} // namespace

void Interrupt::endAtOnce()
{
    std::signal(SIGPIPE, SIG_IGN);
    if (::pipe(g_ended) != 0)
        return; // then the signals keep their own way of ending the program
    const pid_t child = ::fork();
    if (child < 0)
        return;
    if (child > 0) {
        ::close(g_ended[1]);
        if (catchSignals({SIGINT, SIGTERM, SIGHUP, SIGCHLD}))
            waitFor(child);
        int status = 0;
        ::waitpid(child, &status, 0);
        std::_Exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
    }
    ::close(g_ended[0]);
    if (!catchSignals({SIGINT, SIGTERM, SIGHUP}))
        return;
    // The ending is done on a thread of its own, where it may take locks and remove files.
    std::thread([] {
        const unsigned char number = readByte(g_signals[0]);
        const std::lock_guard finished(g_finishing);
        removeUnfinishedSaves();
        const unsigned char done = 1;
        [[maybe_unused]] const ssize_t said = ::write(g_ended[1], &done, 1);
        std::_Exit(128 + number);
    }).detach();
}

Interrupt::Holding::Holding()
{
    g_finishing.lock();
}

Interrupt::Holding::~Holding()
{
    g_finishing.unlock();
}
