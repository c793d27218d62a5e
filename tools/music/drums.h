// Drum parts written as step grids, four steps to a beat, one row per drum:
//
//   {kKick,  80, "x... x... x... x..."}
//   {kSnare, 80, ".... x... .... x..."}
//
// 'x' is a hit, 'X' an accented hit, 'o' a soft (ghost) hit, '.' silence.
// Spaces and '|' only help the eye.
#pragma once

#include <string_view>
#include <vector>

#include "notation.h"

namespace music {

struct DrumRow {
  int key;       // General MIDI percussion key
  int velocity;  // of a plain hit
  std::string_view steps;
};

// Each hit lasts one step. All rows must cover the same whole number of bars.
// Throws std::invalid_argument otherwise or on an unknown step mark.
Line parse_drums(const std::vector<DrumRow>& rows, const Meter& meter);

}  // namespace music
