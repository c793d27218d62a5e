#include "window/signal_watcher.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

constexpr int WATCHED[] = {SIGTERM, SIGINT, SIGHUP};

int pipe_ends[2] = {-1, -1};
volatile std::sig_atomic_t unserved = 0;

// Only what is safe in a signal handler. A second signal that comes while
// the first is still unserved (the game hangs, or is busy before its loop
// runs) ends the program the ordinary way.
void on_signal(int number)
{
    if (unserved) {
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    unserved = 1;
    int saved = errno;
    char byte = char(number);
    [[maybe_unused]] ssize_t written = write(pipe_ends[1], &byte, 1);
    errno = saved;
}

}  // namespace

SignalWatcher::SignalWatcher(std::function<void()> on_leave) : action(std::move(on_leave))
{
    if (pipe2(pipe_ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier = new QSocketNotifier(pipe_ends[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SignalWatcher::drain);
    struct sigaction handler {};
    handler.sa_handler = on_signal;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESTART;
    for (int number : WATCHED)
        sigaction(number, &handler, nullptr);
}

SignalWatcher::~SignalWatcher()
{
    for (int number : WATCHED)
        std::signal(number, SIG_DFL);
    delete notifier;
    for (int& end : pipe_ends) {
        if (end >= 0)
            close(end);
        end = -1;
    }
}

void SignalWatcher::drain()
{
    char bytes[16];
    while (read(pipe_ends[0], bytes, sizeof bytes) > 0) {
    }
    unserved = 0;
    if (action)
        action();
}
