#include "music/synth.h"

#include <malloc.h>

#include <filesystem>
#include <system_error>

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
constexpr int HOLDING_CHANNELS = 16;

fluid_settings_t* make_settings(const FluidLibrary& f)
{
    fluid_settings_t* settings = f.new_fluid_settings();
    if (!settings)
        return nullptr;
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
    f.fluid_settings_setint(settings, "synth.midi-channels", PLAYED_CHANNELS + HOLDING_CHANNELS);
    // The pieces never ask for chorus; the defaults (chorus on, 256 voices)
    // cost time and memory. The busiest bar of the pieces sounds between 24
    // and 32 voices at once: with 32 no note is ever cut (the renderings are
    // sample for sample those with 64), and each voice less is memory less.
    f.fluid_settings_setint(settings, "synth.chorus.active", 0);
    f.fluid_settings_setint(settings, "synth.polyphony", 32);
    return settings;
}

}  // namespace

std::optional<SoundFontFile> find_sound_font()
{
    if (!fluid())
        return std::nullopt;
    for (const char* path : SOUND_FONTS) {
        // One that can be trimmed is loaded with only what the pieces play.
        if (trim_sound_font(path, {}))
            return SoundFontFile{path, true};
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error))
            return SoundFontFile{path, false};
    }
    return std::nullopt;
}

std::unique_ptr<Synth> Synth::make(const SoundFontFile& font, const PresetSet& presets)
{
    std::unique_ptr<Synth> synth(new Synth);
    synth->presets_ = presets;
    if (!synth->load(font))
        return nullptr;
    synth->hold_presets();
    // Reading the SoundFont leaves freed memory on this thread's heap.
    malloc_trim(0);
    return synth;
}

Synth::~Synth()
{
    if (synth_)
        fluid()->delete_fluid_synth(synth_);
    if (settings_)
        fluid()->delete_fluid_settings(settings_);
}

bool Synth::load(const SoundFontFile& font)
{
    const FluidLibrary* f = fluid();
    settings_ = make_settings(*f);
    synth_ = settings_ ? f->new_fluid_synth(settings_) : nullptr;
    if (!synth_)
        return false;
    // Linear interpolation of the samples: what it changes in the game's
    // pieces lies some 40 dB under the music, for a quarter less work.
    f->fluid_synth_set_interp_method(synth_, -1, FLUID_INTERP_LINEAR);
    if (font.trimmed) {
        auto trimmed = trim_sound_font(font.path, presets_with_fallbacks(presets_));
        fluid_sfloader_t* loader = trimmed ? new_trimming_sfloader(settings_) : nullptr;
        if (!loader)
            return false;
        f->fluid_synth_add_sfloader(synth_, loader);
        offer_trimmed_sound_font(font.path, std::make_shared<const TrimmedSoundFont>(std::move(*trimmed)));
    }
    return f->fluid_synth_sfload(synth_, font.path.c_str(), 1) != FLUID_FAILED;
}

// Each of the holding channels selects one of the presets (the first when
// there are fewer), so their samples are read now and stay loaded.
void Synth::hold_presets()
{
    const FluidLibrary* f = fluid();
    fluid_sfont_t* font = f->fluid_synth_get_sfont(synth_, 0);
    if (!font || presets_.empty())
        return;
    int id = f->fluid_sfont_get_id(font);
    auto preset = presets_.begin();
    for (int i = 0; i < HOLDING_CHANNELS; ++i) {
        f->fluid_synth_program_select(synth_, PLAYED_CHANNELS + i, id, preset->first, preset->second);
        if (++preset == presets_.end())
            preset = presets_.begin();
    }
}
