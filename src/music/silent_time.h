// Time that passes in the music without its sound being made (no device,
// or the sound server away), so that a piece still ends when it would
// have ended. Counted from the moment the silence began, not from the
// last count, so that rounding to whole frames never adds up.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "music/sound_source.h"
#include "music/sound_units.h"
#include "music/thread_safety.h"

class SilentTime {
public:
    using Clock = std::chrono::steady_clock;

    SilentTime(StreamFormat format, SoundSource& source) : format_(format), source_(source) {}

    void begin(Clock::time_point now)
    {
        began_ = now;
        counted_ = {};
    }
    // Lets the time from the beginning until now pass in the music.
    void count(Clock::time_point now) REQUIRES(the_mixer)
    {
        Frames due = format_.frames_in(std::chrono::duration_cast<std::chrono::microseconds>(now - began_));
        while (counted_ < due) {
            auto frames = static_cast<int>(std::min<int64_t>(INT32_MAX, (due - counted_).count));
            source_.pass_time(frames);
            counted_ += Frames{frames};
        }
    }

private:
    StreamFormat format_;
    SoundSource& source_;
    Clock::time_point began_;
    Frames counted_;
};
