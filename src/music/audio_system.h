// Everything the game hears: the music synthesiser driven by media command
// strings, the sound effects, and the one output stream that mixes them.
//
// The window layer owns one AudioSystem and forwards the platform's three
// sound calls to it:
//
//   Platform::mci_send_string -> AudioSystem::mci_send_string
//   Platform::short_path_name -> AudioSystem::short_path_name
//   Platform::play_wave       -> AudioSystem::play_wave
//
// All three are called from the game's thread and return quickly; the mix
// is made by the mixer, the thread that makes the sound for the output in
// use (thread_safety.h). The output and the
// synthesiser's SoundFont come up on the sound-up thread once start_output
// is called; a piece played before then starts once they are up. With no
// sound server or card the game runs silent: the music still advances in
// time and ends as it would, and no synthesiser or SoundFont is ever made.
// Which thread owns what is tabled in HACKING.md (Sound).
//
// Tests and benchmarks build it with Output::offline and pull the mix with
// render, through the same functions the output calls: the caller of
// render is then the mixer.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>

#include "music/audio_output.h"
#include "music/media_commands.h"
#include "music/midi_sequencer.h"
#include "music/sound_source.h"
#include "music/upsampler.h"
#include "music/wave_player.h"

class AudioSystem final : private SoundSource {
public:
    enum class Output { device, offline };
    static constexpr int SAMPLE_RATE = 44100;

    explicit AudioSystem(Output output = Output::device);
    ~AudioSystem();
    AudioSystem(const AudioSystem&) = delete;
    AudioSystem& operator=(const AudioSystem&) = delete;

    // Runs one media command (see media_commands.h): 0 on success, non-zero
    // on failure; writes the NUL-terminated reply, cut to reply_len bytes.
    int mci_send_string(const char* command, char* reply, std::size_t reply_len);
    // Writes the path in double quotes when the file exists and it fits;
    // otherwise leaves buf as it was.
    void short_path_name(const char* path, char* buf, std::size_t buf_len);
    // Starts a sound file and returns at once; cuts off the sound before it;
    // a file that cannot be played gives a short blip.
    void play_wave(const std::string& path);

    // Brings the output up (Output::device); later calls do nothing.
    void start_output();

    // The next frames of the mix, for Output::offline. Both spans must have
    // the same size.
    void render(std::span<float> left, std::span<float> right);
    // "pulseaudio", "alsa", "none" (silent) or "offline". Starts the output
    // if need be and waits until it is chosen.
    const char* output_name() const;
    // How often the sound server found the game's stream empty: a gap a
    // player hears (0 on any other output).
    int underflows() const;

private:
    static constexpr int MUSIC_STEP = SAMPLE_RATE / Synth::SAMPLE_RATE;
    static_assert(MUSIC_STEP == 2 && SAMPLE_RATE == MUSIC_STEP * Synth::SAMPLE_RATE, "the upsampler doubles");
    static constexpr int MUSIC_BLOCK = 512;  // frames at the synthesiser's rate

    void start_synth();
    // Tells the output what a media command did to the music.
    void tell_output(bool was_under_way, int passes_before);
    // What the output asks for, on the mixer (see sound_source.h).
    Music mix_music(float* left, float* right, int frames) override REQUIRES(the_mixer);
    bool mix_effects(float* left, float* right, int frames) override REQUIRES(the_mixer);
    void restart_effect() override REQUIRES(the_mixer);
    void restart_music() override REQUIRES(the_mixer);
    void pass_time(int frames) override REQUIRES(the_mixer);

    MidiSequencer sequencer_;
    MediaCommands commands_;  // the game's thread
    WavePlayer waves_;
    Upsampler upsampler_ GUARDED_BY(the_mixer);
    float music_left_[MUSIC_BLOCK] GUARDED_BY(the_mixer), music_right_[MUSIC_BLOCK] GUARDED_BY(the_mixer);
    float spare_[2] GUARDED_BY(the_mixer) = {};  // an output frame made but not yet asked for
    bool has_spare_ GUARDED_BY(the_mixer) = false;
    int time_left_over_ GUARDED_BY(the_mixer) = 0;  // output frames of time not yet counted
    std::unique_ptr<AudioOutput> output_;  // last: stops before the rest goes
};
