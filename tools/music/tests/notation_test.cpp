// The part notation, chord symbols, chord charts and drum grids.
#include <gtest/gtest.h>

#include <stdexcept>

#include "chart.h"
#include "drums.h"
#include "notation.h"
#include "pitch.h"

namespace music {
namespace {

constexpr Meter kFourFour{480, 4};
constexpr Meter kThreeFour{480, 3};

TEST(PitchTest, NamesMapToMidiKeysAcrossOctaveEdges) {
  EXPECT_EQ(pitch_of("C4"), 60);
  EXPECT_EQ(pitch_of("A4"), 69);
  EXPECT_EQ(pitch_of("F#2"), 42);
  EXPECT_EQ(pitch_of("Bb5"), 82);
  EXPECT_EQ(pitch_of("B#3"), 60);  // a sharp crosses into the next octave
  EXPECT_EQ(pitch_of("Cb4"), 59);  // a flat into the one below
  EXPECT_EQ(pitch_of("C0"), 12);
  EXPECT_EQ(pitch_of("G9"), 127);
}

TEST(PitchTest, RejectsWhatIsNotANoteName) {
  for (const char* bad : {"", "H4", "c4", "C", "C#", "C44", "G#9", "Cb0x"}) {
    EXPECT_THROW(pitch_of(bad), std::invalid_argument) << bad;
  }
}

TEST(PitchTest, ChordsAreVoicedUpwardsFromTheFloor) {
  const int g3 = 55;
  EXPECT_EQ(chord_voicing("F", g3), (std::vector<int>{57, 60, 65}));
  EXPECT_EQ(chord_voicing("Dm", g3), (std::vector<int>{57, 62, 65}));
  EXPECT_EQ(chord_voicing("Gm7", g3), (std::vector<int>{55, 58, 62, 65}));
  EXPECT_EQ(chord_voicing("Bbmaj7", g3), (std::vector<int>{57, 58, 62, 65}));
  EXPECT_EQ(chord_voicing("F#", g3), (std::vector<int>{58, 61, 66}));
  // The slash bass is left to the bass part.
  EXPECT_EQ(chord_voicing("D/F#", g3), chord_voicing("D", g3));
}

TEST(PitchTest, RejectsUnknownChords) {
  for (const char* bad : {"", "X", "Cmin", "C7b9", "D/", "D/H", "D/F#m"}) {
    EXPECT_THROW(chord_voicing(bad, 55), std::invalid_argument) << bad;
  }
}

TEST(NotationTest, NoteValuesCarryOverAndDotsAddHalf) {
  const Line line = parse_line("C4/8 D4 E4/4. F4/8 r/4", kFourFour, {80});
  ASSERT_EQ(line.notes.size(), 4u);
  EXPECT_EQ(line.notes[1].start, 240);
  EXPECT_EQ(line.notes[1].length, 240);  // carried from the eighth before
  EXPECT_EQ(line.notes[2].length, 720);
  EXPECT_EQ(line.notes[3].start, 1200);
  EXPECT_EQ(line.length, 1920);  // the rest counts too
}

TEST(NotationTest, StruckTogetherNotesAndChordSymbolsShareAStart) {
  const Line line = parse_line("C4+E4+G4/2 [Dm]/2", kFourFour, {80, 60});
  ASSERT_EQ(line.notes.size(), 6u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(line.notes[i].start, 0);
  for (int i = 3; i < 6; ++i) EXPECT_EQ(line.notes[i].start, 960);
  EXPECT_EQ(line.notes[3].key, 62);  // D4, the first chord note at or above C4
}

TEST(NotationTest, SlashChordKeepsItsNoteValue) {
  const Line line = parse_line("[D/F#]/2 [D/F#]", kFourFour, {80, 60});
  ASSERT_EQ(line.notes.size(), 6u);
  EXPECT_EQ(line.notes[0].length, 960);
  EXPECT_EQ(line.notes[3].start, 960);
}

TEST(NotationTest, DownbeatsAndAccentsAreLouder) {
  const Line line = parse_line("C4/8 C4 C4 >C4 C4/2", kFourFour, {80});
  const int bar_start = line.notes[0].velocity;
  const int off_beat = line.notes[1].velocity;
  const int beat = line.notes[2].velocity;
  const int accented_off_beat = line.notes[3].velocity;
  EXPECT_EQ(off_beat, 80);
  EXPECT_GT(beat, off_beat);
  EXPECT_GT(bar_start, beat);
  EXPECT_GT(accented_off_beat, bar_start);
}

TEST(NotationTest, VelocityStaysWithinMidiRange) {
  EXPECT_EQ(parse_line(">C4/1", kFourFour, {125}).notes[0].velocity, 127);
}

TEST(NotationTest, BarLinesCatchMiscountedBars) {
  EXPECT_NO_THROW(parse_line("C4/4 D4 E4 | F4/2.", kThreeFour, {80}));
  try {
    parse_line("C4/1 | D4/2 E4/4 | F4/1", kFourFour, {80});
    FAIL() << "a short second bar was accepted";
  } catch (const std::invalid_argument& error) {
    EXPECT_NE(std::string(error.what()).find("bar 2"), std::string::npos) << error.what();
  }
  EXPECT_THROW(parse_line("C4/2", kFourFour, {80}), std::invalid_argument);  // unfinished end
}

TEST(NotationTest, RejectsBadTokens) {
  for (const char* bad : {"C4", "C4/3", "C4/0", "C4/x", "C4/256", "Q4/4", "[Cx]/4", "C4+/4"}) {
    EXPECT_THROW(parse_line(bad, kFourFour, {80}), std::invalid_argument) << bad;
  }
}

TEST(NotationTest, JoinPlacesSectionsEndToEnd) {
  const Line a = parse_line("C4/1", kFourFour, {80});
  const Line b = parse_line("r/2 D4", kFourFour, {80});
  const Line whole = join({a, b, a});
  ASSERT_EQ(whole.notes.size(), 3u);
  EXPECT_EQ(whole.notes[1].start, 1920 + 960);
  EXPECT_EQ(whole.notes[2].start, 3840);
  EXPECT_EQ(whole.length, 5760);
}

TEST(ChartTest, PatternIsPlayedOverEachBarsChords) {
  EXPECT_EQ(comp_line("F | Gm7 C7", "r/4 X r >Y/8 Y"),
            "r/4 [F] r >[F]/8 [F] | r/4 [Gm7] r >[C7]/8 [C7] | ");
}

TEST(ChartTest, RejectsBarsWithNoneOrTooManyChords) {
  EXPECT_THROW(comp_line("F | | C", "X/1"), std::invalid_argument);
  EXPECT_THROW(comp_line("F G A", "X/1"), std::invalid_argument);
}

TEST(DrumsTest, StepsBecomeHitsWithTheirLoudness) {
  const Line line = parse_drums({{36, 80, "x... X... o... ...."}, {42, 60, "..x. | .... .... ...x"}},
                                kFourFour);
  ASSERT_EQ(line.notes.size(), 5u);
  EXPECT_EQ(line.length, 1920);
  EXPECT_EQ(line.notes[0].velocity, 80);
  EXPECT_EQ(line.notes[1].start, 240);  // sorted by start across rows
  EXPECT_EQ(line.notes[1].key, 42);
  EXPECT_EQ(line.notes[2].velocity, 100);
  EXPECT_EQ(line.notes[3].velocity, 40);
  EXPECT_EQ(line.notes[4].start, 1800);
  EXPECT_EQ(line.notes[4].length, 120);  // ends with the bar
}

TEST(DrumsTest, RejectsRaggedRowsAndUnknownMarks) {
  EXPECT_THROW(parse_drums({{36, 80, "x..."}}, kFourFour), std::invalid_argument);
  EXPECT_THROW(parse_drums({{36, 80, "x... .... .... ...."}, {38, 80, "x... .... .... .... x... .... .... ...."}},
                           kFourFour),
               std::invalid_argument);
  EXPECT_THROW(parse_drums({{36, 80, "x... .... .... ...-"}}, kFourFour), std::invalid_argument);
}

}  // namespace
}  // namespace music
