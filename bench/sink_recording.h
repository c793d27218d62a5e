// What reached the sound server's sink, read from its monitor, and the
// voices found in it (shared by key_to_sound and sink_music).
//
// The monitor is read from standard input (raw s16le stereo 44100 Hz, as
// parec --raw writes it) in small blocks, and the wall-clock time
// (CLOCK_REALTIME, ns) at which each block arrives is noted with it. A
// block arrives at most a few milliseconds after the sink has rendered it,
// so a time taken from an arrival is late by at most that much.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <utility>
#include <vector>

#include "music/wave_sound.h"

inline constexpr int SINK_RATE = 44100;

int64_t now_ns();

struct Recording {
    std::vector<float> mono;
    std::vector<std::pair<size_t, int64_t>> arrivals;  // first frame of a block, its time

    // Reads to the end of the input.
    void read(std::FILE* in);
    // The arrival time of the block holding the frame.
    int64_t arrival_of(size_t frame) const;
    // The first frame of the first block that arrived after the time (the
    // recording's end when none did).
    size_t first_frame_after(int64_t time) const;
    // Where the frames fell behind wall time, and by how many ms: the
    // blocks after arrived that much later for good than the frames before
    // them allow (frames lost on the way, or the server's clock standing
    // still). A block merely late is not a gap.
    std::vector<std::pair<size_t, double>> gaps() const;
};

// The normalised correlation of the template with x from frame at on
// (0 where x is silent or too short).
double correlation_at(std::span<const float> x, size_t at, std::span<const float> t);

// The best normalised correlation of the template at any start in
// [from, to); sets at to that start.
double best_match(std::span<const float> x, std::span<const float> t, size_t from, size_t to, size_t& at);

// A voice's first 30 ms from its first audible frame, in mono: what is
// looked for after a key.
std::vector<float> voice_template(const WaveSound& sound);

struct VoiceFound {
    double correlation = 0;
    size_t onset = 0;
};

// The best match in x of any of the voices' templates starting in [from, to).
VoiceFound find_voice(std::span<const float> x, const std::vector<std::vector<float>>& templates, size_t from, size_t to);
