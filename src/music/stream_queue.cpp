#include "music/stream_queue.h"

#include <algorithm>
#include <utility>

StreamQueue::StreamQueue(StreamFormat format, SoundSource& source)
    : format_(format), source_(source), history_(StreamFormat::CHANNELS * HISTORY), left_(CHUNK), right_(CHUNK)
{
}

void StreamQueue::new_stream()
{
    written_ = {};
    silent_ = {};
    pending_ = {};
}

void StreamQueue::append(std::span<float> out)
{
    Frames frames = StreamFormat::frames_in(out);
    for (Frames done; done < frames;) {
        int chunk = static_cast<int>(std::min<int64_t>(CHUNK, (frames - done).count));
        bool sounded = render(written_, chunk, Music::fresh, out.data() + StreamFormat::CHANNELS * done.count);
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

bool StreamQueue::sound_starts(Start start)
{
    pending_.fresh_music |= corked_ || start == Start::music_change;
    pending_.restart_effect |= start == Start::effect;
    if (!corked_)
        return false;
    corked_ = false;
    silent_ = {};
    return true;
}

void StreamQueue::play_when_ready() { corked_ = false; }

StreamQueue::Rewrite StreamQueue::rewrite_from(std::optional<Frames> listener)
{
    Pending pending = std::exchange(pending_, Pending{});
    if (!listener)
        return {written_, written_};  // the sound simply follows the buffer
    Frames oldest_kept = written_ - Frames{HISTORY - CHUNK};
    Frames from = std::max({*listener + format_.frames_in(EFFECT_LEAD), oldest_kept, Frames{}});
    if (from >= written_)
        return {written_, written_};
    if (pending.restart_effect)
        source_.restart_effect();
    silent_ = {};
    return {from, written_, pending.fresh_music ? Music::fresh : Music::kept};
}

std::span<float> StreamQueue::render_again(Rewrite& rewrite, std::span<float> out)
{
    Frames frames = std::min(StreamFormat::frames_in(out), rewrite.left());
    for (Frames done; done < frames;) {
        int chunk = static_cast<int>(std::min<int64_t>(CHUNK, (frames - done).count));
        render(rewrite.next, chunk, rewrite.music, out.data() + StreamFormat::CHANNELS * done.count);
        rewrite.next += Frames{chunk};
        done += Frames{chunk};
    }
    return out.first(static_cast<std::size_t>(StreamFormat::CHANNELS * frames.count));
}

// Fresh music is asked of the source and kept; kept music comes from the
// ring. The effects go over either.
bool StreamQueue::render(Frames at, int frames, Music music, float* out)
{
    bool sounded = false;
    if (music == Music::fresh) {
        std::fill_n(left_.begin(), frames, 0.0f);
        std::fill_n(right_.begin(), frames, 0.0f);
        sounded = source_.mix_music(left_.data(), right_.data(), frames);
    }
    for (int i = 0; i < frames; ++i) {
        float* kept = &history_[StreamFormat::CHANNELS * ((at.count + i) % HISTORY)];
        if (music == Music::fresh) {
            kept[0] = left_[i];
            kept[1] = right_[i];
        } else {
            left_[i] = kept[0];
            right_[i] = kept[1];
        }
    }
    sounded = source_.mix_effects(left_.data(), right_.data(), frames) || sounded;
    for (int i = 0; i < frames; ++i) {
        out[2 * i] = left_[i];
        out[2 * i + 1] = right_[i];
    }
    return sounded;
}
