// Songs written as MIDI files and read back by the independent reader.
#include <gtest/gtest.h>

#include <stdexcept>

#include "smf_reader.h"
#include "smf_writer.h"
#include "song.h"

namespace music {
namespace {

constexpr Meter kMeter{480, 4};

std::vector<std::uint8_t> variable_length(std::uint32_t value) {
  std::vector<std::uint8_t> out;
  append_variable_length(out, value);
  return out;
}

TEST(SmfWriterTest, VariableLengthNumbersAtEachByteBoundary) {
  using Bytes = std::vector<std::uint8_t>;
  EXPECT_EQ(variable_length(0), (Bytes{0x00}));
  EXPECT_EQ(variable_length(0x7F), (Bytes{0x7F}));
  EXPECT_EQ(variable_length(0x80), (Bytes{0x81, 0x00}));
  EXPECT_EQ(variable_length(0x3FFF), (Bytes{0xFF, 0x7F}));
  EXPECT_EQ(variable_length(0x4000), (Bytes{0x81, 0x80, 0x00}));
  EXPECT_EQ(variable_length(0x0FFFFFFF), (Bytes{0xFF, 0xFF, 0xFF, 0x7F}));
}

Song two_bar_song() {
  Song song{"test", 120, kMeter, 2 * kMeter.bar_ticks(), {}};
  // The same key twice in a row: the first must be let go before the second.
  add_part(song, {"Lead", 0, 80, 100, 64}, parse_line("C5/2 C5 | E5/1", kMeter, {90}));
  add_part(song, {"Drums", kDrumChannel, 0, 100, 64}, parse_line("r/1 | r/2. C2/4", kMeter, {90}));
  return song;
}

TEST(SmfWriterTest, FileHasAConductorAndOneTrackPerPart) {
  const music_test::MidiFile file = music_test::read_midi(smf_bytes(two_bar_song()));
  EXPECT_EQ(file.format, 1);
  EXPECT_EQ(file.ticks_per_beat, 480);
  EXPECT_EQ(file.declared_tracks, 3);
  ASSERT_EQ(file.tracks.size(), 3u);
  for (const auto& track : file.tracks) {
    EXPECT_TRUE(track.ends_with_end_of_track);
    EXPECT_EQ(track.events.back().tick, 3840u);  // every track ends with the song
  }
  EXPECT_DOUBLE_EQ(music_test::seconds_at(file, 3840), 4.0);  // two bars at 120
}

TEST(SmfWriterTest, RepeatedKeyIsReleasedBeforeItIsStruckAgain) {
  const auto notes = music_test::sounding_notes(music_test::read_midi(smf_bytes(two_bar_song())));
  ASSERT_EQ(notes.size(), 4u);  // the reader throws on a key struck while sounding
  EXPECT_EQ(notes[0].end, 960u);
  EXPECT_EQ(notes[1].start, 960u);
  EXPECT_EQ(notes.back().channel, kDrumChannel);
  EXPECT_EQ(notes.back().end, 3840u);
}

TEST(SmfWriterTest, PartsMustFitTheSong) {
  Song song{"test", 120, kMeter, kMeter.bar_ticks(), {}};
  EXPECT_THROW(add_part(song, {"Long", 0, 0, 100, 64}, parse_line("C4/1 | C4/1", kMeter, {90})),
               std::invalid_argument);
  song.parts.push_back({{"Stray", 0, 0, 100, 64}, {{1900, 40, 60, 90}}});
  EXPECT_THROW(smf_bytes(song), std::invalid_argument);
}

TEST(SwingTest, OffBeatEighthsMoveToTheLastThirdOfTheBeat) {
  EXPECT_EQ(swung_tick(0, 480), 0);
  EXPECT_EQ(swung_tick(240, 480), 320);
  EXPECT_EQ(swung_tick(480, 480), 480);
  EXPECT_EQ(swung_tick(480 * 7 + 240, 480), 480 * 7 + 320);
  EXPECT_EQ(swung_tick(120, 480), 160);
  EXPECT_EQ(swung_tick(360, 480), 400);
  for (int tick = 1; tick < 960; ++tick) {  // never runs backwards
    ASSERT_GE(swung_tick(tick, 480), swung_tick(tick - 1, 480)) << tick;
  }
}

TEST(SwingTest, SwungNotesKeepTheirOrderAndTheSongItsLength) {
  Song song{"test", 120, kMeter, kMeter.bar_ticks(), {}};
  add_part(song, {"Lead", 0, 0, 100, 64}, parse_line("C4/8 D4 E4 F4 G4/2", kMeter, {90}));
  swing(song);
  const auto& notes = song.parts[0].notes;
  EXPECT_EQ(notes[0].length, 320);  // long-short
  EXPECT_EQ(notes[1].start, 320);
  EXPECT_EQ(notes[1].length, 160);
  EXPECT_EQ(notes[4].start + notes[4].length, 1920);
}

}  // namespace
}  // namespace music
