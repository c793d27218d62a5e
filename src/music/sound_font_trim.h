// A SoundFont cut down to the instruments the game's pieces play.
//
// The synthesiser turns every preset of a SoundFont into zones of some
// sixty generators each: for a General MIDI set that is megabytes of
// memory for the one or two dozen instruments the pieces use. A trimmed
// copy keeps the file's header and sample data where they are and puts
// behind them a preset section with only the wanted presets and the
// instruments they are made of; the sample headers stay as they are, so
// every sample is read from the same place in the file.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct TrimmedSoundFont {
    // The trimmed file is the whole file's first `kept` bytes, with the RIFF
    // size at bytes 4 to 7 changed, followed by `tail`.
    uint64_t kept = 0;
    std::vector<uint8_t> tail;
    uint64_t size() const { return kept + tail.size(); }
};

using PresetSet = std::set<std::pair<int, int>>;  // bank, program

// The presets to keep for a piece's presets: each one, with what the
// synthesiser falls back to when a SoundFont lacks it (the same program in
// bank 0; the standard kit for drums).
PresetSet presets_with_fallbacks(const PresetSet& wanted);

// The trimmed form of the SoundFont file at `path`, keeping `keep`.
// Nothing when the file cannot be read, is damaged, or does not end with
// its preset section (then it is best loaded whole).
std::optional<TrimmedSoundFont> trim_sound_font(const std::string& path, const PresetSet& keep);
