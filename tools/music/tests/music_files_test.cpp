// The committed pieces, read as a MIDI player reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "smf_reader.h"

namespace music_test {
namespace {

constexpr int kDrumChannel = 9;

class MusicFileTest : public testing::TestWithParam<const char*> {
 protected:
  MidiFile file = read_midi(read_bytes(std::string(MUSIC_ASSETS_DIR) + "/" + GetParam()));
};

TEST_P(MusicFileTest, IsAWellFormedFormatOneFile) {
  EXPECT_EQ(file.format, 1);
  EXPECT_GT(file.ticks_per_beat, 0);
  EXPECT_EQ(file.declared_tracks, static_cast<int>(file.tracks.size()));
  ASSERT_GE(file.tracks.size(), 4u);  // conductor, tune, bass, drums at the least
  for (const MidiTrack& track : file.tracks) EXPECT_TRUE(track.ends_with_end_of_track);
}

TEST_P(MusicFileTest, LastsBetweenHalfAMinuteAndAMinuteAndAHalf) {
  const double seconds = seconds_at(file, end_tick(file));
  EXPECT_GE(seconds, 30.0);
  EXPECT_LE(seconds, 90.0);
}

TEST_P(MusicFileTest, HasDrumsOnChannelTenAndNoHangingNotes) {
  const auto notes = sounding_notes(file);  // throws on a note struck twice or never let go
  EXPECT_GT(std::count_if(notes.begin(), notes.end(),
                          [](const Sounding& n) { return n.channel == kDrumChannel; }),
            0);
}

INSTANTIATE_TEST_SUITE_P(Assets, MusicFileTest, testing::Values("tombora.mid", "bgm.mid"),
                         [](const auto& info) {
                           return std::string(info.param).substr(0, std::string(info.param).find('.'));
                         });

}  // namespace
}  // namespace music_test
