#include "music/server_link.h"

#include <algorithm>

using std::chrono::duration_cast;
using std::chrono::microseconds;

ServerLink::ServerLink(StreamFormat format, SoundSource& source) : format_(format), source_(source) {}

void ServerLink::try_first(Clock::time_point now)
{
    if (state_ != State::unused)
        return;
    state_ = State::first_try;
    deadline_ = now + ANSWER_TIME;
}

void ServerLink::answered()
{
    if (state_ != State::first_try && state_ != State::retrying)
        return;
    state_ = State::ready;
    pause_ = FIRST_RETRY;
}

void ServerLink::lost(Clock::time_point now)
{
    switch (state_) {
    case State::first_try:
        state_ = State::unused;
        break;
    case State::ready:
        lost_at_ = now;
        counted_ = {};
        [[fallthrough]];
    case State::retrying:
        state_ = State::waiting;
        deadline_ = now + pause_;
        break;
    case State::unused:
    case State::waiting:
        break;
    }
}

ServerLink::Due ServerLink::tick(Clock::time_point now)
{
    switch (state_) {
    case State::first_try:
        if (now < deadline_)
            return Due::nothing;
        state_ = State::unused;
        return Due::drop;
    case State::retrying:
        count_time(now);
        if (now < deadline_)
            return Due::nothing;
        state_ = State::waiting;
        deadline_ = now + pause_;
        return Due::drop;
    case State::waiting:
        count_time(now);
        if (now < deadline_)
            return Due::nothing;
        state_ = State::retrying;
        deadline_ = now + ANSWER_TIME;
        pause_ = std::min(pause_ * 2, LONGEST_RETRY);
        return Due::try_again;
    case State::unused:
    case State::ready:
        break;
    }
    return Due::nothing;
}
// Counted from the loss, not from the last count, so that rounding to
// whole frames never adds up.
void ServerLink::count_time(Clock::time_point now)
{
    Frames due = format_.frames_in(duration_cast<microseconds>(now - lost_at_));
    if (due <= counted_)
        return;
    source_.pass_time(static_cast<int>((due - counted_).count));
    counted_ = due;
}
