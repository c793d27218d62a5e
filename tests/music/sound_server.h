// A private PulseAudio server with one null sink, started and killed by
// the test itself; sink_recording.h records what reaches that sink, so
// the game's stream is judged where a player would hear it.
#pragma once

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

// Waits for `done` to hold, up to `limit`: a guard against a hang, not a
// measure of time.
template <typename Done>
bool wait_until(Done done, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

inline bool socket_answers(const std::filesystem::path& path)
{
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string name = path.string();
    if (fd < 0 || name.size() >= sizeof address.sun_path) {
        if (fd >= 0)
            close(fd);
        return false;
    }
    name.copy(address.sun_path, name.size());
    bool answers = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return answers;
}

class PrivateSoundServer {
public:
    static bool installed() { return access("/usr/bin/pulseaudio", X_OK) == 0; }

    explicit PrivateSoundServer(std::filesystem::path dir) : dir_(std::move(dir))
    {
        std::filesystem::create_directories(dir_);
        // The sink first: once the socket answers, the sink is there.
        std::ofstream(dir_ / "own.pa") << "load-module module-null-sink sink_name=game_sink\n"
                                          "set-default-sink game_sink\n"
                                          "load-module module-native-protocol-unix socket="
                                       << socket_path().string() << " auth-anonymous=1\n";
    }
    ~PrivateSoundServer() { kill(); }
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    std::filesystem::path socket_path() const { return dir_ / "native"; }
    std::string address() const { return "unix:" + socket_path().string(); }

    // Starts it (again) and waits until it takes connections.
    bool start()
    {
        std::filesystem::remove(socket_path());
        pid_ = fork();
        if (pid_ == 0) {
            // Its own home and runtime folder: no user configuration, no
            // other server found.
            std::string d = dir_.string();
            setenv("HOME", d.c_str(), 1);
            setenv("XDG_RUNTIME_DIR", d.c_str(), 1);
            setenv("XDG_CONFIG_HOME", d.c_str(), 1);
            std::string script = (dir_ / "own.pa").string(), log = "file:" + (dir_ / "pulse.log").string();
            execl("/usr/bin/pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                  "--use-pid-file=no", "-F", script.c_str(), ("--log-target=" + log).c_str(), nullptr);
            _exit(127);
        }
        return pid_ > 0 && wait_until([&] { return socket_answers(socket_path()); });
    }

    // Kills it at once, as a crash would.
    void kill()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    std::filesystem::path dir_;
    pid_t pid_ = -1;
};
