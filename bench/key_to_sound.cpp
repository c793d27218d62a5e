// Key-to-sound latency, from what reaches the sound server's sink.
//
// Usage: parec --raw --format=s16le --rate=44100 --channels=2
//          --latency-msec=5 -d SINK.monitor | key_to_sound KEY_TIMES EFFECT.wav...
//
// Reads the sink's monitor from standard input in small blocks and notes
// the wall-clock time (CLOCK_REALTIME, ns) at which each block arrives;
// the recording ends with its input. KEY_TIMES holds one line per key
// pressed, the wall-clock time in ns just before the key was sent. For each
// key, the sound it started is found in the recording after that time by
// normalised cross-correlation with the first 30 ms of each effect (so it
// is found under music too), and the key's latency is the arrival time of
// the block holding the effect's first sample, minus the key's time. A
// block arrives at most a few milliseconds after the sink has rendered it,
// so each figure is an upper bound of that small error.
//
// Prints one latency per key found (ms), then the median.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "music/wave_sound.h"

namespace {

constexpr int RATE = 44100;
constexpr int BLOCK = 256;                        // frames read at a time
constexpr size_t TEMPLATE = RATE * 30 / 1000;      // frames compared
constexpr size_t SEARCH = RATE * 400 / 1000;       // frames searched per key
constexpr double MATCH = 0.8;                      // correlation that counts

int64_t now_ns()
{
    timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

struct Recording {
    std::vector<float> mono;
    std::vector<std::pair<size_t, int64_t>> arrivals;  // first frame of a block, its time

    void read(std::FILE* in)
    {
        int16_t block[2 * BLOCK];
        size_t got;
        while ((got = std::fread(block, 2 * sizeof(int16_t), BLOCK, in)) > 0) {
            arrivals.emplace_back(mono.size(), now_ns());
            for (size_t i = 0; i < got; ++i)
                mono.push_back((block[2 * i] + block[2 * i + 1]) / 65536.0f);
        }
    }
    int64_t arrival_of(size_t frame) const
    {
        auto it = std::upper_bound(arrivals.begin(), arrivals.end(), std::pair(frame, INT64_MAX));
        return std::prev(it)->second;
    }
    // The first frame of the first block that arrived after the time.
    size_t first_frame_after(int64_t time) const
    {
        for (auto [frame, at] : arrivals)
            if (at > time)
                return frame;
        return mono.size();
    }
};

// The best normalised correlation of the template at any start in
// [from, to); sets at to that start.
double best_match(const std::vector<float>& x, const std::vector<float>& t, size_t from, size_t to, size_t& at)
{
    double tt = 0;
    for (float v : t)
        tt += double(v) * v;
    double best = 0;
    for (size_t s = from; s + t.size() <= x.size() && s < to; ++s) {
        double xt = 0, xx = 0;
        for (size_t i = 0; i < t.size(); ++i) {
            xt += double(x[s + i]) * t[i];
            xx += double(x[s + i]) * x[s + i];
        }
        double r = xx > 0 ? xt / std::sqrt(xx * tt) : 0;
        if (r > best) {
            best = r;
            at = s;
        }
    }
    return best;
}

// The effect's first TEMPLATE frames from its first audible one, in mono.
std::vector<float> template_of(const WaveSound& sound)
{
    size_t start = 0;
    while (start < sound.frames() && std::abs(sound.left(start)) < 1e-3f)
        ++start;
    std::vector<float> t;
    for (size_t i = start; i < sound.frames() && t.size() < TEMPLATE; ++i)
        t.push_back((sound.left(i) + sound.right(i)) / 2);
    return t;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: parec ... | %s KEY_TIMES EFFECT.wav...\n", argv[0]);
        return 2;
    }
    Recording recording;
    recording.read(stdin);
    std::vector<std::vector<float>> templates;
    for (int i = 2; i < argc; ++i)
        if (auto sound = decode_wave(argv[i], RATE))
            templates.push_back(template_of(*sound));
    std::ifstream keys(argv[1]);
    std::vector<double> latencies;
    for (int64_t key; keys >> key;) {
        size_t from = recording.first_frame_after(key);
        double best = 0;
        size_t onset = 0;
        for (const auto& t : templates) {
            size_t at = 0;
            double r = best_match(recording.mono, t, from, from + SEARCH, at);
            if (r > best) {
                best = r;
                onset = at;
            }
        }
        if (best < MATCH) {
            std::printf("key at %lld: no sound found (best correlation %.2f)\n", (long long)key, best);
            continue;
        }
        double ms = (recording.arrival_of(onset) - key) / 1e6;
        latencies.push_back(ms);
        std::printf("key at %lld: %.1f ms (correlation %.2f)\n", (long long)key, ms, best);
    }
    if (latencies.empty())
        return 1;
    std::sort(latencies.begin(), latencies.end());
    size_t n = latencies.size();
    double median = n % 2 ? latencies[n / 2] : (latencies[n / 2 - 1] + latencies[n / 2]) / 2;
    std::printf("median %.1f ms of %zu keys\n", median, n);
    return 0;
}
