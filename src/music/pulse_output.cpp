#include "music/pulse_output.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <utility>

namespace {

using std::chrono::milliseconds;

// The stream's whole buffer and the step in which the server asks for more.
// With the latency adjusted, the server keeps (TARGET - 2 MINREQ) / 2 of it
// in its own buffer.
constexpr milliseconds TARGET{300};
constexpr milliseconds MINREQ{100};
// How far ahead of the listener an effect is written: the time for the
// server to answer where the listener is and to take the new sound.
constexpr milliseconds EFFECT_LEAD{10};
// The most frames mixed in one go; the music kept for writing again (a
// power of two, more than TARGET and CHUNK together, so that the whole
// queue can be written again).
constexpr int CHUNK = 2048;
constexpr int HISTORY = 16384;
// While the server is away: how often time is counted, the first pause
// before trying again, and the longest.
constexpr milliseconds TICK{50};
constexpr milliseconds FIRST_RETRY{250};
constexpr milliseconds LONGEST_RETRY{2000};

constexpr const char* NAME = "とんぼら";
constexpr std::size_t FRAME = 2 * sizeof(float);

int64_t frames_in(milliseconds time, int rate) { return time.count() * rate / 1000; }

void drop(pa_operation* operation)
{
    if (operation)
        pa_operation_unref(operation);
}

}  // namespace

PulseOutput::PulseOutput(int sample_rate, SoundSource& source)
    : sample_rate_(sample_rate), source_(source), loop_(pa_threaded_mainloop_new()),
      retry_pause_(FIRST_RETRY), history_(2 * HISTORY), left_(CHUNK), right_(CHUNK)
{
    pa_threaded_mainloop_set_name(loop_, "sound");
}

PulseOutput::~PulseOutput()
{
    pa_threaded_mainloop_lock(loop_);
    if (timer_)
        pa_threaded_mainloop_get_api(loop_)->time_free(timer_);
    timer_ = nullptr;
    ever_ready_ = false;  // no more tries
    lose_server();
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

bool PulseOutput::connect()
{
    if (pa_threaded_mainloop_start(loop_) < 0)
        return false;
    pa_threaded_mainloop_lock(loop_);
    begin_connect();
    while (link_ == Link::connecting)
        pa_threaded_mainloop_wait(loop_);
    bool ready = link_ == Link::ready;
    pa_threaded_mainloop_unlock(loop_);
    return ready;
}

void PulseOutput::wake(bool new_effect)
{
    if (!new_effect && !idle_.load())
        return;
    pa_threaded_mainloop_lock(loop_);
    corked_ = false;
    if (stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY) {
        // What is queued after a silence is silence: the sound starting
        // now is written over it from where the listener is.
        refill_.fresh_music |= idle_.load();
        refill_.restart_effect |= new_effect;
        if (idle_)
            set_corked(false);
        ++timing_asked_;
        drop(pa_stream_update_timing_info(
            stream_,
            [](pa_stream*, int success, void* data) {
                auto* self = static_cast<PulseOutput*>(data);
                // Only the answer to the latest question counts.
                if (--self->timing_asked_ == 0 && success && self->stream_)
                    self->write_from_listener();
            },
            this));
    }
    pa_threaded_mainloop_unlock(loop_);
}

void PulseOutput::begin_connect()
{
    link_ = Link::connecting;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), NAME);
    pa_context_set_state_callback(context_, on_context_state, this);
    // Never start a server of our own: no server means no sound.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        lose_server();
}

void PulseOutput::on_context_state(pa_context* context, void* data)
{
    auto* self = static_cast<PulseOutput*>(data);
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        self->link_ = Link::ready;
        self->ever_ready_ = true;
        self->retry_pause_ = FIRST_RETRY;
        self->open_stream();
        pa_threaded_mainloop_signal(self->loop_, 0);
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        self->lose_server();
        break;
    default:
        break;
    }
}

void PulseOutput::open_stream()
{
    pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(sample_rate_), 2};
    stream_ = pa_stream_new(context_, NAME, &format, nullptr);
    if (!stream_) {
        lose_server();
        return;
    }
    pa_stream_set_state_callback(stream_, on_stream_state, this);
    pa_stream_set_write_callback(stream_, on_write, this);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(frames_in(TARGET, sample_rate_) * FRAME);
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(frames_in(MINREQ, sample_rate_) * FRAME);
    attr.fragsize = static_cast<uint32_t>(-1);
    // The latency asked for is the whole way to the speakers, so the
    // server keeps its own buffer in proportion.
    auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | (corked_ ? PA_STREAM_START_CORKED : 0));
    silent_frames_ = 0;
    written_ = 0;
    timing_asked_ = 0;
    refill_ = {};
    idle_ = corked_;
    if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0)
        lose_server();
}

void PulseOutput::on_stream_state(pa_stream* stream, void* data)
{
    auto* self = static_cast<PulseOutput*>(data);
    pa_stream_state_t state = pa_stream_get_state(stream);
    // A stream that fails on a live server (its sink gone, say) is made
    // again like everything else, after a pause.
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
        self->lose_server();
    // Woken while the stream was still being set up.
    else if (state == PA_STREAM_READY && !self->corked_)
        self->set_corked(false);
}

void PulseOutput::lose_server()
{
    if (stream_) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    bool was_ready = link_ == Link::ready;
    link_ = Link::failed;
    idle_ = true;
    pa_threaded_mainloop_signal(loop_, 0);
    if (!ever_ready_)
        return;
    // The new stream plays at once: a piece may be under way, and if
    // nothing sounds it corks itself again.
    corked_ = false;
    if (was_ready) {
        next_try_ = std::chrono::steady_clock::now() + retry_pause_;
        last_tick_ = std::chrono::steady_clock::now();
    }
    arm_timer(TICK);
}

void PulseOutput::arm_timer(milliseconds delay)
{
    timeval when;
    pa_timeval_add(pa_gettimeofday(&when), static_cast<pa_usec_t>(delay.count()) * PA_USEC_PER_MSEC);
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    if (timer_)
        api->time_restart(timer_, &when);
    else
        timer_ = api->time_new(
            api, &when, [](pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
                static_cast<PulseOutput*>(self)->on_timer();
            },
            this);
}

void PulseOutput::on_timer()
{
    if (link_ == Link::ready)
        return;
    // The music's time goes on while no one hears it.
    auto now = std::chrono::steady_clock::now();
    auto frames = std::chrono::duration_cast<std::chrono::microseconds>(now - last_tick_).count() * sample_rate_ / 1000000;
    if (frames > 0) {
        source_.pass_time(static_cast<int>(frames));
        last_tick_ += std::chrono::microseconds(frames * 1000000 / sample_rate_);
    }
    if (link_ == Link::failed && now >= next_try_) {
        retry_pause_ = std::min(retry_pause_ * 2, LONGEST_RETRY);
        next_try_ = now + retry_pause_;
        begin_connect();
    }
    if (link_ != Link::ready)
        arm_timer(TICK);
}

void PulseOutput::on_write(pa_stream*, std::size_t bytes, void* self)
{
    static_cast<PulseOutput*>(self)->write(bytes);
}

void PulseOutput::write(std::size_t bytes)
{
    while (bytes >= FRAME) {
        int frames = static_cast<int>(std::min<std::size_t>(bytes / FRAME, CHUNK));
        bool sounded = render(written_, frames, true);
        send(frames, written_, true);
        written_ += frames;
        bytes -= frames * FRAME;
        silent_frames_ = sounded ? 0 : silent_frames_ + frames;
    }
    // A whole buffer of silence written: what sounded has been played.
    if (silent_frames_ >= frames_in(TARGET, sample_rate_))
        set_corked(true);
}

// Fills left_ and right_ for the frames from index `at`: new music (kept
// for writing again), or the music kept from before; then the effects.
bool PulseOutput::render(int64_t at, int frames, bool new_music)
{
    bool sounded = false;
    if (new_music) {
        std::fill_n(left_.begin(), frames, 0.0f);
        std::fill_n(right_.begin(), frames, 0.0f);
        sounded = source_.mix_music(left_.data(), right_.data(), frames);
    }
    for (int i = 0; i < frames; ++i) {
        float* kept = &history_[2 * ((at + i) % HISTORY)];
        if (new_music) {
            kept[0] = left_[i];
            kept[1] = right_[i];
        } else {
            left_[i] = kept[0];
            right_[i] = kept[1];
        }
    }
    return source_.mix_effects(left_.data(), right_.data(), frames) || sounded;
}

// Sends left_ and right_ to the stream, after what was written or at a
// frame index.
void PulseOutput::send(int frames, int64_t at, bool after)
{
    void* data = nullptr;
    std::size_t size = frames * FRAME;
    if (pa_stream_begin_write(stream_, &data, &size) < 0 || size < frames * FRAME)
        return;
    auto* out = static_cast<float*>(data);
    for (int i = 0; i < frames; ++i) {
        out[2 * i] = left_[i];
        out[2 * i + 1] = right_[i];
    }
    pa_stream_write(stream_, data, frames * FRAME, nullptr, after ? 0 : at * int64_t(FRAME),
                    after ? PA_SEEK_RELATIVE : PA_SEEK_ABSOLUTE);
}

// Writes the stream again from just ahead of the listener to its end: a
// new effect from its start, and after a silence the music from where it
// now is.
void PulseOutput::write_from_listener()
{
    Refill refill = std::exchange(refill_, Refill{});
    const pa_timing_info* timing = pa_stream_get_timing_info(stream_);
    if (!timing || timing->write_index_corrupt || timing->read_index_corrupt)
        return;  // the sound simply follows the buffer
    // Where the listener is: what the sink has taken, less what it holds,
    // plus the time since the server told.
    auto age = static_cast<int64_t>(pa_timeval_age(&timing->timestamp));
    int64_t heard = timing->read_index / int64_t(FRAME)
        - static_cast<int64_t>(timing->sink_usec) * sample_rate_ / 1000000 + age * sample_rate_ / 1000000;
    int64_t from = std::max({heard + frames_in(EFFECT_LEAD, sample_rate_), written_ - (HISTORY - CHUNK), int64_t{0}});
    if (from >= written_)
        return;
    if (refill.restart_effect)
        source_.restart_effect();
    for (int64_t at = from; at < written_;) {
        int frames = static_cast<int>(std::min<int64_t>(CHUNK, written_ - at));
        render(at, frames, refill.fresh_music);
        send(frames, at, false);
        at += frames;
    }
    silent_frames_ = 0;
}

void PulseOutput::set_corked(bool corked)
{
    corked_ = corked;
    idle_ = corked;
    silent_frames_ = 0;
    // What is still queued stays: it is silence, and a new effect is
    // written over it where the listener is.
    drop(pa_stream_cork(stream_, corked ? 1 : 0, nullptr, nullptr));
}
