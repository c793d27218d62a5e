// The game's link to the sound server, as one state with one function for
// each move between states:
//
//   unused --try_first--> first_try --answered--> ready
//   first_try --lost, or no answer within ANSWER_TIME--> unused
//   ready --lost--> waiting --tick, when a try is due--> retrying
//   retrying --answered--> ready
//   retrying --lost, or no answer within ANSWER_TIME--> waiting
//
// Once the server has answered, the output keeps itself connected for
// good: while the server is away the music's time still passes (a piece
// ends when it would have ended), counted every TICK, and the server is
// tried again after a pause that doubles from FIRST_RETRY up to
// LONGEST_RETRY and starts over once it answers. A server that never
// answered is not tried again: the output goes on without it.
//
// Plain bookkeeping, tested without a server: PulseOutput runs the timer
// and the tries, and tells the time.
#pragma once

#include <chrono>

#include "music/silent_time.h"
#include "music/thread_safety.h"

class ServerLink {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds TICK{50};
    static constexpr std::chrono::milliseconds FIRST_RETRY{250};
    static constexpr std::chrono::milliseconds LONGEST_RETRY{2000};
    // A server that takes this long to answer a try is stuck: the game
    // goes on without it rather than wait (or hang when it closes).
    static constexpr std::chrono::milliseconds ANSWER_TIME{5000};

    enum class State { unused, first_try, ready, waiting, retrying };
    // What a tick asks of the output: nothing, a new try, or to drop the
    // try under way, which had no answer in time.
    enum class Due { nothing, try_again, drop };

    ServerLink(StreamFormat format, SoundSource& source);
    State state() const { return state_; }
    // Whether the output needs its timer: for the first try's deadline, and
    // while the server is away.
    bool ticks() const { return state_ != State::unused && state_ != State::ready; }

    void try_first(Clock::time_point now);
    void answered();
    void lost(Clock::time_point now);
    // Every TICK while ticks(): lets the time since the loss pass in the
    // music and says what is due.
    Due tick(Clock::time_point now) REQUIRES(the_mixer);

private:
    SilentTime away_;  // the time since the server was lost
    State state_ = State::unused;
    std::chrono::milliseconds pause_ = FIRST_RETRY;
    Clock::time_point deadline_;  // of the try's answer, or of the next try
};
