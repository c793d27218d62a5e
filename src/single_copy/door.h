// A second copy of the game ends, but the player asked for the game: the
// running copy's window comes forward. The running copy keeps a door (a
// local socket) in its private folder beside its lock; the second copy
// knocks and hands over the desktop's activation token, if it got one.
// The door only passes the knock on: the window raises itself
// (Form1::come_forward).
//
// Plain POSIX sockets watched by the event loop: Qt's network module would
// bring a dozen libraries (Kerberos, proxies, name lookups) and more than
// a megabyte of memory for one line of text.
#pragma once

#include <QSocketNotifier>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <string>

class RunningCopyDoor : public QObject {
public:
    // Opens the door at path; a door left by a copy that was killed is
    // removed first (whoever holds the lock owns the door).
    RunningCopyDoor(const QString& path, std::function<void(const QString& token)> on_knock);
    ~RunningCopyDoor() override;

private:
    struct Visitor {
        std::unique_ptr<QSocketNotifier> notifier;
        std::string said;
    };
    void let_in();
    void listen_to(int visitor);
    void see_out(int visitor);

    int door_ = -1;
    std::string door_path_;
    std::unique_ptr<QSocketNotifier> bell_;
    std::map<int, Visitor> visitors_;
    std::map<int, Visitor> gone_;  // deleted when the next visitor comes
    std::function<void(const QString&)> on_knock_;
};

// Asks the copy behind the door to come forward. False when the knock
// did not get through: no copy keeps the door, or its door stayed full
// for a second (the copy has stopped answering).
bool knock_on_running_copy(const QString& path, const QString& token);

// The socket's name beside the lock in the private folder.
QString running_copy_door_path(const QString& folder);
