#include "music/server_link.h"

#include <algorithm>

ServerLink::ServerLink(StreamFormat format, SoundSource& source) : away_(format, source) {}

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
        away_.begin(now);
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
        away_.count(now);
        if (now < deadline_)
            return Due::nothing;
        state_ = State::waiting;
        deadline_ = now + pause_;
        return Due::drop;
    case State::waiting:
        away_.count(now);
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
