// The media commands over the real synthesiser, rendered offline.
#include <atomic>
#include <thread>

#include "audio_fixture.h"
#include "midi_bytes.h"
#include "music/media_commands.h"
#include "music/midi_sequencer.h"

namespace {

using MusicTest = AudioTest;

// Loud from 0 to 200 ms, silent to 600 ms, loud again to 800 ms.
Bytes two_notes() { return piano_piece({{0, 200}, {600, 800}}); }

TEST_F(MusicTest, StatusIsStoppedThenPlayingThenStoppedRightAtTheEnd)
{
    ASSERT_EQ(open(file("half.mid", piano_piece({{0, 500}}))), 0);
    EXPECT_EQ(status(), "stopped");
    EXPECT_LT(rms(render(0.2).left), 1e-6) << "opening does not play";

    EXPECT_EQ(send("play MIDI from 0"), std::pair(0, std::string()));
    EXPECT_EQ(status(), "playing");
    // Poll every 10 ms of sound, as the game polls every frame.
    double seconds = 0;
    while (status() == "playing" && seconds < 3) {
        render(0.01);
        seconds += 0.01;
    }
    EXPECT_GE(seconds, 0.5 - 1e-9) << "not before the last note ends";
    EXPECT_LE(seconds, 0.6) << "within 100 ms of the end";

    EXPECT_EQ(send("play MIDI from 0").first, 0);
    EXPECT_EQ(status(), "playing");
    Rendered again = render(0.2);
    EXPECT_GT(rms(again.left), 0.01) << "plays again from the start";
    EXPECT_GT(rms(again.right), 0.01);
}

TEST_F(MusicTest, StopSilencesAtOnceAndPlayStartsAgainFromTheBeginning)
{
    ASSERT_EQ(open(file("two.mid", two_notes())), 0);
    send("play MIDI from 0");
    Rendered first = render(0.15);
    render(0.25);  // into the gap between the notes
    EXPECT_EQ(send("stop MIDI").first, 0);
    EXPECT_EQ(status(), "stopped");

    send("play MIDI from 0");
    Rendered again = render(0.15);
    EXPECT_GT(rms(again.left), 0.5 * rms(first.left)) << "the first note sounds again";
    EXPECT_EQ(status(), "playing");
}

// What the sound server's output asks of the sequencer when it writes a
// new pass again from the listener.
TEST_F(MusicTest, ARestartTakesThePassUnderWayBackToItsFirstNoteAndNoStoppedOne)
{
    auto font = find_sound_font();
    ASSERT_TRUE(font);
    MidiSequencer sequencer;
    sequencer.attach(*font);
    ASSERT_TRUE(sequencer.open(file("two.mid", two_notes())));
    auto made = [&](double seconds) {
        std::vector<float> left(static_cast<size_t>(seconds * Synth::SAMPLE_RATE)), right(left.size());
        sequencer.render(left.data(), right.data(), int(left.size()));
        return rms(left);
    };
    sequencer.start_pass();
    const double first = made(0.15);
    made(0.55);  // into the second note: 0.7 s of the 0.8 s made
    sequencer.restart_pass();
    EXPECT_GT(made(0.15), 0.5 * first) << "the first note sounds again";
    made(0.5);
    EXPECT_TRUE(sequencer.pass_playing()) << "the pass's end moved with its start";
    EXPECT_EQ(sequencer.passes_started(), 1) << "still the same pass";

    sequencer.stop();
    sequencer.restart_pass();
    EXPECT_FALSE(sequencer.pass_under_way());
    EXPECT_LT(made(0.15), 0.5 * first) << "a stopped piece stays stopped (only the reverb fades)";
}

// The game asks after the piece every frame, without a lock, while the
// mixer may restart the pass under way: a poll that saw it stopped would
// play the piece again or stop the music.
TEST_F(MusicTest, ARestartNeverShowsTheGameAStoppedPiece)
{
    auto font = find_sound_font();
    ASSERT_TRUE(font);
    MidiSequencer sequencer;
    sequencer.attach(*font);
    // Many notes: dropping a player takes a while, as it would for a
    // real piece, which widens the moment a poll could fall into.
    std::vector<NoteSpan> notes;
    for (uint32_t ms = 0; ms < 20000; ms += 10)
        notes.push_back({ms, ms + 5});
    ASSERT_TRUE(sequencer.open(file("busy.mid", piano_piece(notes))));
    ASSERT_TRUE(sequencer.start_pass());
    std::atomic<bool> done{false};
    std::atomic<int> polls{0}, seen_stopped{0};
    std::thread game([&] {
        for (; !done; ++polls)
            if (!sequencer.pass_under_way() || !sequencer.pass_playing())
                ++seen_stopped;
    });
    while (polls == 0)
        std::this_thread::yield();
    float left[64], right[64];
    for (int restarts = 0; restarts < 2000 && seen_stopped == 0; ++restarts) {
        sequencer.render(left, right, 64);  // some of the pass made, so the restart acts
        sequencer.restart_pass();
    }
    done = true;
    game.join();
    EXPECT_EQ(seen_stopped, 0) << "of " << polls << " polls";
}

TEST_F(MusicTest, StopCutsASoundingNoteWithoutItsRelease)
{
    ASSERT_EQ(open(file("long.mid", piano_piece({{0, 2000}}))), 0);
    send("play MIDI from 0");
    double playing = rms(render(0.3).left);
    send("stop MIDI");
    // A released piano note still sounds at half its level 20 ms on; what
    // is left after a cut is the reverb's faint tail.
    EXPECT_LT(rms(render(0.1).left, frames_of(0.02)), playing / 5);
}

TEST_F(MusicTest, CloseForgetsThePieceAndAnotherCanBeOpened)
{
    std::string piece = file("a.mid", two_notes());
    ASSERT_EQ(open(piece), 0);
    send("play MIDI from 0");
    EXPECT_EQ(send("close MIDI").first, 0);
    EXPECT_LT(rms(render(0.1).left, frames_of(0.02)), 0.002);
    EXPECT_NE(send("status MIDI mode").first, 0);
    EXPECT_EQ(open(piece), 0);
    EXPECT_EQ(status(), "stopped");
}

TEST_F(MusicTest, RefusesMissingAndForeignFilesAndASecondPiece)
{
    EXPECT_EQ(open((dir / "missing.mid").string()), MEDIA_CANNOT_OPEN);
    EXPECT_EQ(open(file("text.mid", {'h', 'e', 'l', 'l', 'o'})), MEDIA_CANNOT_OPEN);
    EXPECT_EQ(open(dir.string()), MEDIA_CANNOT_OPEN) << "a folder";
    EXPECT_NE(send("status MIDI mode").first, 0) << "a failed open leaves nothing open";

    ASSERT_EQ(open(file("a.mid", two_notes())), 0);
    EXPECT_EQ(open(file("b.mid", two_notes())), MEDIA_ALREADY_OPEN);
}

TEST_F(MusicTest, RefusesNamesThatAreNotOpenAndUnknownCommands)
{
    for (const char* command : {"status MIDI mode", "play MIDI from 0", "stop MIDI", "close MIDI"})
        EXPECT_EQ(send(command).first, MEDIA_NOT_OPEN) << command;
    ASSERT_EQ(open(file("a.mid", two_notes())), 0);
    EXPECT_EQ(send("status OTHER mode").first, MEDIA_NOT_OPEN);
    for (const char* command : {"", "pause MIDI", "play MIDI", "play MIDI from 5", "status MIDI length",
                                "open \"unclosed alias MIDI", "stop"})
        EXPECT_EQ(send(command).first, MEDIA_UNKNOWN_COMMAND) << command;
    EXPECT_EQ(send("STATUS midi MODE"), std::pair(0, std::string("stopped"))) << "case is ignored";
}

TEST_F(MusicTest, ReplyIsCutToTheBufferWithItsNul)
{
    ASSERT_EQ(open(file("a.mid", two_notes())), 0);
    char reply[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(audio.mci_send_string("status MIDI mode", reply, sizeof reply), 0);
    EXPECT_STREQ(reply, "stop");
}

TEST_F(MusicTest, OpensThroughTheShortPathOfANameWithBlanksAndJapanese)
{
    std::filesystem::create_directories(dir / "ねこ の 曲");
    std::string path = (dir / "ねこ の 曲" / "とんぼら ＢＧＭ.mid").string();
    file("ねこ の 曲/とんぼら ＢＧＭ.mid", two_notes());

    char short_path[256] = "untouched";
    audio.short_path_name(path.c_str(), short_path, sizeof short_path);
    EXPECT_EQ(std::string(short_path), "\"" + path + "\"");
    EXPECT_EQ(send(std::string("open ") + short_path + " alias MIDI").first, 0);
    send("play MIDI from 0");
    EXPECT_GT(rms(render(0.1).left), 0.01);
}

TEST(QuotedPathName, LeavesTheBufferForAMissingFileOrOneThatDoesNotFit)
{
    char buf[16] = "kept";
    quoted_path_name("/no/such/file.mid", buf, sizeof buf);
    EXPECT_STREQ(buf, "kept");
    quoted_path_name("/tmp", buf, 6);
    EXPECT_STREQ(buf, "kept");
    quoted_path_name("/tmp", buf, 7);  // "/tmp" in quotes and its NUL: exactly 7
    EXPECT_STREQ(buf, "\"/tmp\"");
}

}  // namespace
