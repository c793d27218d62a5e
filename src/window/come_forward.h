// A second copy of the game ends, but the player asked for the game: the
// running copy's window comes forward. The running copy keeps a door (a
// local socket) in its private folder beside its lock; the second copy
// knocks and hands over the desktop's activation token, if it got one.
#pragma once

#include <QLocalServer>
#include <QString>

#include <functional>

class RunningCopyDoor : public QObject {
public:
    // Opens the door at path; a door left by a copy that was killed is
    // removed first (whoever holds the lock owns the door).
    RunningCopyDoor(const QString& path, std::function<void(const QString& token)> on_knock);
    bool is_open() const { return server.isListening(); }

private:
    void let_in();

    QLocalServer server;
    std::function<void(const QString&)> on_knock;
};

// Asks the copy behind the door to come forward; false when no copy
// answers.
bool knock_on_running_copy(const QString& path, const QString& token);

// The socket's name beside the lock in the private folder.
QString running_copy_door_path(const QString& folder);
