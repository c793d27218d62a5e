#include "music/synth.h"

#include <malloc.h>

#include <algorithm>

#include "music/fluid_library.h"
#include "music/sound_font_loader.h"

namespace {

// General MIDI sets, the small one first: it loads fastest and the game's
// pieces use only common instruments.
constexpr const char* SOUND_FONTS[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
};

// A piece plays on the 16 channels of a MIDI file; the 16 above them only
// hold the piece's instruments selected, so their samples stay loaded.
constexpr int PLAYED_CHANNELS = 16;
constexpr int KEEPING_CHANNELS = 16;

fluid_settings_t* make_settings(const FluidLibrary& f)
{
    fluid_settings_t* settings = f.new_fluid_settings();
    f.fluid_settings_setnum(settings, "synth.sample-rate", Synth::SAMPLE_RATE);
    // The default gain (0.2) leaves the game's pieces at -33 to -38 dBFS, some
    // 20 dB under the sound effects; 0.5 lifts them to a background level
    // that still leaves their peaks well below full scale.
    f.fluid_settings_setnum(settings, "synth.gain", 0.5);
    // A few short pieces need no samples locked in memory, and locking fails
    // for users with a small lock limit.
    f.fluid_settings_setint(settings, "synth.lock-memory", 0);
    // Samples are read when an instrument is selected, not all at the start.
    f.fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    f.fluid_settings_setint(settings, "synth.midi-channels", PLAYED_CHANNELS + KEEPING_CHANNELS);
    // The pieces never ask for chorus; the defaults (chorus on, 256 voices)
    // cost time and memory. The busiest bar of the pieces sounds between 24
    // and 32 voices at once: with 32 no note is ever cut (the renderings are
    // sample for sample those with 64), and each voice less is memory less.
    f.fluid_settings_setint(settings, "synth.chorus.active", 0);
    f.fluid_settings_setint(settings, "synth.polyphony", 32);
    return settings;
}

}  // namespace

Synth::~Synth()
{
    if (synth_)
        fluid()->delete_fluid_synth(synth_);
    if (settings_)
        fluid()->delete_fluid_settings(settings_);
}

bool Synth::start()
{
    const FluidLibrary* f = fluid();
    if (!f)
        return false;
    settings_ = make_settings(*f);
    synth_ = f->new_fluid_synth(settings_);
    if (!synth_)
        return false;
    // Linear interpolation of the samples: what it changes in the game's
    // pieces lies some 40 dB under the music, for a quarter less work.
    f->fluid_synth_set_interp_method(synth_, -1, FLUID_INTERP_LINEAR);
    if (fluid_sfloader_t* loader = new_trimming_sfloader(settings_))
        f->fluid_synth_add_sfloader(synth_, loader);
    for (const char* path : SOUND_FONTS) {
        // A SoundFont that can be trimmed is loaded when the first piece
        // says which of its instruments are needed.
        if (trim_sound_font(path, {})) {
            path_ = path;
            return true;
        }
        if (f->fluid_synth_sfload(synth_, path, 1) != FLUID_FAILED) {
            // Reading the SoundFont leaves some megabytes of freed memory
            // on this thread's heap; give it back.
            malloc_trim(0);
            return true;
        }
    }
    f->delete_fluid_synth(synth_);
    synth_ = nullptr;
    return false;
}

void Synth::load_trimmed(const std::vector<Preset>& presets)
{
    PresetSet needed = presets_with_fallbacks({presets.begin(), presets.end()});
    if (path_.empty() || (loaded_ && std::includes(kept_.begin(), kept_.end(), needed.begin(), needed.end())))
        return;
    kept_.insert(needed.begin(), needed.end());
    auto font = trim_sound_font(path_, kept_);
    if (!font)
        return;
    offer_trimmed_sound_font(path_, std::make_shared<const TrimmedSoundFont>(std::move(*font)));
    // The new font goes on top and the channels take their instruments
    // from it; the old one goes when no voice uses it any more. The two
    // share the samples both have loaded.
    const FluidLibrary* f = fluid();
    int old = loaded_ ? f->fluid_sfont_get_id(f->fluid_synth_get_sfont(synth_, 0)) : FLUID_FAILED;
    if (f->fluid_synth_sfload(synth_, path_.c_str(), 1) == FLUID_FAILED)
        return;
    if (old != FLUID_FAILED)
        f->fluid_synth_sfunload(synth_, old, 0);
    loaded_ = true;
    malloc_trim(0);
}

void Synth::keep_presets(const std::vector<Preset>& presets)
{
    load_trimmed(presets);
    const FluidLibrary* f = fluid();
    fluid_sfont_t* top = f->fluid_synth_get_sfont(synth_, 0);
    if (!top)
        return;
    int sfont = f->fluid_sfont_get_id(top);
    for (int i = 0; i < KEEPING_CHANNELS; ++i) {
        int channel = PLAYED_CHANNELS + i;
        // Channels past the list keep the first preset, so what the last
        // piece needed and this one does not is let go.
        const Preset& preset = presets.empty() ? Preset{0, 0} : presets[i < int(presets.size()) ? i : 0];
        f->fluid_synth_program_select(synth_, channel, sfont, preset.first, preset.second);
    }
}
