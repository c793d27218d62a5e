// The one audio output stream. It asks a mix function for every buffer on
// the sound server or, without one, the sound card. Without either, the
// time function is told how many frames a device would have played
// whenever the game asks (count_silent_time), so the music still advances
// and ends, nothing is synthesised that no one hears, and no thread wakes
// to keep the count.
//
// The output is chosen on a thread of its own, started by start(), so the
// window never waits for it; once a device is found, a start function
// brings the synthesiser up there too, before any sound is asked for.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <fluidsynth.h>

#include "music/pulse_output.h"
#include "music/sound_source.h"

class AudioOutput {
public:
    using StartFunction = std::function<void()>;

    AudioOutput(int sample_rate, SoundSource& source, StartFunction start_device);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Starts choosing the output; later calls do nothing. Game thread.
    void start();
    // A piece was played, stopped or closed; playing: whether one plays
    // now. Heard at once, not after the stream's buffer.
    void music_changes(bool playing);
    // An effect starts: it is heard without waiting behind the buffer.
    void effect_starts();
    // The name of the output in use: "pulseaudio", "alsa", or "none" when
    // the output is silent. Starts the output if need be and waits until
    // it is chosen.
    const char* driver();
    // True once the output is known to be silent for good. Any thread.
    bool silent() const { return silent_for_good_.load(); }
    // On a silent output, lets the time since the last call pass in the
    // music; does nothing otherwise. Call it from one thread, before each
    // command to the music.
    void count_silent_time();

private:
    void choose();
    bool open_alsa();
    static int device_callback(void* data, int len, int nfx, float* fx[], int nout, float* out[]);

    int sample_rate_;
    SoundSource& source_;
    StartFunction start_device_;

    std::unique_ptr<PulseOutput> pulse_;
    fluid_settings_t* alsa_settings_ = nullptr;
    fluid_audio_driver_t* alsa_ = nullptr;

    std::mutex mutex_;
    std::condition_variable signal_;
    const char* driver_name_ = nullptr;  // guarded; null until chosen
    std::atomic<PulseOutput*> awake_pulse_{nullptr};
    // Set once the output is silent, after silent_since_.
    std::atomic<bool> silent_for_good_{false};
    std::chrono::steady_clock::time_point silent_since_;
    int64_t silent_frames_counted_ = 0;  // count_silent_time's thread only

    std::thread chooser_;
};
