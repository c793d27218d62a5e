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
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "sink_recording.h"

namespace {

constexpr size_t SEARCH = SINK_RATE * 400 / 1000;  // frames searched per key
constexpr double MATCH = 0.8;                        // correlation that counts

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
        if (auto sound = decode_wave(argv[i], SINK_RATE))
            templates.push_back(voice_template(*sound));
    std::ifstream keys(argv[1]);
    std::vector<double> latencies;
    for (int64_t key; keys >> key;) {
        size_t from = recording.first_frame_after(key);
        auto [onset, best] = find_voice(recording.mono, templates, from, from + SEARCH);
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
