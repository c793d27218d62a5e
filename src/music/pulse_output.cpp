#include "music/pulse_output.h"

#include "music/pulse_library.h"

namespace {

using std::chrono::microseconds;

constexpr const char* NAME = "とんぼら";

void drop(pa_operation* operation)
{
    if (operation)
        pulse()->pa_operation_unref(operation);
}

uint32_t bytes_in(StreamFormat format, std::chrono::milliseconds time)
{
    return static_cast<uint32_t>(StreamFormat::bytes_in(format.frames_in(time)));
}

// The server's defaults but for the two sizes the queue is made for.
pa_buffer_attr buffer_for(StreamFormat format)
{
    constexpr auto ANY = static_cast<uint32_t>(-1);
    return {.maxlength = ANY,
            .tlength = bytes_in(format, StreamQueue::TARGET),
            .prebuf = ANY,
            .minreq = bytes_in(format, StreamQueue::MINREQ),
            .fragsize = ANY};
}

class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pulse()->pa_threaded_mainloop_lock(loop_); }
    ~LoopLock() { pulse()->pa_threaded_mainloop_unlock(loop_); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

}  // namespace

PulseOutput::PulseOutput(int sample_rate, SoundSource& source)
    : format_{sample_rate}, queue_(format_, source), reconnection_(format_, source),
      loop_(pulse()->pa_threaded_mainloop_new())
{
    pulse()->pa_threaded_mainloop_set_name(loop_, "sound");
}

PulseOutput::~PulseOutput()
{
    {
        LoopLock lock(loop_);
        if (tick_)
            pulse()->pa_threaded_mainloop_get_api(loop_)->time_free(tick_);
        drop_connection();
    }
    pulse()->pa_threaded_mainloop_stop(loop_);
    pulse()->pa_threaded_mainloop_free(loop_);
}

bool PulseOutput::connect()
{
    if (pulse()->pa_threaded_mainloop_start(loop_) < 0)
        return false;
    LoopLock lock(loop_);
    begin_connect();
    while (link_ == Link::connecting)
        pulse()->pa_threaded_mainloop_wait(loop_);
    return link_ == Link::ready;
}

void PulseOutput::music_changes(bool playing)
{
    // Corked, the queue holds only silence: a stop changes nothing heard.
    if (!playing && !stream_plays_)
        return;
    LoopLock lock(loop_);
    sound_starts(stream_plays_ ? StreamQueue::Start::music_change : StreamQueue::Start::music);
}

void PulseOutput::effect_starts()
{
    LoopLock lock(loop_);
    sound_starts(StreamQueue::Start::effect);
}

void PulseOutput::sound_starts(StreamQueue::Start start)
{
    if (!stream_ || pulse()->pa_stream_get_state(stream_) != PA_STREAM_READY) {
        queue_.play_when_ready();
        return;
    }
    if (queue_.sound_starts(start))
        uncork_stream();
    ask_where_listener_is();
}

void PulseOutput::begin_connect()
{
    link_ = Link::connecting;
    context_ = pulse()->pa_context_new(pulse()->pa_threaded_mainloop_get_api(loop_), NAME);
    pulse()->pa_context_set_state_callback(context_, on_context_state, this);
    // Never start a server of our own: no server means no sound.
    if (pulse()->pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        lose_server();
}

void PulseOutput::on_context_state(pa_context* context, void* data)
{
    auto* self = static_cast<PulseOutput*>(data);
    switch (pulse()->pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        self->link_ = Link::ready;
        self->connected_once_ = true;
        self->reconnection_.connected();
        self->open_stream();
        pulse()->pa_threaded_mainloop_signal(self->loop_, 0);
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
    pa_sample_spec sample_format{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(format_.rate), StreamFormat::CHANNELS};
    stream_ = pulse()->pa_stream_new(context_, NAME, &sample_format, nullptr);
    if (!stream_) {
        lose_server();
        return;
    }
    pulse()->pa_stream_set_state_callback(stream_, on_stream_state, this);
    pulse()->pa_stream_set_write_callback(stream_, on_write, this);
    pa_buffer_attr attr = buffer_for(format_);
    queue_.new_stream();
    questions_ = 0;
    stream_plays_ = !queue_.corked();
    auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY
                                                | (queue_.corked() ? PA_STREAM_START_CORKED : 0));
    if (pulse()->pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0)
        lose_server();
}

void PulseOutput::on_stream_state(pa_stream* stream, void* data)
{
    auto* self = static_cast<PulseOutput*>(data);
    pa_stream_state_t state = pulse()->pa_stream_get_state(stream);
    // A stream that fails on a live server (its sink gone, say) is made
    // again like everything else, after a pause.
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
        self->lose_server();
    // Woken while the stream was still being set up.
    else if (state == PA_STREAM_READY && !self->queue_.corked())
        self->uncork_stream();
}

void PulseOutput::lose_server()
{
    bool was_ready = link_ == Link::ready;
    drop_connection();
    if (!connected_once_)
        return;
    // The new stream plays at once: a piece may be under way, and if
    // nothing sounds it corks itself again.
    queue_.play_when_ready();
    if (was_ready)
        reconnection_.lost(Reconnection::Clock::now());
    arm_tick();
}

void PulseOutput::drop_connection()
{
    if (stream_) {
        pulse()->pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pulse()->pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pulse()->pa_stream_disconnect(stream_);
        pulse()->pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_) {
        pulse()->pa_context_set_state_callback(context_, nullptr, nullptr);
        pulse()->pa_context_disconnect(context_);
        pulse()->pa_context_unref(context_);
        context_ = nullptr;
    }
    link_ = Link::failed;
    stream_plays_ = false;
    pulse()->pa_threaded_mainloop_signal(loop_, 0);
}

void PulseOutput::arm_tick()
{
    timeval when;
    pulse()->pa_timeval_add(pulse()->pa_gettimeofday(&when), microseconds(Reconnection::TICK).count());
    pa_mainloop_api* api = pulse()->pa_threaded_mainloop_get_api(loop_);
    if (tick_)
        api->time_restart(tick_, &when);
    else
        tick_ = api->time_new(
            api, &when, [](pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
                static_cast<PulseOutput*>(self)->on_tick();
            },
            this);
}

void PulseOutput::on_tick()
{
    if (link_ == Link::ready)
        return;
    auto now = Reconnection::Clock::now();
    reconnection_.count_time(now);
    if (link_ == Link::failed && reconnection_.try_due(now))
        begin_connect();
    if (link_ != Link::ready)
        arm_tick();
}

void PulseOutput::on_write(pa_stream*, std::size_t bytes, void* self)
{
    static_cast<PulseOutput*>(self)->append(bytes);
}

// One block of shared memory a request where the server allows it: each
// block costs a wake-up when the server lets it go.
void PulseOutput::append(std::size_t bytes)
{
    for (Frames left = StreamFormat::frames_in_bytes(bytes); left > Frames{};) {
        std::span<float> block = begin_block(left);
        if (block.empty())
            return;
        queue_.append(block);
        send_after_written(block);
        left -= StreamFormat::frames_in(block);
    }
    if (queue_.played_out())
        cork_stream();
}

void PulseOutput::ask_where_listener_is()
{
    ++questions_;
    drop(pulse()->pa_stream_update_timing_info(stream_, on_timing, this));
}

void PulseOutput::on_timing(pa_stream*, int success, void* data)
{
    auto* self = static_cast<PulseOutput*>(data);
    // Only the answer to the latest question counts.
    if (--self->questions_ == 0 && success && self->stream_)
        self->rewrite_from_listener();
}

// What the sink has taken, less what it still holds, plus the time since
// the server told.
std::optional<Frames> PulseOutput::listener() const
{
    const pa_timing_info* timing = pulse()->pa_stream_get_timing_info(stream_);
    if (!timing || timing->write_index_corrupt || timing->read_index_corrupt)
        return std::nullopt;
    return StreamFormat::frames_in_bytes(timing->read_index) - format_.frames_in(microseconds(timing->sink_usec))
        + format_.frames_in(microseconds(pulse()->pa_timeval_age(&timing->timestamp)));
}

void PulseOutput::rewrite_from_listener()
{
    for (StreamQueue::Rewrite rewrite = queue_.rewrite_from(listener()); rewrite.left() > Frames{};) {
        Frames at = rewrite.next;
        std::span<float> block = begin_block(rewrite.left());
        if (block.empty())
            return;
        send_at(at, queue_.render_again(rewrite, block));
    }
}

// Shared memory for the frames wanted or fewer; empty when the server
// gives none.
std::span<float> PulseOutput::begin_block(Frames wanted)
{
    void* data = nullptr;
    std::size_t size = StreamFormat::bytes_in(wanted);
    if (pulse()->pa_stream_begin_write(stream_, &data, &size) < 0)
        return {};
    Frames frames = StreamFormat::frames_in_bytes(static_cast<int64_t>(size));
    if (frames <= Frames{}) {
        pulse()->pa_stream_cancel_write(stream_);
        return {};
    }
    return {static_cast<float*>(data), static_cast<std::size_t>(frames.count * StreamFormat::CHANNELS)};
}

void PulseOutput::send_after_written(std::span<float> block)
{
    pulse()->pa_stream_write(stream_, block.data(), block.size_bytes(), nullptr, 0, PA_SEEK_RELATIVE);
}

void PulseOutput::send_at(Frames at, std::span<float> block)
{
    pulse()->pa_stream_write(stream_, block.data(), block.size_bytes(), nullptr, StreamFormat::bytes_in(at), PA_SEEK_ABSOLUTE);
}

// What is still queued stays: it is silence, and the next sound is written
// over it where the listener is.
void PulseOutput::cork_stream()
{
    queue_.cork();
    stream_plays_ = false;
    drop(pulse()->pa_stream_cork(stream_, 1, nullptr, nullptr));
}

void PulseOutput::uncork_stream()
{
    stream_plays_ = true;
    drop(pulse()->pa_stream_cork(stream_, 0, nullptr, nullptr));
}
