#include "music/audio_system.h"

#include <algorithm>
#include <cstring>

AudioSystem::AudioSystem(Output output) : sequencer_(synth_), commands_(sequencer_), waves_(SAMPLE_RATE)
{
    if (output == Output::device)
        output_ = std::make_unique<AudioOutput>(
            synth_.settings(), SAMPLE_RATE, [this](float* l, float* r, int n) { mix(l, r, n); },
            [this](int n) { sequencer_.pass_time(n); });
    if (output_ && std::strcmp(output_->driver(), "none") == 0)
        sequencer_.go_silent();
}

AudioSystem::~AudioSystem() { output_.reset(); }

int AudioSystem::mci_send_string(const char* command, char* reply, std::size_t reply_len)
{
    std::string text;
    int result = commands_.run(command, text);
    if (reply_len > 0) {
        std::size_t length = std::min(text.size(), reply_len - 1);
        std::memcpy(reply, text.data(), length);
        reply[length] = '\0';
    }
    return result;
}

void AudioSystem::short_path_name(const char* path, char* buf, std::size_t buf_len)
{
    quoted_path_name(path, buf, buf_len);
}

void AudioSystem::play_wave(const std::string& path) { waves_.play(path); }

void AudioSystem::render(std::span<float> left, std::span<float> right)
{
    std::fill(left.begin(), left.end(), 0.0f);
    std::fill(right.begin(), right.end(), 0.0f);
    mix(left.data(), right.data(), static_cast<int>(std::min(left.size(), right.size())));
}

const char* AudioSystem::output_name() const { return output_ ? output_->driver() : "offline"; }

void AudioSystem::mix(float* left, float* right, int frames)
{
    sequencer_.render(left, right, frames);
    waves_.mix(left, right, frames);
}
