// A piece ready to be written as a MIDI file: a tempo and its parts.
#pragma once

#include <string>
#include <vector>

#include "notation.h"

namespace music {

// General MIDI channel 10, counted from zero, plays the drum kit.
constexpr int kDrumChannel = 9;

struct Instrument {
  std::string name;
  int channel;  // 0-15
  int program;  // General MIDI program, counted from zero
  int volume;   // channel volume, 0-127
  int pan;      // 0 left, 64 centre, 127 right
};

struct Part {
  Instrument instrument;
  std::vector<Note> notes;
};

struct Song {
  std::string title;
  int beats_per_minute;
  Meter meter;
  int length;  // ticks; the piece loops from here back to tick 0
  std::vector<Part> parts;
};

// Adds a part; it must last exactly as long as the song, so that every part
// comes round to the start together. Throws std::invalid_argument otherwise.
void add_part(Song& song, const Instrument& instrument, const Line& line);

// Where a tick lands once the beat is swung: the second eighth of each beat
// starts two thirds of the way through it, as in a lilting triplet stroll.
int swung_tick(int tick, int ticks_per_beat);

// Swings every note of the song.
void swing(Song& song);

}  // namespace music
