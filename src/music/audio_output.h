// The one audio output stream. It asks a mix function for every buffer: on
// the sound server or the sound card when there is one, else on a quiet
// thread that keeps time like a device would, so the music still advances
// and ends on a machine without sound.
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

    AudioOutput(fluid_settings_t* settings, int sample_rate, MixFunction mix);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // The name of the driver in use, or "none" when the output is silent.
    const char* driver() const { return driver_name_; }

private:
    static int device_callback(void* data, int len, int nfx, float* fx[], int nout, float* out[]);
    void run_silent(int sample_rate);

    MixFunction mix_;
    fluid_audio_driver_t* driver_ = nullptr;
    const char* driver_name_ = "none";
    std::mutex stop_mutex_;
    std::condition_variable stop_signal_;
    bool stopping_ = false;  // guarded by stop_mutex_
    std::thread silent_;
};
