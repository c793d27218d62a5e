// Reading a standard MIDI file far enough to know whether the synthesiser
// can play it and how long it lasts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

// The time in seconds from the start of the piece to its last event (the
// latest end-of-track of any track), following every tempo change. Empty when
// the bytes are not a standard MIDI file of format 0, 1 or 2 with ticks per
// quarter note, or when a track is damaged.
std::optional<double> midi_file_seconds(std::span<const uint8_t> bytes);
