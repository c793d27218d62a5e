// Reading a piece's length, and telling MIDI files from other bytes.
#include <gtest/gtest.h>

#include "midi_bytes.h"
#include "music/midi_file.h"

namespace {

TrackBytes one_note(uint32_t length_ticks)
{
    TrackBytes track;
    track.event(0, {0x90, 60, 100}).event(length_ticks, {0x80, 60, 0}).end(0);
    return track;
}

TEST(MidiFileSeconds, FollowsTheDefaultTempoWithoutTempoEvents)
{
    auto seconds = midi_file_seconds(midi_file(0, 480, {one_note(960)}));
    ASSERT_TRUE(seconds);
    EXPECT_DOUBLE_EQ(*seconds, 1.0);  // two beats at 120 a minute
}

TEST(MidiFileSeconds, FollowsTempoChangesFromAnyTrackAndTheLongestTrack)
{
    TrackBytes conductor;
    conductor.tempo(0, 1000000).tempo(480, 250000).end(0);  // ends at tick 480
    // 480 ticks at 1 s a beat, then 960 ticks at 0.25 s a beat.
    auto seconds = midi_file_seconds(midi_file(1, 480, {conductor, one_note(1440)}));
    ASSERT_TRUE(seconds);
    EXPECT_DOUBLE_EQ(*seconds, 1.5);
}

TEST(MidiFileSeconds, CountsTheEndOfTrackAfterTheLastNote)
{
    TrackBytes track;
    track.event(0, {0x90, 60, 100}).event(480, {0x80, 60, 0}).end(480);
    EXPECT_DOUBLE_EQ(midi_file_seconds(midi_file(0, 480, {track})).value_or(-1), 1.0);
}

TEST(MidiFileSeconds, ReadsRunningStatusSystemExclusiveAndForeignChunks)
{
    TrackBytes track;
    track.event(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7})  // GM on
        .event(0, {0xC0, 5})
        .event(0, {0x90, 60, 100})
        .event(240, {62, 100})  // running status: another note-on
        .event(240, {60, 0})
        .event(0, {62, 0})
        .event(0, {0xFF, 0x03, 0x03, 'c', 'a', 't'})
        .end(0);
    Bytes file = midi_file(1, 480, {});
    file[11] = 1;  // one track, after a chunk of another kind
    put_chunk(file, "XFIH", {1, 2, 3});
    put_chunk(file, "MTrk", track.bytes());
    EXPECT_DOUBLE_EQ(midi_file_seconds(file).value_or(-1), 0.5);
}

TEST(MidiFileSeconds, ATrackWithoutItsEndEventEndsWithItsChunk)
{
    TrackBytes track;
    track.event(0, {0x90, 60, 100}).event(480, {0x80, 60, 0});
    EXPECT_DOUBLE_EQ(midi_file_seconds(midi_file(0, 480, {track})).value_or(-1), 0.5);
}

TEST(MidiFileSeconds, RefusesWhatTheSynthesiserCannotPlay)
{
    Bytes good = midi_file(0, 480, {one_note(480)});
    ASSERT_TRUE(midi_file_seconds(good));

    EXPECT_FALSE(midi_file_seconds(Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E'}));
    EXPECT_FALSE(midi_file_seconds(Bytes{}));
    EXPECT_FALSE(midi_file_seconds(Bytes(good.begin(), good.end() - 3))) << "cut short";
    EXPECT_FALSE(midi_file_seconds(midi_file(0, 480, {}))) << "no track";
    EXPECT_FALSE(midi_file_seconds(midi_file(0, 0xE728, {one_note(480)}))) << "time-code division";

    TrackBytes data_first;
    data_first.event(0, {60, 100}).end(0);
    EXPECT_FALSE(midi_file_seconds(midi_file(0, 480, {data_first}))) << "running status without a status";
    TrackBytes realtime;
    realtime.event(0, {0xF8}).end(0);
    EXPECT_FALSE(midi_file_seconds(midi_file(0, 480, {realtime}))) << "clock byte in a file";
    TrackBytes long_delta;
    long_delta.event(0, {}).end(0);
    Bytes bad_delta = midi_file(0, 480, {long_delta});
    bad_delta.insert(bad_delta.begin() + 22, {0xFF, 0xFF, 0xFF, 0xFF});  // a fifth delta byte
    bad_delta[21] += 4;
    EXPECT_FALSE(midi_file_seconds(bad_delta)) << "delta longer than four bytes";
}

}  // namespace

// The instruments kept loaded for a piece: a wrong list means samples read
// from disk on the audio thread, or kept for nothing.
TEST(MidiFilePresets, FollowsProgramChangesBankSelectsAndTheDrumChannel)
{
    TrackBytes first;
    first.event(0, {0xC0, 12})                // channel 1: program 12
        .event(0, {0x90, 60, 100})
        .event(0, {0x62, 100})                // running status: a second note
        .event(480, {0xC0, 45})               // changed, but never played
        .end(0);
    TrackBytes second;
    second.event(0, {0xB1, 0, 8})             // channel 2: bank 8, program 0
        .event(0, {0x91, 60, 100})
        .event(0, {0x99, 36, 100})            // channel 10: the drum kit
        .event(0, {0x92, 60, 0})              // velocity 0: a note off
        .end(0);
    auto presets = midi_file_presets(midi_file(1, 480, {first, second}));
    using P = std::pair<int, int>;
    EXPECT_EQ(presets, (std::vector<P>{{0, 12}, {8, 0}, {128, 0}}));
    EXPECT_TRUE(midi_file_presets(Bytes{'M', 'T', 'h', 'd'}).empty()) << "not a MIDI file";
}
