#include "music/synth.h"

#include "music/quiet_libraries.h"

namespace {

// General MIDI sets, the small one first: it loads fastest and the game's
// pieces use only common instruments.
constexpr const char* SOUND_FONTS[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
};

fluid_settings_t* make_settings()
{
    quiet_audio_libraries();
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", Synth::SAMPLE_RATE);
    // The default gain (0.2) leaves the game's pieces at -33 to -38 dBFS, some
    // 20 dB under the sound effects; 0.5 lifts them to a background level
    // that still leaves their peaks well below full scale.
    fluid_settings_setnum(settings, "synth.gain", 0.5);
    // A few short pieces need no samples locked in memory, and locking fails
    // for users with a small lock limit.
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    return settings;
}

}  // namespace

Synth::Synth() : settings_(make_settings()), synth_(new_fluid_synth(settings_)) {}

Synth::~Synth()
{
    if (synth_)
        delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
}

void Synth::discard()
{
    if (synth_)
        delete_fluid_synth(synth_);
    synth_ = nullptr;
}

bool Synth::load_sound_font()
{
    if (sound_font_loaded_ || !synth_)
        return sound_font_loaded_;
    for (const char* path : SOUND_FONTS) {
        if (fluid_synth_sfload(synth_, path, 1) != FLUID_FAILED) {
            sound_font_loaded_ = true;
            break;
        }
    }
    return sound_font_loaded_;
}
