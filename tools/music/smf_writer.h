// Standard MIDI Files (format 1) from songs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "song.h"

namespace music {

// The file's bytes: a conductor track with the title, metre and tempo, then
// one track per part with its instrument set up at tick 0. Every track ends
// exactly at the song's length, so a player that restarts the file when it
// ends keeps the beat. Throws std::invalid_argument for a note past the end.
std::vector<std::uint8_t> smf_bytes(const Song& song);

// Writes smf_bytes(song) to `path`; throws std::runtime_error if it cannot.
void write_smf(const Song& song, const std::filesystem::path& path);

// MIDI's variable-length number: seven bits a byte, high bit set on all but
// the last.
void append_variable_length(std::vector<std::uint8_t>& out, std::uint32_t value);

}  // namespace music
