// The game's one stream on a PulseAudio server (or PipeWire's stand-in for
// one), on libpulse's threaded main loop. What to write, when to cork and
// when to try the server again is decided by StreamQueue and Reconnection;
// this class speaks libpulse and carries the decisions out.
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
// playing piece is still counted, and the connection is tried again until
// the server is back.
//
// Threads:
// - AudioOutput's start-up thread makes the output, calls connect and the
//   first music_changes;
// - the game's thread calls music_changes and effect_starts, and destroys
//   the output;
// - libpulse's main-loop thread ("sound") runs every callback and timer,
//   and with them all the private functions.
// Everything is guarded by the main loop's lock: libpulse holds it around
// its callbacks, and the public functions take it. Only stream_plays_ is
// read without it, so that a music command while the stream plays costs
// the game's thread no lock.
#pragma once

#include <atomic>
#include <optional>
#include <span>

#include "music/reconnection.h"
#include "music/sound_source.h"
#include "music/sound_units.h"
#include "music/stream_queue.h"

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;

class PulseOutput {
public:
    PulseOutput(int sample_rate, SoundSource& source);
    ~PulseOutput();
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // Connects to the server; false when none answers. Call it once; after
    // a true the output keeps itself connected for good.
    bool connect();
    // A piece was played, stopped or closed (playing: whether one plays
    // now). A corked stream plays again at once; on a playing stream the
    // queued music is written again from where the listener is, so a
    // stop or a new piece is heard at once, not after the buffer.
    void music_changes(bool playing);
    // An effect starts: it is written from where the listener is.
    void effect_starts();

private:
    void sound_starts(StreamQueue::Start start);
    void begin_connect();
    void open_stream();
    void lose_server();
    void drop_connection();
    void append(std::size_t bytes);
    void ask_where_listener_is();
    std::optional<Frames> listener() const;
    void rewrite_from_listener();
    std::span<float> begin_block(Frames wanted);
    void send_after_written(std::span<float> block);
    void send_at(Frames at, std::span<float> block);
    void cork_stream();
    void uncork_stream();
    void arm_tick();
    void on_tick();
    static void on_context_state(pa_context* context, void* self);
    static void on_stream_state(pa_stream* stream, void* self);
    static void on_write(pa_stream* stream, std::size_t bytes, void* self);
    static void on_timing(pa_stream* stream, int success, void* self);

    StreamFormat format_;
    StreamQueue queue_;
    Reconnection reconnection_;

    pa_threaded_mainloop* loop_;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_time_event* tick_ = nullptr;
    enum class Link { connecting, ready, failed } link_ = Link::connecting;
    bool connected_once_ = false;  // false: connect() failed, no tries
    int questions_ = 0;            // timing requests not yet answered

    std::atomic<bool> stream_plays_{false};  // ready and uncorked, or to be
};
