#include "song.h"

#include <stdexcept>

namespace music {

void add_part(Song& song, const Instrument& instrument, const Line& line) {
  if (line.length != song.length) {
    throw std::invalid_argument(instrument.name + " lasts " + std::to_string(line.length) +
                                " ticks, the song " + std::to_string(song.length));
  }
  song.parts.push_back({instrument, line.notes});
}

int swung_tick(int tick, int ticks_per_beat) {
  const int beat_start = tick - tick % ticks_per_beat;
  const int offset = tick % ticks_per_beat;
  const int half = ticks_per_beat / 2;
  const int long_part = ticks_per_beat * 2 / 3;
  const int swung = offset < half
                        ? offset * long_part / half
                        : long_part + (offset - half) * (ticks_per_beat - long_part) / half;
  return beat_start + swung;
}

void swing(Song& song) {
  const int beat = song.meter.ticks_per_beat;
  for (Part& part : song.parts) {
    for (Note& note : part.notes) {
      const int end = swung_tick(note.start + note.length, beat);
      note.start = swung_tick(note.start, beat);
      note.length = end - note.start;
    }
  }
}

}  // namespace music
