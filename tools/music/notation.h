// A small notation for writing parts out in the source, one token per note:
//
//   F5/8 A5 C6/4 >G5   a note name, then "/" and the note value (1 whole,
//                      2 half, 4 quarter, 8 eighth, 16 sixteenth, a trailing
//                      "." dots it); without a value a token lasts as long as
//                      the one before; ">" in front accents it
//   A3+C4+F4/4         notes struck together
//   [Gm7]/4            a chord by its symbol, voiced from the part's floor
//   r/8                a rest
//   |                  a bar line: the notes since the last one must fill a bar
#pragma once

#include <string_view>
#include <vector>

namespace music {

struct Note {
  int start;   // ticks from the beginning of the piece
  int length;  // ticks
  int key;     // MIDI key
  int velocity;
};

struct Line {
  std::vector<Note> notes;  // in order of start
  int length = 0;           // ticks, always whole bars
};

struct Meter {
  int ticks_per_beat;
  int beats_per_bar;
  int bar_ticks() const { return ticks_per_beat * beats_per_bar; }
};

// How a part is played: its everyday loudness and where its chords sit.
struct Touch {
  int velocity;
  int chord_floor = 0;
};

// Reads a part written in the notation above. Notes on the beat are leant on
// a little, the first of the bar a little more, so lines keep their pulse.
// Throws std::invalid_argument, naming the bar, on a token it cannot read or
// on bars that are too short or too long.
Line parse_line(std::string_view text, const Meter& meter, const Touch& touch);

// The lines one after another, as sections of a piece follow each other.
Line join(const std::vector<Line>& sections);

}  // namespace music
