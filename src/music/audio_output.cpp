#include "music/audio_output.h"

#include <algorithm>
#include <chrono>

namespace {

// The sound server first (it shares the card with other programs), then the
// card itself.
constexpr const char* DRIVERS[] = {"pulseaudio", "alsa"};

constexpr int SILENT_BLOCK = 512;
// Without a device the music's time is only counted: a piece heard by no
// one may end up to this much late, and the thread wakes seldom.
constexpr auto SILENT_PERIOD = std::chrono::milliseconds(50);

}  // namespace

AudioOutput::AudioOutput(fluid_settings_t* settings, int sample_rate, MixFunction mix, TimeFunction pass_time)
    : mix_(std::move(mix)), pass_time_(std::move(pass_time))
{
    for (const char* name : DRIVERS) {
        fluid_settings_setstr(settings, "audio.driver", name);
        driver_ = new_fluid_audio_driver2(settings, device_callback, this);
        if (driver_) {
            driver_name_ = name;
            return;
        }
    }
    silent_ = std::thread([this, sample_rate] { run_silent(sample_rate); });
}

AudioOutput::~AudioOutput()
{
    if (driver_)
        delete_fluid_audio_driver(driver_);
    {
        std::lock_guard lock(stop_mutex_);
        stopping_ = true;
    }
    stop_signal_.notify_one();
    if (silent_.joinable())
        silent_.join();
}

int AudioOutput::device_callback(void* data, int len, int, float*[], int nout, float* out[])
{
    if (nout < 2)
        return FLUID_FAILED;
    // The buffers come zeroed; only the first pair is ours to fill.
    static_cast<AudioOutput*>(data)->mix_(out[0], out[1], len);
    return FLUID_OK;
}

void AudioOutput::run_silent(int sample_rate)
{
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    int64_t frames_done = 0;
    std::unique_lock lock(stop_mutex_);
    while (!stop_signal_.wait_for(lock, SILENT_PERIOD, [this] { return stopping_; })) {
        auto elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        auto frames_due = static_cast<int64_t>(elapsed * sample_rate);
        while (frames_done < frames_due) {
            int frames = static_cast<int>(std::min<int64_t>(SILENT_BLOCK, frames_due - frames_done));
            pass_time_(frames);
            frames_done += frames;
        }
    }
}
