#include "music/stream_queue.h"

#include <algorithm>

StreamQueue::Part::Part() : left(CHUNK), right(CHUNK), kept(StreamFormat::CHANNELS * HISTORY) {}

void StreamQueue::Part::clear(int frames)
{
    std::fill_n(left.begin(), frames, 0.0f);
    std::fill_n(right.begin(), frames, 0.0f);
}

void StreamQueue::Part::keep(Frames at, int frames)
{
    for (int i = 0; i < frames; ++i) {
        float* slot = &kept[StreamFormat::CHANNELS * ((at.count + i) % HISTORY)];
        slot[0] = left[i];
        slot[1] = right[i];
    }
}

void StreamQueue::Part::take_kept(Frames at, int frames)
{
    for (int i = 0; i < frames; ++i) {
        const float* slot = &kept[StreamFormat::CHANNELS * ((at.count + i) % HISTORY)];
        left[i] = slot[0];
        right[i] = slot[1];
    }
}

StreamQueue::StreamQueue(StreamFormat format, SoundSource& source) : format_(format), source_(source) {}

void StreamQueue::new_stream()
{
    written_ = {};
    silent_ = {};
    pass_end_.reset();
    awaited_ = {};
    if (state_ == State::awaiting)
        state_ = State::playing;
}

void StreamQueue::play_when_ready()
{
    if (state_ == State::corked)
        play();
}

void StreamQueue::play()
{
    state_ = State::playing;
    silent_ = {};
    awaited_ = {};
}

bool StreamQueue::request(std::span<float> out)
{
    Frames frames = StreamFormat::frames_in(out);
    for (Frames done; done < frames;) {
        int chunk = static_cast<int>(std::min<int64_t>(CHUNK, (frames - done).count));
        bool sounded = render(written_, chunk, Take::fresh, Take::fresh, out.data() + StreamFormat::CHANNELS * done.count);
        written_ += Frames{chunk};
        done += Frames{chunk};
        silent_ = sounded ? Frames{} : silent_ + Frames{chunk};
    }
    if (state_ != State::playing || silent_ < format_.frames_in(TARGET))
        return false;
    // What sounded has been played: what is still queued is silence, and
    // the next sound is written over it where the listener is.
    state_ = State::corked;
    return true;
}

StreamQueue::Ask StreamQueue::change(Change change)
{
    Ask ask = Ask::listener;
    if (state_ == State::corked) {
        if (change == Change::music_stops)
            return Ask::nothing;
        awaited_ = {};
        awaited_.after_silence = true;
        ask = Ask::uncork_and_listener;
    } else if (state_ == State::playing) {
        awaited_ = {};
    }
    state_ = State::awaiting;
    switch (change) {
    case Change::pass_starts:
        awaited_.pass_starts = true;
        break;
    case Change::music_stops:
        awaited_.music_stops = true;
        // What follows a stop follows no pass's end.
        pass_end_.reset();
        break;
    case Change::effect_starts:
        awaited_.effect_starts = true;
        break;
    }
    return ask;
}

StreamQueue::Rewrite StreamQueue::answer(Frames listener)
{
    const Rewrite none{written_, written_};
    if (state_ != State::awaiting)
        return none;
    const Awaited awaited = awaited_;
    play();
    Frames oldest_kept = written_ - Frames{HISTORY - CHUNK};
    Frames from = std::max({listener + format_.frames_in(LEAD), oldest_kept, Frames{}});
    if (awaited.pass_starts && pass_end_)
        from = std::max(from, *pass_end_);
    if (from >= written_)
        return none;
    if (awaited.effect_starts)
        source_.restart_effect();
    if (awaited.pass_starts)
        source_.restart_music();
    return {from, written_, awaited.fresh_music() ? Take::fresh : Take::kept,
            awaited.effect_starts ? Take::fresh : Take::kept};
}

void StreamQueue::no_answer()
{
    if (state_ == State::awaiting)
        play();
}

std::span<float> StreamQueue::render_again(Rewrite& rewrite, std::span<float> out)
{
    Frames frames = std::min(StreamFormat::frames_in(out), rewrite.left());
    for (Frames done; done < frames;) {
        int chunk = static_cast<int>(std::min<int64_t>(CHUNK, (frames - done).count));
        render(rewrite.next, chunk, rewrite.music, rewrite.effects, out.data() + StreamFormat::CHANNELS * done.count);
        rewrite.next += Frames{chunk};
        done += Frames{chunk};
    }
    return out.first(static_cast<std::size_t>(StreamFormat::CHANNELS * frames.count));
}

bool StreamQueue::render(Frames at, int frames, Take music, Take effects, float* out)
{
    bool sounded = make_music(at, frames, music);
    sounded = make_effects(at, frames, effects) || sounded;
    for (int i = 0; i < frames; ++i) {
        out[2 * i] = music_.left[i] + effects_.left[i];
        out[2 * i + 1] = music_.right[i] + effects_.right[i];
    }
    return sounded;
}

bool StreamQueue::make_music(Frames at, int frames, Take take)
{
    if (take == Take::kept) {
        music_.take_kept(at, frames);
        return false;
    }
    music_.clear(frames);
    SoundSource::Music made = source_.mix_music(music_.left.data(), music_.right.data(), frames);
    // A new pass made ahead of its answer is made again at the rewrite: its
    // end here would be no end.
    bool new_pass_awaited = state_ == State::awaiting && awaited_.pass_starts;
    if (made.pass_ended_at && !new_pass_awaited)
        pass_end_ = at + Frames{*made.pass_ended_at};
    music_.keep(at, frames);
    return made.sounded;
}

bool StreamQueue::make_effects(Frames at, int frames, Take take)
{
    if (take == Take::kept) {
        effects_.take_kept(at, frames);
        return false;
    }
    effects_.clear(frames);
    bool sounded = source_.mix_effects(effects_.left.data(), effects_.right.data(), frames);
    effects_.keep(at, frames);
    return sounded;
}
