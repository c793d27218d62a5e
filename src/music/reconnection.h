// While the sound server is away: the music's time still passes (a piece
// ends when it would have ended), counted every TICK, and the connection
// is tried again after a pause that doubles from FIRST_RETRY up to
// LONGEST_RETRY, and starts over once the server answers.
//
// Pure bookkeeping: PulseOutput runs the timer and the tries, and tells
// the time.
#pragma once

#include <chrono>

#include "music/sound_source.h"
#include "music/sound_units.h"

class Reconnection {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds TICK{50};
    static constexpr std::chrono::milliseconds FIRST_RETRY{250};
    static constexpr std::chrono::milliseconds LONGEST_RETRY{2000};

    Reconnection(StreamFormat format, SoundSource& source);

    // The server answers: a later loss waits FIRST_RETRY again.
    void connected();
    // The connection (or its stream) was lost at `now`: time is counted
    // from then, and the first try is one pause away.
    void lost(Clock::time_point now);
    // Lets the time since the last count pass in the music.
    void count_time(Clock::time_point now);
    // True when a try is due at `now`; the pause before the next one
    // then doubles.
    bool try_due(Clock::time_point now);

private:
    StreamFormat format_;
    SoundSource& source_;
    std::chrono::milliseconds pause_ = FIRST_RETRY;
    Clock::time_point next_try_, lost_at_;
    Frames counted_;  // of the time since lost_at_
};
