// The game's one stream on a PulseAudio server (or PipeWire's stand-in for
// one), on libpulse's threaded main loop. What to write and when to cork is
// decided by StreamQueue, the link to the server by ServerLink; this class
// speaks libpulse and carries the decisions out.
//
// The server asks for StreamQueue::MINREQ at a time and the stream holds
// about TARGET: the game and the server wake once a MINREQ for a request,
// and as often for the server's word that it is done with a block of
// shared memory, so a request is written in as few blocks as the server
// allows. A sound that starts does not wait behind that buffer: the output
// asks where the listener is and writes from just ahead of it again, and
// the server rewinds its sink.
//
// In silence the stream is corked and the main loop sleeps. When the
// server goes away the stream is dropped without a word, the time of a
// playing piece is still counted, and the server is tried again until it
// is back. Any call to libpulse that fails drops the connection the same
// way: silence and a retry.
//
// Threads: libpulse's loop thread runs every callback and timer, holding
// the loop's lock; it is the mixer. Everything else here is guarded by
// that lock: the public functions take it (the sound-up thread connects,
// the game's thread tells the changes), and the loop thread holds it at
// most through one request's mixing.
#pragma once

#include <optional>
#include <span>

#include "music/pulse_library.h"
#include "music/server_link.h"
#include "music/sound_source.h"
#include "music/sound_units.h"
#include "music/stream_queue.h"
#include "music/thread_safety.h"

// libpulse's loop lock, as the compiler follows it: taken with LoopLock,
// and held by libpulse for every callback and timer, which say so.
class CAPABILITY("mutex") PulseLoopLock {
public:
    void held_by_loop() const ASSERT_CAPABILITY(this) {}
};

class PulseOutput {
public:
    PulseOutput(int sample_rate, SoundSource& source, const PulseLibrary& library);
    ~PulseOutput();
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // Connects to the server; false when none answers. Call it once; after
    // a true the output keeps itself connected for good.
    bool connect();
    // A pass of the music starts, the music stops, an effect starts: on a
    // playing stream the queued sound is written again from where the
    // listener is, so the change is heard at once, not after the buffer; a
    // corked stream plays again.
    void pass_starts();
    void music_stops();
    void effect_starts();
    // How often the server has run out of sound to play (it found the
    // stream empty), over all the streams so far.
    int underflows();

private:
    void change(StreamQueue::Change change) REQUIRES(loop_lock_);
    // The moves of the link, with libpulse's side of each.
    void begin_connect() REQUIRES(loop_lock_);
    void on_answer() REQUIRES(loop_lock_);
    void lose_server() REQUIRES(loop_lock_);
    void drop_connection() REQUIRES(loop_lock_);
    bool make_timer() REQUIRES(loop_lock_);
    void arm_tick() REQUIRES(loop_lock_);
    void on_tick() REQUIRES(loop_lock_, the_mixer);

    void open_stream() REQUIRES(loop_lock_);
    void append(std::size_t bytes) REQUIRES(loop_lock_, the_mixer);
    void ask_where_listener_is() REQUIRES(loop_lock_);
    std::optional<Frames> listener() const REQUIRES(loop_lock_);
    void write_again(StreamQueue::Rewrite rewrite) REQUIRES(loop_lock_, the_mixer);
    std::span<float> begin_block(Frames wanted) REQUIRES(loop_lock_);
    bool send(std::span<float> block, int64_t offset, pa_seek_mode_t seek) REQUIRES(loop_lock_);
    void cork_stream() REQUIRES(loop_lock_);
    void uncork_stream() REQUIRES(loop_lock_);
    bool stream_ready() const REQUIRES(loop_lock_);

    static void on_context_state(pa_context* context, void* self);
    static void on_stream_state(pa_stream* stream, void* self);
    static void on_write(pa_stream* stream, std::size_t bytes, void* self);
    static void on_timing(pa_stream* stream, int success, void* self);
    static void on_underflow(pa_stream* stream, void* self);

    const PulseLibrary& pa_;
    StreamFormat format_;
    PulseLoopLock loop_lock_;
    StreamQueue queue_ GUARDED_BY(loop_lock_);
    ServerLink link_ GUARDED_BY(loop_lock_);

    pa_threaded_mainloop* loop_;
    pa_context* context_ GUARDED_BY(loop_lock_) = nullptr;
    pa_stream* stream_ GUARDED_BY(loop_lock_) = nullptr;
    // The one timer, made before the first try and kept for the output's
    // life: each move that needs it only sets it again.
    pa_time_event* tick_ GUARDED_BY(loop_lock_) = nullptr;
    // Questions about the listener on this stream: asked, and answered.
    // Answers come in order; only the one to the latest question counts.
    int asked_ GUARDED_BY(loop_lock_) = 0, answered_ GUARDED_BY(loop_lock_) = 0;
    int underflows_ GUARDED_BY(loop_lock_) = 0;
};
