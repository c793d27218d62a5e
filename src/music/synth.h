// The software synthesiser that plays the music, with its SoundFont.
//
// A Synth is made whole for a set of instruments, with their samples in
// memory, by whoever needs it (the sound-up thread for the first piece,
// the game's thread when a piece needs instruments the playing synthesiser
// lacks), beside the one the output is playing; the sequencer then swaps
// it in. So loading a SoundFont never holds up the mixer.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <fluidsynth.h>

#include "music/sound_font_trim.h"

// The General MIDI SoundFont the music plays with, found once.
struct SoundFontFile {
    std::string path;
    bool trimmed = false;  // loaded cut down to the pieces' instruments
};

// Opens the synthesiser's library and finds a SoundFont it can read;
// nothing when either is missing.
std::optional<SoundFontFile> find_sound_font();

class Synth {
public:
    // Half the output's rate: the game's pieces have next to nothing above
    // 11 kHz, and voices cost in proportion to the rate.
    static constexpr int SAMPLE_RATE = 22050;

    // A synthesiser holding the samples of `presets` in memory, so that a
    // piece playing only those never reads the disk on the mixer; null
    // when it cannot be made. An instrument selected that it does not hold
    // is read on the mixer (see sound_font_loader.cpp).
    static std::unique_ptr<Synth> make(const SoundFontFile& font, const PresetSet& presets);
    ~Synth();
    Synth(const Synth&) = delete;
    Synth& operator=(const Synth&) = delete;

    // What it was made for: a piece needing only these plays on it.
    const PresetSet& presets() const { return presets_; }
    fluid_synth_t* get() { return synth_; }

private:
    Synth() = default;
    bool load(const SoundFontFile& font);
    void hold_presets();

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    PresetSet presets_;
};
