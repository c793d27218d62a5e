#include "music/stream_queue.h"

#include <algorithm>
#include <utility>

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
    pending_ = {};
    pass_end_.reset();
}

// While the answer for a new pass or a stop is awaited, the music appended
// is left silent: the rewrite makes it from where the change is heard, and
// the source has not moved on meanwhile.
void StreamQueue::append(std::span<float> out)
{
    const Take music = pending_.fresh_music() ? Take::silent : Take::fresh;
    Frames frames = StreamFormat::frames_in(out);
    for (Frames done; done < frames;) {
        int chunk = static_cast<int>(std::min<int64_t>(CHUNK, (frames - done).count));
        bool sounded = render(written_, chunk, music, Take::fresh, out.data() + StreamFormat::CHANNELS * done.count);
        written_ += Frames{chunk};
        done += Frames{chunk};
        silent_ = sounded ? Frames{} : silent_ + Frames{chunk};
    }
}

bool StreamQueue::played_out() const { return silent_ >= format_.frames_in(TARGET); }

void StreamQueue::cork()
{
    corked_ = true;
    silent_ = {};
}

StreamQueue::Answer StreamQueue::sound_starts(Start start)
{
    switch (start) {
    case Start::music_stops:
        if (corked_)
            return Answer::nothing;
        pending_.music_stops = true;
        // What follows a stop follows no pass's end.
        pass_end_.reset();
        return Answer::rewrite;
    case Start::music_plays:
        pending_.music_plays = true;
        break;
    case Start::effect:
        pending_.restart_effect = true;
        break;
    }
    if (!corked_)
        return Answer::rewrite;
    corked_ = false;
    silent_ = {};
    pending_.after_silence = true;
    return Answer::uncork_and_rewrite;
}

void StreamQueue::play_when_ready() { corked_ = false; }

StreamQueue::Rewrite StreamQueue::rewrite_from(std::optional<Frames> listener)
{
    const Pending pending = std::exchange(pending_, Pending{});
    const Rewrite none{written_, written_};
    if (!listener || !(pending.fresh_music() || pending.restart_effect))
        return none;
    Frames oldest_kept = written_ - Frames{HISTORY - CHUNK};
    Frames from = std::max({*listener + format_.frames_in(LEAD), oldest_kept, Frames{}});
    if (pending.music_plays && !pending.music_stops && pass_end_)
        from = std::max(from, *pass_end_);
    if (from >= written_)
        return none;
    if (pending.restart_effect)
        source_.restart_effect();
    if (pending.music_plays)
        source_.restart_music();
    silent_ = {};
    return {from, written_, pending.fresh_music() ? Take::fresh : Take::kept,
            pending.restart_effect ? Take::fresh : Take::kept};
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
    bool sounded = false;
    if (take == Take::fresh) {
        SoundSource::Music made = source_.mix_music(music_.left.data(), music_.right.data(), frames);
        sounded = made.sounded;
        if (made.pass_ended_at)
            pass_end_ = at + Frames{*made.pass_ended_at};
    }
    music_.keep(at, frames);
    return sounded;
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
