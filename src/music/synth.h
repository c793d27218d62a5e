// The software synthesiser that plays the music, with its SoundFont.
//
// Made by start, off the game's thread, so that the window comes first;
// until then (for good without a device) it takes no memory. Only the
// samples of the instruments a piece uses are read into memory.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <fluidsynth.h>

#include "music/sound_font_trim.h"

class Synth {
public:
    // Half the output's rate: the game's pieces have next to nothing above
    // 11 kHz, and voices cost in proportion to the rate.
    static constexpr int SAMPLE_RATE = 22050;
    using Preset = std::pair<int, int>;  // bank, program

    Synth() = default;
    ~Synth();
    Synth(const Synth&) = delete;
    Synth& operator=(const Synth&) = delete;

    // Opens the library, makes the synthesiser and loads the SoundFont;
    // false when one of them fails. Call it once.
    bool start();
    // Keeps the samples of these instruments in memory, and no others: the
    // piece's own program changes then never read the disk on the audio
    // thread. Only after start.
    void keep_presets(const std::vector<Preset>& presets);

    fluid_synth_t* get() { return synth_; }

private:
    // Loads the SoundFont again, trimmed to what it held and these, when it
    // lacks any of them.
    void load_trimmed(const std::vector<Preset>& presets);

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    std::string path_;  // of a SoundFont loaded trimmed
    PresetSet kept_;
    bool loaded_ = false;
};
