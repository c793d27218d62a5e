#include "music/pulse_output.h"

namespace {

using std::chrono::microseconds;
using Clock = ServerLink::Clock;

constexpr const char* NAME = "とんぼら";

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

class SCOPED_CAPABILITY LoopLock {
public:
    LoopLock(const PulseLibrary& pa, pa_threaded_mainloop* loop, [[maybe_unused]] const PulseLoopLock& lock) ACQUIRE(lock)
        : pa_(pa), loop_(loop)
    {
        pa_.pa_threaded_mainloop_lock(loop_);
    }
    ~LoopLock() RELEASE() { pa_.pa_threaded_mainloop_unlock(loop_); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    const PulseLibrary& pa_;
    pa_threaded_mainloop* loop_;
};

}  // namespace

PulseOutput::PulseOutput(int sample_rate, SoundSource& source, const PulseLibrary& library)
    : pa_(library), format_{sample_rate}, queue_(format_, source), link_(format_, source),
      loop_(pa_.pa_threaded_mainloop_new())
{
    if (loop_)
        pa_.pa_threaded_mainloop_set_name(loop_, "sound");
}

PulseOutput::~PulseOutput()
{
    if (!loop_)
        return;
    {
        LoopLock lock(pa_, loop_, loop_lock_);
        if (tick_)
            pa_.pa_threaded_mainloop_get_api(loop_)->time_free(tick_);
        drop_connection();
    }
    pa_.pa_threaded_mainloop_stop(loop_);
    pa_.pa_threaded_mainloop_free(loop_);
}

bool PulseOutput::connect()
{
    if (!loop_ || pa_.pa_threaded_mainloop_start(loop_) < 0)
        return false;
    LoopLock lock(pa_, loop_, loop_lock_);
    // Without the timer a first try could wait for ever, and a lost server
    // would never be tried again: no timer, no output.
    if (!make_timer())
        return false;
    link_.try_first(Clock::now());
    begin_connect();
    if (link_.ticks())
        arm_tick();
    while (link_.state() == ServerLink::State::first_try)
        pa_.pa_threaded_mainloop_wait(loop_);
    return link_.state() != ServerLink::State::unused;
}

void PulseOutput::pass_starts()
{
    LoopLock lock(pa_, loop_, loop_lock_);
    change(StreamQueue::Change::pass_starts);
}

void PulseOutput::music_stops()
{
    LoopLock lock(pa_, loop_, loop_lock_);
    change(StreamQueue::Change::music_stops);
}

void PulseOutput::effect_starts()
{
    LoopLock lock(pa_, loop_, loop_lock_);
    change(StreamQueue::Change::effect_starts);
}


int PulseOutput::underflows()
{
    LoopLock lock(pa_, loop_, loop_lock_);
    return underflows_;
}

void PulseOutput::change(StreamQueue::Change change)
{
    if (!stream_ready()) {
        if (change != StreamQueue::Change::music_stops)
            queue_.play_when_ready();
        return;
    }
    switch (queue_.change(change)) {
    case StreamQueue::Ask::nothing:
        return;
    case StreamQueue::Ask::uncork_and_listener:
        uncork_stream();
        if (!stream_)
            return;
        [[fallthrough]];
    case StreamQueue::Ask::listener:
        ask_where_listener_is();
    }
}

bool PulseOutput::stream_ready() const
{
    return stream_ && pa_.pa_stream_get_state(stream_) == PA_STREAM_READY;
}

// A try at the server; failing at once is losing it.
void PulseOutput::begin_connect()
{
    context_ = pa_.pa_context_new(pa_.pa_threaded_mainloop_get_api(loop_), NAME);
    if (!context_) {
        lose_server();
        return;
    }
    pa_.pa_context_set_state_callback(context_, on_context_state, this);
    // Never start a server of our own: no server means no sound.
    if (pa_.pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        lose_server();
}

void PulseOutput::on_context_state(pa_context* context, void* data)
{
    auto* self = static_cast<PulseOutput*>(data);
    self->loop_lock_.held_by_loop();
    switch (self->pa_.pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        self->on_answer();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        self->lose_server();
        break;
    default:
        break;
    }
}

void PulseOutput::on_answer()
{
    link_.answered();
    open_stream();
    pa_.pa_threaded_mainloop_signal(loop_, 0);
}

// The connection, or its stream, is gone (a stream can fail on a live
// server when its sink goes): everything is dropped and, once the server
// has answered before, tried again after a pause.
void PulseOutput::lose_server()
{
    drop_connection();
    link_.lost(Clock::now());
    if (link_.state() == ServerLink::State::waiting) {
        // The next stream plays at once: a piece may be under way, and if
        // nothing sounds it corks itself again.
        queue_.play_when_ready();
    }
    if (link_.ticks())
        arm_tick();
}

void PulseOutput::drop_connection()
{
    if (stream_) {
        pa_.pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_.pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_.pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
        pa_.pa_stream_disconnect(stream_);
        pa_.pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_) {
        pa_.pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_.pa_context_disconnect(context_);
        pa_.pa_context_unref(context_);
        context_ = nullptr;
    }
    // connect() may be waiting for the first answer.
    pa_.pa_threaded_mainloop_signal(loop_, 0);
}

// Made unset (no time given): arm_tick sets it.
bool PulseOutput::make_timer()
{
    pa_mainloop_api* api = pa_.pa_threaded_mainloop_get_api(loop_);
    tick_ = api->time_new(
        api, nullptr, [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
            auto* self = static_cast<PulseOutput*>(data);
            self->loop_lock_.held_by_loop();
            ActingAsMixer mixer;
            self->on_tick();
        },
        this);
    return tick_ != nullptr;
}

void PulseOutput::arm_tick()
{
    timeval when;
    pa_.pa_timeval_add(pa_.pa_gettimeofday(&when), microseconds(ServerLink::TICK).count());
    pa_.pa_threaded_mainloop_get_api(loop_)->time_restart(tick_, &when);
}

void PulseOutput::on_tick()
{
    switch (link_.tick(Clock::now())) {
    case ServerLink::Due::try_again:
        begin_connect();
        break;
    case ServerLink::Due::drop:
        drop_connection();
        break;
    case ServerLink::Due::nothing:
        break;
    }
    if (link_.ticks())
        arm_tick();
}

void PulseOutput::open_stream()
{
    pa_sample_spec sample_format{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(format_.rate), StreamFormat::CHANNELS};
    stream_ = pa_.pa_stream_new(context_, NAME, &sample_format, nullptr);
    if (!stream_) {
        lose_server();
        return;
    }
    pa_.pa_stream_set_state_callback(stream_, on_stream_state, this);
    pa_.pa_stream_set_write_callback(stream_, on_write, this);
    pa_.pa_stream_set_underflow_callback(stream_, on_underflow, this);
    pa_buffer_attr attr = buffer_for(format_);
    queue_.new_stream();
    asked_ = answered_ = 0;
    auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY
                                                | (queue_.state() == StreamQueue::State::corked ? PA_STREAM_START_CORKED : 0));
    if (pa_.pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0)
        lose_server();
}

void PulseOutput::on_stream_state(pa_stream* stream, void* data)
{
    auto* self = static_cast<PulseOutput*>(data);
    self->loop_lock_.held_by_loop();
    pa_stream_state_t state = self->pa_.pa_stream_get_state(stream);
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
        self->lose_server();
    // A sound started while the stream was still being set up.
    else if (state == PA_STREAM_READY && self->queue_.state() != StreamQueue::State::corked)
        self->uncork_stream();
}

void PulseOutput::on_underflow(pa_stream*, void* data)
{
    auto* self = static_cast<PulseOutput*>(data);
    self->loop_lock_.held_by_loop();
    ++self->underflows_;
}

void PulseOutput::on_write(pa_stream*, std::size_t bytes, void* data)
{
    auto* self = static_cast<PulseOutput*>(data);
    self->loop_lock_.held_by_loop();
    ActingAsMixer mixer;
    self->append(bytes);
}

// One block of shared memory a request where the server allows it: each
// block costs a wake-up when the server lets it go.
void PulseOutput::append(std::size_t bytes)
{
    bool cork = false;
    for (Frames left = StreamFormat::frames_in_bytes(bytes); left > Frames{};) {
        std::span<float> block = begin_block(left);
        if (block.empty())
            return;
        cork = queue_.request(block) || cork;
        if (!send(block, 0, PA_SEEK_RELATIVE))
            return;
        left -= StreamFormat::frames_in(block);
    }
    if (cork)
        cork_stream();
}

// A question that cannot be asked leaves the stream as it is: the new
// sound follows what is queued, unless the answer to an earlier question
// is still to come, which then serves this one too.
void PulseOutput::ask_where_listener_is()
{
    pa_operation* asked = pa_.pa_stream_update_timing_info(stream_, on_timing, this);
    if (!asked) {
        if (answered_ == asked_)
            queue_.no_answer();
        return;
    }
    ++asked_;
    pa_.pa_operation_unref(asked);
}

void PulseOutput::on_timing(pa_stream* stream, int success, void* data)
{
    auto* self = static_cast<PulseOutput*>(data);
    self->loop_lock_.held_by_loop();
    ActingAsMixer mixer;
    if (stream != self->stream_ || ++self->answered_ != self->asked_)
        return;
    std::optional<Frames> listener = success ? self->listener() : std::nullopt;
    if (listener)
        self->write_again(self->queue_.answer(*listener));
    else
        self->queue_.no_answer();
}

// What the sink has taken, less what it still holds, plus the time since
// the server told.
std::optional<Frames> PulseOutput::listener() const
{
    const pa_timing_info* timing = pa_.pa_stream_get_timing_info(stream_);
    if (!timing || timing->write_index_corrupt || timing->read_index_corrupt)
        return std::nullopt;
    return StreamFormat::frames_in_bytes(timing->read_index) - format_.frames_in(microseconds(timing->sink_usec))
        + format_.frames_in(microseconds(pa_.pa_timeval_age(&timing->timestamp)));
}

void PulseOutput::write_again(StreamQueue::Rewrite rewrite)
{
    while (rewrite.left() > Frames{}) {
        Frames at = rewrite.next;
        std::span<float> block = begin_block(rewrite.left());
        if (block.empty())
            return;
        if (!send(queue_.render_again(rewrite, block), StreamFormat::bytes_in(at), PA_SEEK_ABSOLUTE))
            return;
    }
}

// Shared memory for the frames wanted or fewer; empty when the server
// gives none, or the stream has failed (it is then dropped).
std::span<float> PulseOutput::begin_block(Frames wanted)
{
    void* data = nullptr;
    std::size_t size = StreamFormat::bytes_in(wanted);
    if (pa_.pa_stream_begin_write(stream_, &data, &size) < 0) {
        lose_server();
        return {};
    }
    Frames frames = StreamFormat::frames_in_bytes(static_cast<int64_t>(size));
    if (frames <= Frames{}) {
        pa_.pa_stream_cancel_write(stream_);
        return {};
    }
    return {static_cast<float*>(data), static_cast<std::size_t>(frames.count * StreamFormat::CHANNELS)};
}

// Sends a block taken with begin_block; false when the stream has failed
// (it is then dropped).
bool PulseOutput::send(std::span<float> block, int64_t offset, pa_seek_mode_t seek)
{
    if (pa_.pa_stream_write(stream_, block.data(), block.size_bytes(), nullptr, offset, seek) >= 0)
        return true;
    pa_.pa_stream_cancel_write(stream_);
    lose_server();
    return false;
}

void PulseOutput::cork_stream()
{
    if (pa_operation* corked = pa_.pa_stream_cork(stream_, 1, nullptr, nullptr))
        pa_.pa_operation_unref(corked);
    else
        lose_server();
}

void PulseOutput::uncork_stream()
{
    if (pa_operation* uncorked = pa_.pa_stream_cork(stream_, 0, nullptr, nullptr))
        pa_.pa_operation_unref(uncorked);
    else
        lose_server();
}
