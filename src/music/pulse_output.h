// The game's one stream on a PulseAudio server (or PipeWire's stand-in for
// one), on libpulse's threaded main loop.
//
// Sized for a game: the server asks for a buffer every MINREQ, so the game
// and the server wake some ten times a second, and the stream holds
// about TARGET of sound. A key's effect does not wait behind that buffer:
// the output asks the server where the listener is, and writes the music
// it already sent from just after that point again, with the new effect
// mixed in; the server rewinds its sink to take it.
//
// When nothing has sounded for a whole TARGET the stream is corked and the
// main loop sleeps; wake uncorks it, and the sound that starts is written
// over the silence still queued, from where the listener is. When the server goes away the stream
// is dropped without a word, the time of a playing piece is still counted,
// and the connection is tried again with a growing pause until the server
// is back.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

#include "music/sound_source.h"

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
    // A sound starts: an idle stream plays again at once, and a new effect
    // is brought forward to where the listener is. Any thread.
    void wake(bool new_effect);

private:
    // Main-loop thread only, with its lock held.
    void begin_connect();
    void open_stream();
    void lose_server();
    void write(std::size_t bytes);
    bool render(int64_t at, int frames, bool new_music);
    void send(int frames, int64_t at, bool after);
    void write_from_listener();
    void arm_timer(std::chrono::milliseconds delay);
    void on_timer();
    void set_corked(bool corked);
    static void on_context_state(pa_context* context, void* self);
    static void on_stream_state(pa_stream* stream, void* self);
    static void on_write(pa_stream* stream, std::size_t bytes, void* self);

    int sample_rate_;
    SoundSource& source_;

    pa_threaded_mainloop* loop_;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_time_event* timer_ = nullptr;
    enum class Link { connecting, ready, failed } link_ = Link::connecting;
    bool ever_ready_ = false;
    std::chrono::milliseconds retry_pause_;
    std::chrono::steady_clock::time_point next_try_, last_tick_;
    int64_t silent_frames_ = 0;  // written in a row with nothing sounding
    bool corked_ = true;         // the stream is, or is to be, corked
    int timing_asked_ = 0;       // timing requests not yet answered
    struct Refill {
        bool fresh_music = false;     // the queue holds only silence
        bool restart_effect = false;  // a new effect has started
    } refill_;                        // what the next answer is for

    // The music written lately, without effects, by the stream's frame
    // index: an effect is mixed into it when it is written again.
    std::vector<float> history_;  // interleaved, a ring
    int64_t written_ = 0;         // the stream's write index, in frames
    std::vector<float> left_, right_;

    std::atomic<bool> idle_{true};  // corked, or no stream: wake has work
};
