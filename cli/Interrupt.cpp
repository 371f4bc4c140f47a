#include "cli/Interrupt.h"

#include "platform/posix/PosixSaveTarget.h"

#include <csignal>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace {

std::mutex g_finishing;
int g_signals[2] = {-1, -1}; // a pipe: the handler writes the signal's number, the ending thread reads it

void onSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(g_signals[1], &byte, 1);
}

} // namespace

void Interrupt::endAtOnce()
{
    std::signal(SIGPIPE, SIG_IGN);
    if (::pipe(g_signals) != 0)
        return; // then the signals keep their own way of ending the program
    // The ending is done on a thread of its own, where it may take locks and remove files.
    std::thread([] {
        unsigned char number = 0;
        while (::read(g_signals[0], &number, 1) != 1) {
        }
        const std::lock_guard finished(g_finishing);
        removeUnfinishedSaves();
        std::_Exit(128 + number);
    }).detach();
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(number, &action, nullptr);
}

Interrupt::Holding::Holding()
{
    g_finishing.lock();
}

Interrupt::Holding::~Holding()
{
    g_finishing.unlock();
}
