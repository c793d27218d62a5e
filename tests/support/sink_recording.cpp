#include "sink_recording.h"

#include <time.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t BLOCK = 256;                            // frames read at a time
constexpr size_t VOICE_TEMPLATE = SINK_RATE * 30 / 1000;  // frames compared
constexpr double GAP_MS = 10;                             // frames missing that count

}  // namespace

int64_t now_ns()
{
    timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void Recording::append(const int16_t* stereo, size_t frames)
{
    arrivals.emplace_back(mono.size(), now_ns());
    for (size_t i = 0; i < frames; ++i)
        mono.push_back((stereo[2 * i] + stereo[2 * i + 1]) / 65536.0f);
}

void Recording::read(std::FILE* in)
{
    int16_t block[2 * BLOCK];
    size_t got;
    while ((got = std::fread(block, 2 * sizeof(int16_t), BLOCK, in)) > 0)
        append(block, got);
}

int64_t Recording::arrival_of(size_t frame) const
{
    auto it = std::upper_bound(arrivals.begin(), arrivals.end(), std::pair(frame, INT64_MAX));
    return std::prev(it)->second;
}

size_t Recording::first_frame_after(int64_t time) const
{
    auto it = std::partition_point(arrivals.begin(), arrivals.end(), [time](const auto& a) { return a.second <= time; });
    return it == arrivals.end() ? mono.size() : it->first;
}

std::vector<std::pair<size_t, double>> Recording::gaps() const
{
    // How late each block is, at the least, counting from it to the end.
    std::vector<double> floor(arrivals.size());
    double least = INFINITY;
    for (size_t i = arrivals.size(); i-- > 0;) {
        auto [frame, at] = arrivals[i];
        least = std::min(least, double(at) / 1e6 - double(frame) * 1000.0 / SINK_RATE);
        floor[i] = least;
    }
    std::vector<std::pair<size_t, double>> found;
    for (size_t i = 1; i < floor.size(); ++i)
        if (floor[i] - floor[i - 1] >= GAP_MS)
            found.emplace_back(arrivals[i].first, floor[i] - floor[i - 1]);
    return found;
}

double correlation_at(std::span<const float> x, size_t at, std::span<const float> t)
{
    if (at + t.size() > x.size())
        return 0;
    double xt = 0, xx = 0, tt = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        xt += double(x[at + i]) * t[i];
        xx += double(x[at + i]) * x[at + i];
        tt += double(t[i]) * t[i];
    }
    return xx > 0 && tt > 0 ? xt / std::sqrt(xx * tt) : 0;
}

Match best_match(std::span<const float> x, std::span<const float> t, size_t from, size_t to)
{
    Match best;
    for (size_t s = from; s + t.size() <= x.size() && s < to; ++s) {
        double r = correlation_at(x, s, t);
        if (r > best.score)
            best = {s, r};
    }
    return best;
}

Match first_match(std::span<const float> x, std::span<const float> t, size_t from, size_t to, double enough)
{
    for (size_t s = from; s + t.size() <= x.size() && s < to; ++s)
        if (correlation_at(x, s, t) >= enough)
            return best_match(x, t, s, s + t.size());
    return {};
}

std::vector<float> voice_template(const WaveSound& sound)
{
    size_t start = 0;
    while (start < sound.frames() && std::abs(sound.left(start)) < 1e-3f)
        ++start;
    std::vector<float> t;
    for (size_t i = start; i < sound.frames() && t.size() < VOICE_TEMPLATE; ++i)
        t.push_back((sound.left(i) + sound.right(i)) / 2);
    return t;
}

Match find_voice(std::span<const float> x, const std::vector<std::vector<float>>& templates, size_t from, size_t to)
{
    Match found;
    for (const auto& t : templates) {
        Match m = best_match(x, t, from, to);
        if (m.score > found.score)
            found = m;
    }
    return found;
}

SinkRecorder::SinkRecorder(const std::string& server, const char* sink)
{
    pa_sample_spec sample_format{PA_SAMPLE_S16LE, SINK_RATE, 2};
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = BLOCK * 4;
    std::string monitor = std::string(sink) + ".monitor";
    stream_ = pa_simple_new(server.c_str(), "recorder", PA_STREAM_RECORD, monitor.c_str(), "sink", &sample_format,
                            nullptr, &attr, nullptr);
    if (stream_)
        thread_ = std::thread([this] { record(); });
}

SinkRecorder::~SinkRecorder() { stop(); }

const Recording& SinkRecorder::stop()
{
    running_ = false;
    if (thread_.joinable())
        thread_.join();
    if (stream_) {
        pa_simple_free(stream_);
        stream_ = nullptr;
    }
    return recording_;
}

void SinkRecorder::record()
{
    int16_t block[2 * BLOCK];
    while (running_ && pa_simple_read(stream_, block, sizeof block, nullptr) == 0) {
        recording_.append(block, BLOCK);
        frames_ += BLOCK;
    }
}
