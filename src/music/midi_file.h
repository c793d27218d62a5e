// Reading a standard MIDI file far enough to know whether the synthesiser
// can play it and how long it lasts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

// The time in seconds from the start of the piece to its last event (the
// latest end-of-track of any track), following every tempo change. Empty when
// the bytes are not a standard MIDI file of format 0, 1 or 2 with ticks per
// quarter note, or when a track is damaged.
std::optional<double> midi_file_seconds(std::span<const uint8_t> bytes);

// The instruments the piece plays notes on, as (bank, program) pairs, the
// drum kits of channel 10 in bank 128. Empty when the bytes are no MIDI
// file that midi_file_seconds reads.
std::vector<std::pair<int, int>> midi_file_presets(std::span<const uint8_t> bytes);
