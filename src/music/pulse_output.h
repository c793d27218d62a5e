// The game's one stream on a PulseAudio server (or PipeWire's stand-in for
// one), on libpulse's threaded main loop.
//
// Sized for a game: the server asks for a buffer every MINREQ, and a sound
// started by a key reaches the speakers within about TARGET. When nothing
// has sounded for a whole TARGET the stream is corked and the main loop
// sleeps; wake uncorks it. When the server goes away the stream is dropped
// without a word, the time of a playing piece is still counted, and the
// connection is tried again with a growing pause until the server is back.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;

class PulseOutput {
public:
    // Adds `frames` frames to the two (zeroed) channels; false when nothing
    // sounded and the channels stayed silent.
    using MixFunction = std::function<bool(float* left, float* right, int frames)>;
    // Lets `frames` frames of time pass without sound.
    using TimeFunction = std::function<void(int frames)>;

    PulseOutput(int sample_rate, MixFunction mix, TimeFunction pass_time);
    ~PulseOutput();
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // Connects to the server; false when none answers. Call it once; after
    // a true the output keeps itself connected for good.
    bool connect();
    // A sound starts: an idle stream starts playing at once. Any thread.
    void wake();

private:
    // Main-loop thread only, with its lock held.
    void begin_connect();
    void open_stream();
    void lose_server();
    void write(std::size_t bytes);
    void arm_timer(std::chrono::milliseconds delay);
    void on_timer();
    void set_corked(bool corked);
    static void on_context_state(pa_context* context, void* self);
    static void on_stream_state(pa_stream* stream, void* self);
    static void on_write(pa_stream* stream, std::size_t bytes, void* self);

    int sample_rate_;
    MixFunction mix_;
    TimeFunction pass_time_;

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
    std::vector<float> left_, right_;

    std::atomic<bool> idle_{true};  // corked, or no stream: wake has work
};
