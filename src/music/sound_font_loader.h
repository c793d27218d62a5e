// Hands the synthesiser trimmed SoundFonts (sound_font_trim.h) as if they
// were files: the header and samples are read from the real file, the
// preset section from memory.
#pragma once

#include <memory>
#include <string>

#include <fluidsynth.h>

#include "music/sound_font_trim.h"

// A loader that reads `path` as `font` once it is offered, and lets the
// synthesiser's own loader read any other file. Add it before any load.
fluid_sfloader_t* new_trimming_sfloader(fluid_settings_t* settings);
void offer_trimmed_sound_font(const std::string& path, std::shared_ptr<const TrimmedSoundFont> font);
