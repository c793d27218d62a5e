// The running copy's door and the second copy's knock: the desktop's token
// reaches the running copy and nothing else does; a knock at a door whose
// queue is full waits for room, and gives up on a door that stays full.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "single_copy/door.h"

namespace {

sockaddr_un address_of(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.toLocal8Bit().constData(), sizeof address.sun_path - 1);
    return address;
}

int connected_to(const QString& path, int flags = 0)
{
    sockaddr_un address = address_of(path);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | flags, 0);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// A door that lets no one in until told to: its queue holds the fewest
// visitors the system allows, and is filled when the door is made.
struct FullDoor {
    // More room than this, and the door is not one the test can fill.
    static constexpr size_t MOST_QUEUED = 16;
    QTemporaryDir dir;
    QString path = running_copy_door_path(dir.path());
    int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::vector<int> queued;

    FullDoor()
    {
        sockaddr_un address = address_of(path);
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 0) != 0)
            return;
        for (int fd; queued.size() < MOST_QUEUED && (fd = connected_to(path, SOCK_NONBLOCK)) >= 0;)
            queued.push_back(fd);
    }
    ~FullDoor()
    {
        for (int fd : queued)
            close(fd);
        close(listener);
    }
    bool full() const { return !queued.empty() && queued.size() < MOST_QUEUED; }
    // Lets the first visitor in, making room for one more.
    void let_one_in() { close(accept(listener, nullptr, nullptr)); }
    // What the next visitor in the queue said, if one is there.
    std::optional<std::string> next_visitors_line()
    {
        pollfd waiting{listener, POLLIN, 0};
        if (poll(&waiting, 1, 0) != 1)
            return std::nullopt;
        int visitor = accept(listener, nullptr, nullptr);
        char said[256] = {};
        ssize_t got = recv(visitor, said, sizeof said - 1, MSG_DONTWAIT);
        close(visitor);
        return std::string(said, size_t(std::max<ssize_t>(got, 0)));
    }
};

// The system call the thread is asleep in, from /proc; "running" while it
// runs, nothing where /proc does not say.
std::optional<std::string> sleeping_in(pid_t thread)
{
    std::ifstream file("/proc/self/task/" + std::to_string(thread) + "/syscall");
    std::string call;
    if (!(file >> call))
        return std::nullopt;
    return call;
}

TEST(Knock, WaitsForRoomAtAFullDoorButNotForever)
{
    FullDoor door;
    ASSERT_TRUE(door.full());
    EXPECT_FALSE(knock_on_running_copy(door.path, "unanswered"));

    // The running copy lets a visitor in while the knock waits.
    std::atomic<pid_t> knocker = 0;
    std::atomic<bool> done = false;
    auto knock = std::async(std::launch::async, [&] {
        knocker = pid_t(gettid());
        bool knocked = knock_on_running_copy(door.path, "token-42");
        done = true;
        return knocked;
    });
    while (knocker == 0)
        std::this_thread::yield();
    for (std::optional<std::string> call; !done && (call = sleeping_in(knocker)) != std::to_string(SYS_connect);) {
        if (!call)
            GTEST_SKIP() << "/proc does not show where a thread sleeps";
        std::this_thread::yield();
    }
    door.let_one_in();
    EXPECT_TRUE(knock.get());
    // The rest of the queue, then the knock.
    for (size_t i = 1; i < door.queued.size(); ++i)
        door.let_one_in();
    EXPECT_EQ(door.next_visitors_line(), "forward token-42\n");
}

// Until `visitor` has been seen out by the door, and the door has heard
// `knocks` knocks.
void let_door_listen(int visitor, const std::vector<QString>& tokens, size_t knocks)
{
    for (int i = 0; i < 200; ++i) {
        char byte;
        bool seen_out = recv(visitor, &byte, 1, MSG_DONTWAIT) == 0;
        if (seen_out && tokens.size() >= knocks)
            return;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

TEST(Door, HandsTheRunningCopyTheTokenOfEachKnockAndNothingElse)
{
    QTemporaryDir dir;
    QString path = running_copy_door_path(dir.path());
    EXPECT_FALSE(knock_on_running_copy(path, "nobody"));
    // A door left by a copy that was killed: no one answers, and the next
    // copy opens its own in its place.
    int left_behind = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = address_of(path);
    ASSERT_EQ(bind(left_behind, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(left_behind);
    EXPECT_FALSE(knock_on_running_copy(path, "nobody"));

    std::vector<QString> tokens;
    RunningCopyDoor door(path, [&](const QString& token) { tokens.push_back(token); });
    int stranger = connected_to(path);
    ASSERT_GE(stranger, 0);
    ASSERT_EQ(send(stranger, "hello\n", 6, MSG_NOSIGNAL), 6);
    std::string rambling(2000, 'x');
    int rambler = connected_to(path);
    ASSERT_EQ(send(rambler, rambling.data(), rambling.size(), MSG_NOSIGNAL), ssize_t(rambling.size()));
    EXPECT_TRUE(knock_on_running_copy(path, "desktop-token"));
    EXPECT_TRUE(knock_on_running_copy(path, QString()));
    let_door_listen(stranger, tokens, 2);
    let_door_listen(rambler, tokens, 2);
    std::sort(tokens.begin(), tokens.end());
    EXPECT_EQ(tokens, (std::vector<QString>{"", "desktop-token"}));
    close(stranger);
    close(rambler);
}

}  // namespace
