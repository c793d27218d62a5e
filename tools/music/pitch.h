// Note names and chord symbols as a composer writes them, turned into MIDI keys.
#pragma once

#include <string_view>
#include <vector>

namespace music {

// The MIDI key of a note name: a letter, any number of '#' or 'b', an octave.
// "C4" is middle C, 60. Throws std::invalid_argument on anything else.
int pitch_of(std::string_view name);

// The notes of a chord symbol such as "F", "Dm", "C7", "Gm7", "Bbmaj7" or
// "D/F#", each placed in the octave that starts at `floor`, so that chords in
// a row share one register and move little from one to the next.
// The bass after a slash is the bass line's business and is not voiced.
std::vector<int> chord_voicing(std::string_view symbol, int floor);

}  // namespace music
