// Checks on the composition itself, for the ears we do not have: no part
// grinds a semitone against another, voices stay in their ranges, and each
// piece runs straight back into its own beginning.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "songs.h"

namespace music {
namespace {

struct Piece {
  const char* name;
  Song (*compose)();
  double shortest_seconds;
  double longest_seconds;
};

class SongTest : public testing::TestWithParam<Piece> {
 protected:
  Song song = GetParam().compose();
  const Part& part(const std::string& name) const {
    return *std::find_if(song.parts.begin(), song.parts.end(),
                         [&](const Part& p) { return p.instrument.name == name; });
  }
};

bool is_pitched(const Part& part) { return part.instrument.channel != kDrumChannel; }

int overlap(const Note& a, const Note& b) {
  return std::min(a.start + a.length, b.start + b.length) - std::max(a.start, b.start);
}

// A minor second, or one an octave or two apart: the upper note a semitone
// above the lower one's pitch class. (A major seventh is allowed.)
bool grinds(const Note& a, const Note& b) {
  const Note& lower = a.key < b.key ? a : b;
  const Note& upper = a.key < b.key ? b : a;
  return (upper.key - lower.key) % 12 == 1;
}

TEST_P(SongTest, LastsTheIntendedTime) {
  const double seconds =
      60.0 * song.length / song.meter.ticks_per_beat / song.beats_per_minute;
  EXPECT_GE(seconds, GetParam().shortest_seconds);
  EXPECT_LE(seconds, GetParam().longest_seconds);
}

TEST_P(SongTest, NoSemitoneClashesBetweenParts) {
  const int held = song.meter.ticks_per_beat / 2;  // passing notes shorter than this are fine
  for (std::size_t i = 0; i < song.parts.size(); ++i) {
    for (std::size_t j = i + 1; j < song.parts.size(); ++j) {
      const Part& a = song.parts[i];
      const Part& b = song.parts[j];
      if (!is_pitched(a) || !is_pitched(b)) continue;
      for (const Note& x : a.notes) {
        for (const Note& y : b.notes) {
          EXPECT_FALSE(overlap(x, y) >= held && grinds(x, y))
              << a.instrument.name << " key " << x.key << " at beat "
              << x.start / song.meter.ticks_per_beat << " against " << b.instrument.name
              << " key " << y.key;
        }
      }
    }
  }
}

TEST_P(SongTest, VoicesStayInTheirRanges) {
  const std::vector<Note>& tune = song.parts[0].notes;
  const auto [lowest_tune, highest_tune] = std::minmax_element(
      tune.begin(), tune.end(), [](const Note& a, const Note& b) { return a.key < b.key; });
  EXPECT_GE(lowest_tune->key, 60);   // C4
  EXPECT_LE(highest_tune->key, 90);  // F#6: higher turns shrill
  for (const Note& note : part("Bass").notes) {
    EXPECT_GE(note.key, 40);  // E2, the bass's open string
    EXPECT_LE(note.key, 57);
  }
  for (const Note& note : part("Drums").notes) {
    EXPECT_GE(note.key, 35);  // the General MIDI kit
    EXPECT_LE(note.key, 81);
  }
}

TEST_P(SongTest, EveryPartPlaysFromTheStartToTheVeryEnd) {
  for (const Part& p : song.parts) {
    ASSERT_FALSE(p.notes.empty()) << p.instrument.name;
    int last_end = 0;
    for (const Note& note : p.notes) last_end = std::max(last_end, note.start + note.length);
    EXPECT_EQ(last_end, song.length) << p.instrument.name << " leaves a silent tail";
  }
  for (const char* name : {"Bass", "Drums"}) {
    EXPECT_EQ(part(name).notes.front().start, 0) << name << " does not start the loop";
  }
  EXPECT_EQ(song.parts[0].notes.front().start, 0) << "the tune does not start the loop";
}

TEST_P(SongTest, TuneAndBassStepBackIntoTheStart) {
  for (const std::string& name : {song.parts[0].instrument.name, std::string("Bass")}) {
    const auto& notes = part(name).notes;
    EXPECT_LE(std::abs(notes.back().key - notes.front().key), 2) << name << " leaps at the seam";
  }
}

INSTANTIATE_TEST_SUITE_P(Pieces, SongTest,
                         testing::Values(Piece{"title", title_song, 45, 60},
                                         Piece{"round", round_song, 40, 60}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace music
