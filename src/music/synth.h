// The software synthesiser that plays the music, with its SoundFont.
#pragma once

#include <fluidsynth.h>

class Synth {
public:
    static constexpr int SAMPLE_RATE = 44100;

    Synth();
    ~Synth();
    Synth(const Synth&) = delete;
    Synth& operator=(const Synth&) = delete;

    // Loads the SoundFont on the first call; false when none can be loaded.
    bool load_sound_font();
    // Frees the synthesiser for good, when no device will ever play it.
    void discard();

    fluid_settings_t* settings() { return settings_; }
    fluid_synth_t* get() { return synth_; }

private:
    fluid_settings_t* settings_;
    fluid_synth_t* synth_;
    bool sound_font_loaded_ = false;
};
