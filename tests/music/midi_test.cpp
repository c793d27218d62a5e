// The music module against scripted media answers: which commands it sends
// and when, as the menu's music mark and the piece's state change.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "music/midi.h"
#include "support/fake_platform.h"

namespace {

using Commands = std::vector<std::string>;

const std::string PIECE = "/opt/tombora/tombora.mid";
const std::string OPEN_PIECE = "open \"/opt/tombora/tombora.mid\" alias MIDI";

// A media device with one piece whose mode the test sets; every command
// succeeds unless it names a file listed as missing.
struct MidiTest : ::testing::Test {
    FakePlatform fake;
    std::string mode = "stopped";
    std::vector<std::string> missing;

    void SetUp() override
    {
        midi_reply.fill('\0');
        midi_active = 0;
        set_platform(&fake);
        fake.media = [this](const std::string& command) -> std::pair<int, std::string> {
            for (const auto& name : missing)
                if (command.find(name) != std::string::npos)
                    return {263, ""};
            if (command == "status MIDI mode")
                return {0, mode};
            if (command == "play MIDI from 0")
                mode = "playing";
            return {0, ""};
        };
    }
    void TearDown() override { set_platform(nullptr); }

    // The commands sent by the call, and only those.
    template <typename F>
    Commands sent_by(F call)
    {
        size_t before = fake.commands.size();
        call();
        return Commands(fake.commands.begin() + before, fake.commands.end());
    }
};

TEST_F(MidiTest, WithMusicUntickedFromTheStartThePieceNeverStarts)
{
    fake.checked[MenuItem::music] = false;
    midi_open(PIECE);
    for (int frame = 0; frame < 5; ++frame)
        EXPECT_EQ(sent_by(midi_restart_if_stopped), Commands{});
    EXPECT_EQ(midi_active, 1);
}

TEST_F(MidiTest, OpeningNeverPlaysTheFirstFrameWithMusicTickedDoes)
{
    fake.checked[MenuItem::music] = true;
    EXPECT_EQ(sent_by([] { midi_open(PIECE); }), Commands{OPEN_PIECE});
    EXPECT_EQ(midi_active, 1);
    EXPECT_EQ(sent_by(midi_restart_if_stopped), (Commands{"status MIDI mode", "play MIDI from 0"}));
    EXPECT_EQ(sent_by(midi_restart_if_stopped), Commands{"status MIDI mode"});
}

TEST_F(MidiTest, UntickingLetsThePieceEndUnrepeatedAndTickingRestartsIt)
{
    fake.checked[MenuItem::music] = true;
    midi_open(PIECE);
    midi_restart_if_stopped();
    ASSERT_EQ(mode, "playing");

    fake.checked[MenuItem::music] = false;
    EXPECT_EQ(sent_by(midi_restart_if_stopped), Commands{}) << "unticking does not stop the piece";
    fake.checked[MenuItem::music] = true;
    EXPECT_EQ(sent_by(midi_restart_if_stopped), Commands{"status MIDI mode"}) << "ticked while it plays";

    fake.checked[MenuItem::music] = false;
    mode = "stopped";  // the piece reaches its end
    EXPECT_EQ(sent_by(midi_restart_if_stopped), Commands{}) << "not repeated while unticked";

    fake.checked[MenuItem::music] = true;
    EXPECT_EQ(sent_by(midi_restart_if_stopped), (Commands{"status MIDI mode", "play MIDI from 0"}));
}

TEST_F(MidiTest, AMissingFileSilencesTheChecksUntilTheNextOpen)
{
    fake.checked[MenuItem::music] = true;
    missing = {"bgm.mid"};
    midi_open("/opt/tombora/bgm.mid");
    EXPECT_EQ(midi_active, 0);
    EXPECT_EQ(sent_by(midi_restart_if_stopped), Commands{});

    midi_open(PIECE);
    EXPECT_EQ(midi_active, 1);
    EXPECT_EQ(sent_by(midi_restart_if_stopped), (Commands{"status MIDI mode", "play MIDI from 0"}));
}

TEST_F(MidiTest, ClosingWithNothingOpenSendsBothAndDeactivates)
{
    midi_active = 1;
    // A failing device may still leave words in the reply; they are not used.
    fake.media = [](const std::string&) { return std::pair<int, std::string>{263, "STOPPED"}; };
    EXPECT_EQ(sent_by(midi_close), (Commands{"stop MIDI", "close MIDI"}));
    EXPECT_EQ(midi_active, 0);
    EXPECT_EQ(midi_send("status MIDI mode"), "error");
}

TEST_F(MidiTest, AFailedPathConversionReusesWhatTheReplyHeld)
{
    // The path does not fit the 256-character buffer, so the conversion
    // leaves the last reply there and it becomes the "path".
    fake.media = [](const std::string&) { return std::pair<int, std::string>{0, "Stopped"}; };
    midi_send("status MIDI mode");
    EXPECT_EQ(sent_by([] { midi_open("/" + std::string(300, 'x') + ".mid"); }),
              Commands{"open Stopped alias MIDI"});
}

// A device that writes its reply raw, including what follows the NUL.
struct RawReplyPlatform : FakePlatform {
    std::vector<char> raw;
    int mci_send_string(const char* command, char* reply, std::size_t reply_len) override
    {
        commands.emplace_back(command);
        std::memcpy(reply, raw.data(), std::min(raw.size(), reply_len));
        return 0;
    }
};

TEST(MidiReply, IsLowerCasedAndCutAtTheFirstNul)
{
    RawReplyPlatform raw;
    set_platform(&raw);
    const char text[] = "PlayING\0Stale";
    raw.raw.assign(text, text + sizeof text);
    EXPECT_EQ(midi_send("status MIDI mode"), "playing");

    // A reply with no NUL at all is taken whole.
    raw.raw.assign(256, 'A');
    EXPECT_EQ(midi_send("status MIDI mode"), std::string(256, 'a'));
    set_platform(nullptr);
}

}  // namespace
