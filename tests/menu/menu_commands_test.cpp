// The menu commands.
#include "game_test.h"
#include "menu/menu_commands.h"
#include "play/round.h"
#include "scratch_dir.h"
#include "shell/version.h"

namespace {

struct MenuTest : GameTest {
    ScratchWorkingDir dir;
    void SetUp() override
    {
        GameTest::SetUp();
        rank_name = {"たま", "みけ", "くろ"};
        rank_score = {900, 500, 100};
        rank_accuracy = {99, 88, 77};
    }
    QByteArray file(const char* name) const { return dir.read(name); }
};

TEST_F(MenuTest, StartShowsTheBoxThenSetsUpTheRoundAndItsMusic)
{
    game_state = STATE_TITLE;
    miss_count = 5;
    // The round is set up only once the box is closed.
    fake.media = [](const std::string&) {
        EXPECT_EQ(miss_count, 0);
        return std::pair<int, std::string>{0, ""};
    };
    start_Click();
    EXPECT_EQ(fake.messages, std::vector<std::string>{"とんぼら|ゲーム開始だにゃ！"});
    EXPECT_EQ(game_state, STATE_PLAY);
    EXPECT_EQ(time_left, 80);
    EXPECT_EQ(cat_x[0], -50);
    EXPECT_EQ(fake.commands.back(), "open \"/opt/tombora/bgm.mid\" alias MIDI");
    EXPECT_FALSE(fake.enabled[MenuItem::start]);
    EXPECT_TRUE(fake.enabled[MenuItem::stop]);
}

TEST_F(MenuTest, StopGoesBackToTheTitleWithoutRankingOrWriting)
{
    for (int16_t from : {STATE_PLAY, STATE_RESULT}) {
        start_round();
        game_state = from;
        hit_count = 40;
        score = 4000;
        fake.enabled = {{MenuItem::start, false}, {MenuItem::stop, true}};
        fake.commands.clear();
        stop_Click();
        EXPECT_EQ(game_state, STATE_TITLE);
        EXPECT_TRUE(fake.enabled[MenuItem::start]);
        EXPECT_FALSE(fake.enabled[MenuItem::stop]);
        EXPECT_EQ(fake.commands, (std::vector<std::string>{
                                     "stop MIDI", "close MIDI",
                                     "open \"/opt/tombora/TOMBORA.MID\" alias MIDI"}));
        EXPECT_EQ(hit_count, 40);  // the counters stay until the next round
    }
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(rank_score[0], 900);
    EXPECT_EQ(file("HISCORE.dat"), "(none)");
}

TEST_F(MenuTest, MusicAndSoundEffectsOnlyToggleTheirMarks)
{
    fake.checked[MenuItem::music] = true;
    music_Click();
    EXPECT_FALSE(fake.checked[MenuItem::music]);
    music_Click();
    EXPECT_TRUE(fake.checked[MenuItem::music]);
    se_Click();
    EXPECT_TRUE(fake.checked[MenuItem::se]);
    EXPECT_TRUE(fake.commands.empty());
    EXPECT_EQ(file("config.dat"), "(none)");
}

TEST_F(MenuTest, ClearAnsweredYesWritesTheClearedTable)
{
    game_state = STATE_PLAY;
    fake.yes_no_answers = {true};
    clear_high_Click();
    EXPECT_EQ(fake.messages, std::vector<std::string>{"クリア|クリアしていいのかにゃ？"});
    EXPECT_EQ(rank_name[2], "名無しの権兵衛");
    EXPECT_EQ(rank_score, (std::array<int32_t, 3>{0, 0, 0}));
    EXPECT_EQ(game_state, STATE_PLAY);  // the round goes on
    const QByteArray nameless("\"\x96\xbc\x96\xb3\x82\xb5\x82\xcc\x8c\xa0\x95\xba\x89\x71\"");
    EXPECT_EQ(file("HISCORE.dat"), nameless + ",0,0," + nameless + ",0,0," + nameless + ",0,0\r\n");
    EXPECT_EQ(file("HISCORE.dat").size(), 64);
}

TEST_F(MenuTest, ClearAnsweredNoRewritesTheTableUnchanged)
{
    fake.yes_no_answers = {false};
    clear_high_Click();
    EXPECT_EQ(rank_score, (std::array<int32_t, 3>{900, 500, 100}));
    QByteArray bytes = file("HISCORE.dat");
    EXPECT_TRUE(bytes.endsWith(",900,99,\"\x82\xdd\x82\xaf\",500,88,\"\x82\xad\x82\xeb\",100,77\r\n"));
}

TEST_F(MenuTest, HelpAndAbout)
{
    help_show_Click();
    EXPECT_EQ(fake.helps, std::vector<std::string>{"/opt/tombora/TOMBORA.HLP"});
    about_Click();
    ASSERT_EQ(fake.messages.size(), 1u);
    // The caption, the game's name on the first line, then the version,
    // the credits and the licence.
    const std::string& box = fake.messages[0];
    EXPECT_TRUE(box.starts_with("とんぼら|とんぼらR1\n")) << box;
    EXPECT_NE(box.find(std::string("バージョン ") + GAME_VERSION), std::string::npos) << box;
    EXPECT_NE(box.find("にくきゅう工房"), std::string::npos) << box;
    EXPECT_NE(box.find("MIT ライセンス"), std::string::npos) << box;
}

}  // namespace
