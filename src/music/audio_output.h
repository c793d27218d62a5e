// The one audio output stream. It asks a mix function for every buffer on
// the sound server or the sound card. Without either, a quiet thread tells
// a time function how many frames a device would have played, so the music
// still advances and ends, and nothing is synthesised that no one hears.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include <fluidsynth.h>

class AudioOutput {
public:
    // Adds `frames` frames of sound to the two channels, which start zeroed.
    using MixFunction = std::function<void(float* left, float* right, int frames)>;
    // Lets `frames` frames of time pass without sound.
    using TimeFunction = std::function<void(int frames)>;

    AudioOutput(fluid_settings_t* settings, int sample_rate, MixFunction mix, TimeFunction pass_time);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // The name of the driver in use, or "none" when the output is silent.
    const char* driver() const { return driver_name_; }

private:
    static int device_callback(void* data, int len, int nfx, float* fx[], int nout, float* out[]);
    void run_silent(int sample_rate);

    MixFunction mix_;
    TimeFunction pass_time_;
    fluid_audio_driver_t* driver_ = nullptr;
    const char* driver_name_ = "none";
    std::mutex stop_mutex_;
    std::condition_variable stop_signal_;
    bool stopping_ = false;  // guarded by stop_mutex_
    std::thread silent_;
};
