// The music across the screens: which piece is open, and when it plays.
#include "game_test.h"
#include "menu/menu_commands.h"
#include "music/midi.h"
#include "play/round.h"
#include "scratch_dir.h"
#include "screens/keys.h"
#include "shell/main_loop.h"

namespace {

// A media device as the game sees it: one piece under "MIDI", stopped
// until played.
struct FakeDevice {
    std::string piece;
    bool playing = false;
    std::vector<std::string> started;  // the piece of every play

    std::pair<int, std::string> answer(const std::string& command)
    {
        if (command.starts_with("open ")) {
            piece = command.substr(5, command.find(" alias") - 5);
            playing = false;
            return {0, ""};
        }
        if (piece.empty())
            return {1, ""};
        if (command == "status MIDI mode")
            return {0, playing ? "playing" : "stopped"};
        if (command == "play MIDI from 0") {
            playing = true;
            started.push_back(piece);
        } else if (command == "stop MIDI") {
            playing = false;
        } else if (command == "close MIDI") {
            piece.clear();
        }
        return {0, ""};
    }
};

struct MusicFlowTest : GameTest {
    ScratchWorkingDir dir;
    FakeDevice device;
    void SetUp() override
    {
        GameTest::SetUp();
        fake.media = [this](const std::string& c) { return device.answer(c); };
        fake.checked[MenuItem::music] = true;
        midi_active = 0;
        game_state = STATE_TITLE;
        midi_open("/opt/tombora/tombora.mid");
    }
    void frames(int n)
    {
        for (int i = 0; i < n; ++i) {
            frame_start = int32_t(fake.now += 30);
            run_frame();
        }
    }
    void finish_round(int16_t hits)
    {
        hit_count = hits;
        time_left = 1;
        second_mark = frame_start - 2000;
        frames(1);
        ASSERT_EQ(game_state, STATE_RESULT);
    }
};

TEST_F(MusicFlowTest, EachScreenHasItsPieceAndTheResultScreenIsSilent)
{
    frames(1);
    EXPECT_EQ(device.started, (std::vector<std::string>{"\"/opt/tombora/tombora.mid\""}));
    start_Click();
    frames(3);
    EXPECT_EQ(device.started.back(), "\"/opt/tombora/bgm.mid\"");
    finish_round(12);
    device.started.clear();
    frames(50);  // the result screen
    EXPECT_TRUE(device.started.empty());
    EXPECT_EQ(device.piece, "\"/opt/tombora/TOMBORA.MID\"");
    mainscr_KeyDown(KEY_SPACE, 0);
    frames(1);
    EXPECT_EQ(device.started, (std::vector<std::string>{"\"/opt/tombora/TOMBORA.MID\""}));
}

TEST_F(MusicFlowTest, StopOnTheResultScreenReopensTheTitlePiece)
{
    start_Click();
    frames(2);
    finish_round(3);
    device.started.clear();
    stop_Click();
    EXPECT_TRUE(device.started.empty());
    frames(1);
    EXPECT_EQ(device.started, (std::vector<std::string>{"\"/opt/tombora/TOMBORA.MID\""}));
}

TEST_F(MusicFlowTest, APieceThatEndsStartsAgainWithinAFrameWhileTicked)
{
    frames(1);
    device.playing = false;  // played to its end
    frames(1);
    EXPECT_EQ(device.started.size(), 2u);
    fake.checked[MenuItem::music] = false;
    device.playing = false;
    frames(20);
    EXPECT_EQ(device.started.size(), 2u);  // unticked: not repeated
    fake.checked[MenuItem::music] = true;
    frames(1);
    EXPECT_EQ(device.started.size(), 3u);
}

TEST_F(MusicFlowTest, WithMusicUntickedFromTheStartNothingPlays)
{
    fake.checked[MenuItem::music] = false;
    frames(5);
    start_Click();
    frames(5);
    finish_round(4);
    mainscr_KeyDown(KEY_SPACE, 0);
    frames(5);
    EXPECT_TRUE(device.started.empty());
}

}  // namespace
