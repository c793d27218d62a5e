// What reached the sound server's sink, read from its monitor, and the
// sounds found in it: the one recorder and matcher of the sound-server
// tests (SinkRecorder, in process) and of the measuring tools (from
// parec's output on standard input).
//
// The monitor is read as raw s16le stereo 44100 Hz in small blocks, and
// the wall-clock time (CLOCK_REALTIME, ns) at which each block arrives is
// noted with it. A block arrives at most a few milliseconds after the sink
// has rendered it, so a time taken from an arrival is late by at most that
// much.
#pragma once

#include <pulse/simple.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "music/wave_sound.h"

inline constexpr int SINK_RATE = 44100;

int64_t now_ns();

struct Recording {
    std::vector<float> mono;
    std::vector<std::pair<size_t, int64_t>> arrivals;  // first frame of a block, its time

    // Adds a block of stereo frames, arrived now.
    void append(const int16_t* stereo, size_t frames);
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

struct Match {
    size_t at = 0;
    double score = 0;  // 0: nothing matched
};
// The start in [from, to) where the template matches best.
Match best_match(std::span<const float> x, std::span<const float> t, size_t from, size_t to);
// The first start in [from, to) where it matches at least `enough`, at its
// best within a template's length from there.
Match first_match(std::span<const float> x, std::span<const float> t, size_t from, size_t to, double enough);

// A voice's first 30 ms from its first audible frame, in mono: what is
// looked for after a key.
std::vector<float> voice_template(const WaveSound& sound);

// The best match in x of any of the voices' templates starting in [from, to).
Match find_voice(std::span<const float> x, const std::vector<std::vector<float>>& templates, size_t from, size_t to);

// Records a server's sink monitor ("SINK.monitor") in process, in blocks
// of 5 ms, from construction to stop().
class SinkRecorder {
public:
    static constexpr int BLOCK = SINK_RATE / 200;

    SinkRecorder(const std::string& server, const char* sink = "game_sink");
    ~SinkRecorder();
    SinkRecorder(const SinkRecorder&) = delete;
    SinkRecorder& operator=(const SinkRecorder&) = delete;

    bool recording() const { return stream_ != nullptr; }
    // The recording's clock: how much the sink has played into it so far
    // (give or take a block).
    int64_t frames() const { return frames_.load(); }
    // Ends the recording and gives it.
    const Recording& stop();

private:
    void record();

    pa_simple* stream_ = nullptr;
    std::thread thread_;
    std::atomic<bool> running_{true};
    std::atomic<int64_t> frames_{0};
    Recording recording_;  // the recorder's thread until stop
};
