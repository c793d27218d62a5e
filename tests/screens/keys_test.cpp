// Keys between the screens and the high-score entry.
#include "game_test.h"
#include "play/round.h"
#include "screens/high_score_entry.h"
#include "screens/keys.h"
#include "scratch_dir.h"

namespace {

struct KeysTest : GameTest {
    ScratchWorkingDir dir;
    void SetUp() override
    {
        GameTest::SetUp();
        rank_name = {"A", "B", "C"};
        rank_score = {500, 300, 100};
        rank_accuracy = {90, 80, 70};
    }
    void on_result_screen(int32_t round_score, int16_t round_accuracy)
    {
        game_state = STATE_RESULT;
        score = round_score;
        accuracy = round_accuracy;
        fake.enabled = {{MenuItem::start, false}, {MenuItem::stop, true}};
    }
    QByteArray hiscore_file() const { return dir.read("HISCORE.dat"); }
};

TEST_F(KeysTest, SpaceOnTheResultScreenRanksSavesAndGoesToTheTitle)
{
    on_result_screen(501, 95);
    fake.input_answers = {"たま"};
    mainscr_KeyDown(32, 0);
    EXPECT_EQ(rank_name, (std::array<std::string, 3>{"たま", "A", "B"}));
    EXPECT_EQ(rank_score, (std::array<int32_t, 3>{501, 500, 300}));
    EXPECT_EQ(rank_accuracy, (std::array<int16_t, 3>{95, 90, 80}));
    EXPECT_EQ(game_state, STATE_TITLE);
    EXPECT_TRUE(fake.enabled[MenuItem::start]);
    EXPECT_FALSE(fake.enabled[MenuItem::stop]);
    EXPECT_TRUE(hiscore_file().startsWith("\""));
    EXPECT_TRUE(fake.commands.empty());  // the music is not touched
}

TEST_F(KeysTest, AHeldSpaceActsOnce)
{
    on_result_screen(600, 95);
    fake.input_answers = {"たま", "くろ"};
    mainscr_KeyDown(32, 0);
    mainscr_KeyDown(32, 0);  // the auto-repeat arrives on the title screen
    EXPECT_EQ(fake.input_answers.size(), 1u);
    EXPECT_EQ(rank_score[1], 500);
}

TEST_F(KeysTest, SpaceWritesTheFileEvenWithoutANewPlace)
{
    on_result_screen(100, 50);
    mainscr_KeyDown(32, 0);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(rank_score, (std::array<int32_t, 3>{500, 300, 100}));
    EXPECT_EQ(hiscore_file(), QByteArray("\"A\",500,90,\"B\",300,80,\"C\",100,70\r\n"));
}

TEST_F(KeysTest, F2OnTheTitleScreenStartsARoundAfterTheBox)
{
    game_state = STATE_TITLE;
    hit_count = 9;
    mainscr_KeyDown(113, 0);
    EXPECT_EQ(fake.messages, std::vector<std::string>{"とんぼら|ゲーム開始だにゃ！"});
    EXPECT_EQ(game_state, STATE_PLAY);
    EXPECT_EQ(hit_count, 0);
    EXPECT_EQ(time_left, 80);
    EXPECT_FALSE(fake.enabled[MenuItem::start]);
    EXPECT_TRUE(fake.enabled[MenuItem::stop]);
    EXPECT_EQ(fake.commands, (std::vector<std::string>{"stop MIDI", "close MIDI",
                                                       "open \"/opt/tombora/bgm.mid\" alias MIDI"}));
}

TEST_F(KeysTest, KeysOutsideTheirScreenDoNothing)
{
    struct Case {
        int16_t state, key;
    } cases[] = {{STATE_RESULT, 113}, {STATE_RESULT, 112}, {STATE_TITLE, 32}, {STATE_PLAY, 32},
                 {STATE_PLAY, 113},   {STATE_PLAY, 112},   {STATE_TITLE, 65}, {STATE_RESULT, 13}};
    for (const Case& c : cases) {
        game_state = c.state;
        mainscr_KeyDown(c.key, 0);
        EXPECT_EQ(game_state, c.state);
    }
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(fake.helps.empty());
    EXPECT_EQ(hiscore_file(), "(none)");
}

TEST_F(KeysTest, F1OnTheTitleScreenOpensTheHelp)
{
    game_state = STATE_TITLE;
    mainscr_KeyDown(112, 0);
    EXPECT_EQ(fake.helps, std::vector<std::string>{"/opt/tombora/TOMBORA.HLP"});
    EXPECT_EQ(game_state, STATE_TITLE);
}

struct EntryCase {
    int32_t score;
    std::array<int32_t, 3> scores;
    bool asked;
};

TEST_F(KeysTest, ANewScoreGoesBelowEqualScores)
{
    EntryCase cases[] = {
        {300, {500, 300, 300}, true},
        {100, {500, 300, 100}, false},
        {501, {501, 500, 300}, true},
        {32768, {32768, 500, 300}, true},
        {-1, {500, 300, 100}, false},
    };
    for (const EntryCase& c : cases) {
        rank_name = {"A", "B", "C"};
        rank_score = {500, 300, 100};
        rank_accuracy = {90, 80, 70};
        fake.messages.clear();
        score = c.score;
        accuracy = 77;
        enter_high_score();
        EXPECT_EQ(rank_score, c.scores) << c.score;
        EXPECT_EQ(fake.messages.size(), c.asked ? 1u : 0u) << c.score;
    }
}

TEST_F(KeysTest, TheNewRowTakesTheRoundsAccuracyAndTheOthersKeepTheirs)
{
    score = 300;
    accuracy = 42;
    fake.input_answers = {"みけ"};
    enter_high_score();
    EXPECT_EQ(rank_name, (std::array<std::string, 3>{"A", "B", "みけ"}));
    EXPECT_EQ(rank_accuracy, (std::array<int16_t, 3>{90, 80, 42}));
    EXPECT_EQ(fake.messages.back(), "input|ハイスコアだにゃ！あなたの名前を教えてほしいにゃ♪");
}

TEST_F(KeysTest, ClearedTableScoreOneTakesTheTopAndZeroNothing)
{
    rank_name = {"名無しの権兵衛", "名無しの権兵衛", "名無しの権兵衛"};
    rank_score = {0, 0, 0};
    rank_accuracy = {0, 0, 0};
    score = 0;
    enter_high_score();
    EXPECT_TRUE(fake.messages.empty());
    score = 1;
    fake.input_answers = {"x"};
    enter_high_score();
    EXPECT_EQ(rank_name[0], "x");
    EXPECT_EQ(rank_score, (std::array<int32_t, 3>{1, 0, 0}));
}

TEST_F(KeysTest, NoNameOrCancelGivesTheNamelessName)
{
    score = 9999;
    fake.input_answers = {""};  // Cancel answers empty too
    enter_high_score();
    EXPECT_EQ(rank_name[0], "名無しの権兵衛さん");
    score = 99999;
    fake.input_answers = {"   "};  // blanks are a name
    enter_high_score();
    EXPECT_EQ(rank_name[0], "   ");
}

TEST_F(KeysTest, NamesAreStoredAsTheFileCanCarryThem)
{
    score = 9999;
    fake.input_answers = {"\"Tama\" 🐱"};
    enter_high_score();
    EXPECT_EQ(rank_name[0], "＂Tama＂ ？");
}

}  // namespace
