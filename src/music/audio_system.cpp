#include "music/audio_system.h"

#include <algorithm>
#include <cstring>

AudioSystem::AudioSystem(Output output) : sequencer_(synth_), commands_(sequencer_), waves_(SAMPLE_RATE)
{
    if (output == Output::offline) {
        start_synth();
        return;
    }
    SoundSource& source = *this;
    output_ = std::make_unique<AudioOutput>(SAMPLE_RATE, source, [this] { start_synth(); });
}

AudioSystem::~AudioSystem() { output_.reset(); }

void AudioSystem::start_output()
{
    if (output_)
        output_->start();
}

void AudioSystem::start_synth()
{
    // Without a SoundFont the pieces are only timed, as with no device.
    if (synth_.start())
        sequencer_.attach();
}

int AudioSystem::mci_send_string(const char* command, char* reply, std::size_t reply_len)
{
    // Without a device, the music's time is brought up to now first.
    if (output_)
        output_->count_silent_time();
    std::string text;
    const bool was_playing = sequencer_.playing();
    int result = commands_.run(command, text);
    if (reply_len > 0) {
        std::size_t length = std::min(text.size(), reply_len - 1);
        std::memcpy(reply, text.data(), length);
        reply[length] = '\0';
    }
    // Only a piece that starts or stops changes what is heard: a question
    // (the game asks for the mode every frame), an open or a close of a
    // stopped piece does not.
    const bool playing = sequencer_.playing();
    if (result == MEDIA_OK && text.empty() && (playing || was_playing) && output_)
        output_->music_changes(playing);
    return result;
}

void AudioSystem::short_path_name(const char* path, char* buf, std::size_t buf_len)
{
    quoted_path_name(path, buf, buf_len);
}

void AudioSystem::play_wave(const std::string& path)
{
    // No one would hear it: the file is not even read.
    if (output_ && output_->silent())
        return;
    waves_.play(path);
    if (output_)
        output_->effect_starts();
}

void AudioSystem::render(std::span<float> left, std::span<float> right)
{
    std::fill(left.begin(), left.end(), 0.0f);
    std::fill(right.begin(), right.end(), 0.0f);
    int frames = static_cast<int>(std::min(left.size(), right.size()));
    mix_music(left.data(), right.data(), frames);
    mix_effects(left.data(), right.data(), frames);
}

const char* AudioSystem::output_name() const { return output_ ? output_->driver() : "offline"; }

bool AudioSystem::mix_effects(float* left, float* right, int frames) { return waves_.mix(left, right, frames); }

void AudioSystem::restart_effect() { waves_.restart(); }

bool AudioSystem::mix_music(float* left, float* right, int frames)
{
    int done = 0;
    bool sounded = false;
    if (has_spare_ && frames > 0) {
        left[0] += spare_[0];
        right[0] += spare_[1];
        has_spare_ = false;
        done = 1;
        sounded = true;
    }
    while (done < frames) {
        int wanted = std::min(MUSIC_BLOCK, (frames - done + 1) / MUSIC_STEP);
        std::fill_n(music_left_, wanted, 0.0f);
        std::fill_n(music_right_, wanted, 0.0f);
        bool sounds = sequencer_.render(music_left_, music_right_, wanted);
        // Silence in and nothing left inside: no work, no time either
        // (time passes in the sequencer only while it sounds).
        if (!sounds && !upsampler_.holds_sound())
            return sounded;
        sounded = true;
        for (int i = 0; i < wanted; ++i) {
            float out_left[2], out_right[2];
            upsampler_.push(music_left_[i], music_right_[i], out_left, out_right);
            for (int k = 0; k < 2; ++k, ++done) {
                if (done < frames) {
                    left[done] += out_left[k];
                    right[done] += out_right[k];
                } else {
                    spare_[0] = out_left[k];
                    spare_[1] = out_right[k];
                    has_spare_ = true;
                }
            }
        }
    }
    return sounded;
}

void AudioSystem::pass_time(int frames)
{
    time_left_over_ += frames;
    sequencer_.pass_time(time_left_over_ / MUSIC_STEP);
    time_left_over_ %= MUSIC_STEP;
}
