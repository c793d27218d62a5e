// Judging typed letters: hits, misses, the order of the cats, the sounds.
#include "game_test.h"
#include "play/cats.h"
#include "play/judge.h"
#include "play/round.h"

namespace {

struct JudgeTest : GameTest {
    void SetUp() override
    {
        GameTest::SetUp();
        game_state = STATE_PLAY;
        cat_letter = {"猫", "A", "K", "B", "K", "C"};
        cat_state = {0, 0, 0, 0, 0, 0};
        fake.checked[MenuItem::se] = true;
    }
};

TEST_F(JudgeTest, EitherCaseHitsTheCatAndItLosesItsLetter)
{
    mainscr_KeyPress('a');
    EXPECT_EQ(hit_count, 1);
    EXPECT_EQ(cat_state[1], CAT_HIT);
    EXPECT_EQ(cat_letter[1], "");
    mainscr_KeyPress('C');
    EXPECT_EQ(hit_count, 2);
    EXPECT_EQ(cat_state[5], CAT_HIT);
    EXPECT_EQ(miss_count, 0);
    EXPECT_EQ(fake.waves, (std::vector<std::string>{"/opt/tombora/nya.wav", "/opt/tombora/nya.wav"}));
}

TEST_F(JudgeTest, TheTopmostCatWithTheLetterIsHitFirst)
{
    mainscr_KeyPress('k');
    EXPECT_EQ(cat_state[2], CAT_HIT);
    EXPECT_EQ(cat_letter[4], "K");
    mainscr_KeyPress('k');
    EXPECT_EQ(cat_state[4], CAT_HIT);
    mainscr_KeyPress('k');  // no cat carries K any more
    EXPECT_EQ(hit_count, 2);
    EXPECT_EQ(miss_count, 1);
    EXPECT_EQ(fake.waves.back(), "/opt/tombora/damedanya.wav");
}

TEST_F(JudgeTest, KeysThatAreNotLettersCountNothing)
{
    for (int c : std::initializer_list<int>{'0', '9', ' ', '\r', '\n', '.', '@', '[', '`', '{', 0x3042, -1, 0})
        mainscr_KeyPress(int16_t(c));
    EXPECT_EQ(hit_count, 0);
    EXPECT_EQ(miss_count, 0);
    EXPECT_TRUE(fake.waves.empty());
}

TEST_F(JudgeTest, LettersOutsidePlayCountNothing)
{
    for (int16_t state : {STATE_TITLE, STATE_RESULT}) {
        game_state = state;
        mainscr_KeyPress('a');
        mainscr_KeyPress('z');
    }
    EXPECT_EQ(hit_count, 0);
    EXPECT_EQ(miss_count, 0);
}

TEST_F(JudgeTest, WithSoundEffectsOffItCountsSilently)
{
    fake.checked[MenuItem::se] = false;
    mainscr_KeyPress('a');
    mainscr_KeyPress('z');
    EXPECT_EQ(hit_count, 1);
    EXPECT_EQ(miss_count, 1);
    EXPECT_TRUE(fake.waves.empty());
    fake.checked[MenuItem::se] = true;  // read at every judgement
    mainscr_KeyPress('z');
    EXPECT_EQ(fake.waves.size(), 1u);
}

TEST_F(JudgeTest, AHitCatCanOnlyBeHitAgainOnceItHasALetter)
{
    cat_letter[1] = "";  // just hit, showing its hit picture
    cat_state[1] = CAT_HIT;
    judge_letter("A");
    EXPECT_EQ(miss_count, 1);
    // A new round gives it a letter while it still shows the hit picture:
    // that letter can be typed.
    start_round();
    cat_state[1] = CAT_HIT;
    judge_letter(cat_letter[1]);
    EXPECT_EQ(hit_count, 1);
}

TEST_F(JudgeTest, ACatOffTheFieldCanBeHit)
{
    cat_x[3] = -50;
    judge_letter("B");
    EXPECT_EQ(cat_state[3], CAT_HIT);
}

}  // namespace
