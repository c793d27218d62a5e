// A private PulseAudio server with one null sink, started and killed by
// the test itself, and a recorder of what reaches that sink: the game's
// stream judged where a player would hear it.
#pragma once

#include <pulse/simple.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

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

// Records the null sink's monitor, mono, at the output's rate, in blocks
// of 5 ms. frames() is the recording's clock: how much the sink has played
// into it so far (give or take a block).
class SinkRecorder {
public:
    static constexpr int RATE = 44100;
    static constexpr int BLOCK = RATE / 200;

    explicit SinkRecorder(const std::string& server)
    {
        pa_sample_spec sample_format{PA_SAMPLE_S16LE, RATE, 2};
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.fragsize = BLOCK * 4;
        stream_ = pa_simple_new(server.c_str(), "recorder", PA_STREAM_RECORD, "game_sink.monitor", "sink",
                                &sample_format, nullptr, &attr, nullptr);
        if (stream_)
            thread_ = std::thread([this] { record(); });
    }
    ~SinkRecorder() { stop(); }
    SinkRecorder(const SinkRecorder&) = delete;
    SinkRecorder& operator=(const SinkRecorder&) = delete;

    bool recording() const { return stream_ != nullptr; }
    int64_t frames() const { return frames_.load(); }
    // Ends the recording; the samples, (left + right) / 2 in -1..1.
    const std::vector<float>& stop()
    {
        running_ = false;
        if (thread_.joinable())
            thread_.join();
        if (stream_) {
            pa_simple_free(stream_);
            stream_ = nullptr;
        }
        return samples_;
    }

private:
    void record()
    {
        int16_t block[2 * BLOCK];
        while (running_ && pa_simple_read(stream_, block, sizeof block, nullptr) == 0) {
            for (int i = 0; i < BLOCK; ++i)
                samples_.push_back((block[2 * i] + block[2 * i + 1]) / 65536.0f);
            frames_ += BLOCK;
        }
    }

    pa_simple* stream_ = nullptr;
    std::thread thread_;
    std::atomic<bool> running_{true};
    std::atomic<int64_t> frames_{0};
    std::vector<float> samples_;  // the recorder's thread until stop
};

// Normalised correlation of n samples of a and b, -1..1 (0 when either is
// silent).
inline double correlation(const float* a, const float* b, size_t n)
{
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < n; ++i) {
        ab += double(a[i]) * b[i];
        aa += double(a[i]) * a[i];
        bb += double(b[i]) * b[i];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

struct Match {
    int64_t at = -1;
    double score = 0;
};

// Where in [from, to) of the recording the pattern starts that matches best.
inline Match best_match(const std::vector<float>& recording, const std::vector<float>& pattern, int64_t from,
                        int64_t to)
{
    Match best;
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>(to, int64_t(recording.size()) - int64_t(pattern.size()));
    for (int64_t at = from; at < to; ++at) {
        double score = correlation(&recording[size_t(at)], pattern.data(), pattern.size());
        if (score > best.score)
            best = {at, score};
    }
    return best;
}

// The first place in [from, to) where the pattern matches at least
// `enough`, at its best within a pattern's length from there.
inline Match first_match(const std::vector<float>& recording, const std::vector<float>& pattern, int64_t from,
                         int64_t to, double enough)
{
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>(to, int64_t(recording.size()) - int64_t(pattern.size()));
    for (int64_t at = from; at < to; ++at)
        if (correlation(&recording[size_t(at)], pattern.data(), pattern.size()) >= enough)
            return best_match(recording, pattern, at, at + int64_t(pattern.size()));
    return {};
}
