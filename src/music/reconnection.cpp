#include "music/reconnection.h"

#include <algorithm>

using std::chrono::duration_cast;
using std::chrono::microseconds;

Reconnection::Reconnection(StreamFormat format, SoundSource& source) : format_(format), source_(source) {}

void Reconnection::connected() { pause_ = FIRST_RETRY; }

void Reconnection::lost(Clock::time_point now)
{
    next_try_ = now + pause_;
    lost_at_ = now;
    counted_ = {};
}

// Counted from the loss, not from the last count, so that rounding to
// whole frames never adds up.
void Reconnection::count_time(Clock::time_point now)
{
    Frames due = format_.frames_in(duration_cast<microseconds>(now - lost_at_));
    if (due <= counted_)
        return;
    source_.pass_time(static_cast<int>((due - counted_).count));
    counted_ = due;
}

bool Reconnection::try_due(Clock::time_point now)
{
    if (now < next_try_)
        return false;
    pause_ = std::min(pause_ * 2, LONGEST_RETRY);
    next_try_ = now + pause_;
    return true;
}
