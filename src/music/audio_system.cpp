#include "music/audio_system.h"

#include <algorithm>
#include <cstring>

AudioSystem::AudioSystem(Output output) : commands_(sequencer_), waves_(SAMPLE_RATE)
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
    // Without the library or a SoundFont the pieces never sound.
    if (auto font = find_sound_font())
        sequencer_.attach(*font);
}

int AudioSystem::mci_send_string(const char* command, char* reply, std::size_t reply_len)
{
    // Without a device, the music's time is brought up to now first.
    if (output_)
        output_->count_silent_time();
    const bool was_under_way = sequencer_.pass_under_way();
    const int passes = sequencer_.passes_started();
    std::string text;
    int result = commands_.run(command, text);
    if (reply_len > 0) {
        std::size_t length = std::min(text.size(), reply_len - 1);
        std::memcpy(reply, text.data(), length);
        reply[length] = '\0';
    }
    tell_output(was_under_way, passes);
    return result;
}

// Only a pass that starts or stops changes what is heard: a question (the
// game asks for the mode every frame), an open or a close of a piece that
// was not played does not. A pass that has ended may still be queued to
// the speakers, so stopping it is a change too.
void AudioSystem::tell_output(bool was_under_way, int passes_before)
{
    if (!output_)
        return;
    if (sequencer_.passes_started() != passes_before && sequencer_.pass_under_way())
        output_->pass_starts();
    else if (was_under_way && !sequencer_.pass_under_way())
        output_->music_stops();
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
    ActingAsMixer mixer;
    std::fill(left.begin(), left.end(), 0.0f);
    std::fill(right.begin(), right.end(), 0.0f);
    int frames = static_cast<int>(std::min(left.size(), right.size()));
    mix_music(left.data(), right.data(), frames);
    mix_effects(left.data(), right.data(), frames);
}

const char* AudioSystem::output_name() const { return output_ ? output_->driver() : "offline"; }

int AudioSystem::underflows() const { return output_ ? output_->underflows() : 0; }

bool AudioSystem::mix_effects(float* left, float* right, int frames) { return waves_.mix(left, right, frames); }

void AudioSystem::restart_effect() { waves_.restart(); }

void AudioSystem::restart_music() { sequencer_.restart_pass(); }

SoundSource::Music AudioSystem::mix_music(float* left, float* right, int frames)
{
    Music music;
    int done = 0;
    if (has_spare_ && frames > 0) {
        left[0] += spare_[0];
        right[0] += spare_[1];
        has_spare_ = false;
        done = 1;
        music.sounded = true;
    }
    while (done < frames) {
        int wanted = std::min(MUSIC_BLOCK, (frames - done + 1) / MUSIC_STEP);
        std::fill_n(music_left_, wanted, 0.0f);
        std::fill_n(music_right_, wanted, 0.0f);
        MidiSequencer::Rendered rendered = sequencer_.render(music_left_, music_right_, wanted);
        // Silence in and nothing left inside: no work, no time either
        // (time passes in the sequencer only while it sounds).
        if (!rendered.sounded && !upsampler_.holds_sound())
            return music;
        music.sounded = true;
        // The upsampler's output lags its input by one frame.
        if (rendered.pass_ended_at)
            music.pass_ended_at = std::min(frames, done + MUSIC_STEP * (*rendered.pass_ended_at + 1));
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
    return music;
}

void AudioSystem::pass_time(int frames)
{
    time_left_over_ += frames;
    sequencer_.pass_time(time_left_over_ / MUSIC_STEP);
    time_left_over_ %= MUSIC_STEP;
}
