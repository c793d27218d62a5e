// The units of the output stream: frames (stereo pairs, counted at the
// stream's rate), bytes of interleaved floats as the server counts them,
// and time. StreamFormat is the one place that converts between them; like
// the stream's own clock it rounds down.
#pragma once

#include <chrono>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>

// A number of frames, or a frame's index in the stream.
struct Frames {
    int64_t count = 0;

    friend constexpr auto operator<=>(Frames, Frames) = default;
    friend constexpr Frames operator+(Frames a, Frames b) { return {a.count + b.count}; }
    friend constexpr Frames operator-(Frames a, Frames b) { return {a.count - b.count}; }
    constexpr Frames& operator+=(Frames other)
    {
        count += other.count;
        return *this;
    }
    constexpr Frames& operator-=(Frames other)
    {
        count -= other.count;
        return *this;
    }
};

struct StreamFormat {
    static constexpr int CHANNELS = 2;
    static constexpr int64_t FRAME_BYTES = CHANNELS * sizeof(float);

    int rate;

    constexpr Frames frames_in(std::chrono::microseconds time) const { return {time.count() * rate / 1000000}; }
    constexpr std::chrono::microseconds time_of(Frames frames) const
    {
        return std::chrono::microseconds(frames.count * 1000000 / rate);
    }
    static constexpr Frames frames_in_bytes(int64_t bytes) { return {bytes / FRAME_BYTES}; }
    static constexpr int64_t bytes_in(Frames frames) { return frames.count * FRAME_BYTES; }
    // The frames held by interleaved samples.
    static constexpr Frames frames_in(std::span<const float> samples)
    {
        return {static_cast<int64_t>(samples.size() / CHANNELS)};
    }
};
