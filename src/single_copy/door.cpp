#include "single_copy/door.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

namespace {

constexpr char KNOCK[] = "forward";
// A knock is one short line: the word and a token of the desktop's.
constexpr size_t MAX_KNOCK = 1024;
// How long a knock waits at the door: a running copy lets its visitors in
// between two frames, some milliseconds apart, so a second is only ever
// spent on a copy that has stopped answering.
constexpr timeval KNOCK_WAIT{1, 0};

std::optional<sockaddr_un> address_of(const QString& path)
{
    QByteArray name = path.toLocal8Bit();
    sockaddr_un address{};
    if (name.isEmpty() || size_t(name.size()) >= sizeof address.sun_path)
        return std::nullopt;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    return address;
}

int new_socket() { return socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0); }

// A socket whose connect and sends wait, up to KNOCK_WAIT each. When the
// door's queue is full, connect sleeps until the running copy lets a
// visitor in and makes room.
int knocking_socket()
{
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &KNOCK_WAIT, sizeof KNOCK_WAIT) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool send_all(int fd, const QByteArray& bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        ssize_t wrote = send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (wrote > 0)
            sent += wrote;
        else if (wrote == 0 || errno != EINTR)
            return false;
    }
    return true;
}

}  // namespace

QString running_copy_door_path(const QString& folder) { return folder + "/tombora.door"; }

RunningCopyDoor::RunningCopyDoor(const QString& path, std::function<void(const QString&)> knocked)
    : on_knock_(std::move(knocked))
{
    auto address = address_of(path);
    if (!address)
        return;
    unlink(address->sun_path);
    int door = new_socket();
    if (door < 0)
        return;
    // Only the player may knock.
    mode_t old_mask = umask(S_IRWXG | S_IRWXO);
    bool bound = bind(door, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0;
    umask(old_mask);
    if (!bound || listen(door, 4) != 0) {
        close(door);
        return;
    }
    door_ = door;
    door_path_ = address->sun_path;
    bell_ = std::make_unique<QSocketNotifier>(door_, QSocketNotifier::Read);
    connect(bell_.get(), &QSocketNotifier::activated, this, &RunningCopyDoor::let_in);
}

RunningCopyDoor::~RunningCopyDoor()
{
    bell_.reset();
    for (auto& [fd, visitor] : visitors_) {
        visitor.notifier.reset();
        close(fd);
    }
    // The door goes with the copy that kept it.
    if (door_ >= 0) {
        close(door_);
        unlink(door_path_.c_str());
    }
}

// The game's own loop never deletes objects later: visitors that have
// gone are deleted when the next one comes.
void RunningCopyDoor::let_in()
{
    gone_.clear();
    int visitor;
    while ((visitor = accept4(door_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0) {
        auto notifier = std::make_unique<QSocketNotifier>(visitor, QSocketNotifier::Read);
        connect(notifier.get(), &QSocketNotifier::activated, this, [this, visitor] { listen_to(visitor); });
        visitors_[visitor] = Visitor{std::move(notifier), {}};
    }
}

void RunningCopyDoor::listen_to(int visitor)
{
    Visitor& v = visitors_.at(visitor);
    char block[256];
    ssize_t got = recv(visitor, block, sizeof block, 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (got > 0)
        v.said.append(block, size_t(got));
    size_t end = v.said.find('\n');
    if (end == std::string::npos && got > 0 && v.said.size() <= MAX_KNOCK)
        return;
    // A whole line, or the visitor left or said too much.
    QString line = end == std::string::npos || end > MAX_KNOCK
        ? QString()
        : QString::fromUtf8(v.said.data(), qsizetype(end)).trimmed();
    see_out(visitor);
    if (line == KNOCK || line.startsWith(QString(KNOCK) + ' '))
        on_knock_(line.mid(int(sizeof KNOCK)).trimmed());
}

void RunningCopyDoor::see_out(int visitor)
{
    auto node = visitors_.extract(visitor);
    node.mapped().notifier->setEnabled(false);
    close(visitor);
    gone_.insert(std::move(node));
}

bool knock_on_running_copy(const QString& path, const QString& token)
{
    auto address = address_of(path);
    int fd = address ? knocking_socket() : -1;
    if (fd < 0)
        return false;
    QByteArray line = QByteArray(KNOCK) + (token.isEmpty() ? "" : " " + token.toUtf8()) + "\n";
    bool knocked = connect(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0
                   && send_all(fd, line);
    close(fd);
    return knocked;
}
