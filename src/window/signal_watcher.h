// SIGTERM, SIGINT and SIGHUP (a session logging out, Ctrl+C in the
// terminal, the terminal closing) reach the game as an event: the signal
// handler only writes a byte into a pipe, and the event loop reads it
// between two frames and runs the action there, where it is safe to close
// the music and the window.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

class SignalWatcher : public QObject {
public:
    // Installs the handlers; action runs in the event loop once per
    // signal received.
    explicit SignalWatcher(std::function<void()> action);
    // Puts the default handlers back.
    ~SignalWatcher() override;

    std::function<void()> action;

private:
    void drain();

    QSocketNotifier* notifier = nullptr;
};
