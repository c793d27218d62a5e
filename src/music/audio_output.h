// The one audio output: the game's stream on the sound server or, without
// one, the sound card; without either, silence. Whichever it is, one
// thread makes the sound for it, the mixer: libpulse's loop thread, or
// FluidSynth's ALSA thread; silent, the game's thread lets the music's
// time pass whenever the game asks (count_silent_time), so the music still
// advances and ends, nothing is synthesised that no one hears, and no
// thread wakes to keep the count.
//
// The output is chosen on a thread of its own, the sound-up thread,
// started by start(), so the window never waits for it; once a device is
// found, a start function brings the synthesiser up there too, before any
// sound is asked for. That thread only chooses: the game's thread learns
// of the choice at its next call, and then tells a sound server that a
// pass may be under way (one played before the output came up), or starts
// counting the silent time.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include <fluidsynth.h>

#include "music/pulse_output.h"
#include "music/silent_time.h"
#include "music/sound_source.h"

class AudioOutput {
public:
    using StartFunction = std::function<void()>;

    AudioOutput(int sample_rate, SoundSource& source, StartFunction start_device);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // The game's thread.
    // Starts choosing the output; later calls do nothing.
    void start();
    // A pass of the music starts, or the music stops: heard at once, not
    // after the stream's buffer; a pass that follows the end of the last
    // one is heard right after it.
    void pass_starts();
    void music_stops();
    // An effect starts: it is heard without waiting behind the buffer.
    void effect_starts();
    // The name of the output in use: "pulseaudio", "alsa", or "none" when
    // the output is silent. Starts the output if need be and waits until
    // it is chosen.
    const char* driver();
    // True once the output is known to be silent for good. Any thread.
    bool silent() const { return driver_.load() == Driver::none; }
    // On a silent output, lets the time since the last call pass in the
    // music; does nothing otherwise. Call it before each command to the
    // music.
    void count_silent_time();
    // How often the sound server found the game's stream empty (0 on
    // another output): what a player hears as a gap.
    int underflows();

private:
    enum class Driver { choosing, pulseaudio, alsa, none };

    void choose();
    // The output as the game's thread knows it; learning of the choice,
    // does what the game's thread does once for it.
    Driver chosen_for_game();
    bool open_alsa();
    static int device_callback(void* data, int len, int nfx, float* fx[], int nout, float* out[]);

    int sample_rate_;
    SoundSource& source_;
    StartFunction start_device_;

    // Made on the sound-up thread before driver_ names them; fixed after.
    std::unique_ptr<PulseOutput> pulse_;
    fluid_settings_t* alsa_settings_ = nullptr;
    fluid_audio_driver_t* alsa_ = nullptr;
    // The game's thread, which on a silent output is the mixer.
    SilentTime silent_time_ GUARDED_BY(the_mixer);
    Driver game_knows_ = Driver::choosing;  // the game's thread

    // Set once, by the sound-up thread, when the output is chosen.
    std::atomic<Driver> driver_{Driver::choosing};
    std::thread sound_up_;
};
