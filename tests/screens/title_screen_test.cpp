// The title screen: the walking cat's words, the drifting ranking and the
// text of its rows.
#include "game_test.h"
#include "play/cats.h"
#include "screens/title_screen.h"

namespace {

struct TitleScreenTest : GameTest {
    void SetUp() override
    {
        GameTest::SetUp();
        ranking_x = {};
        word_cycle = 0;
        game_state = STATE_TITLE;
        cat_letter[0] = "猫";
    }
};

TEST_F(TitleScreenTest, TheFirstFrameStartsEverythingAtZero)
{
    title_frame();
    EXPECT_EQ(fake.refreshes, 1);
    EXPECT_EQ(cat_x[0], 4);
    EXPECT_EQ(cat_y[0], 200);
    EXPECT_EQ(cat_letter[0], "猫");
    EXPECT_GE(ranking_x[0], 3);
    EXPECT_LE(ranking_x[0], 6);
    EXPECT_LE(ranking_x[1], -3);
    EXPECT_GE(ranking_x[1], -6);
}

TEST_F(TitleScreenTest, TheCatCarriesHitF2AndKeyInTurn)
{
    std::vector<std::string> words{cat_letter[0]};
    for (int frame = 0; frame < 410; ++frame) {
        title_frame();
        if (cat_letter[0] != words.back())
            words.push_back(cat_letter[0]);
    }
    EXPECT_EQ(words, (std::vector<std::string>{"猫", "Hit", "F2", "key", "Hit"}));
}

TEST_F(TitleScreenTest, TheCatWrapsFromThreeHundredAndFiftyToMinusFifty)
{
    cat_x[0] = 350;
    title_frame();
    EXPECT_EQ(cat_x[0], -46);
    EXPECT_EQ(cat_letter[0], "Hit");
    cat_x[0] = 349;
    title_frame();
    EXPECT_EQ(cat_x[0], 353);
    EXPECT_EQ(cat_letter[0], "Hit");
}

TEST_F(TitleScreenTest, EachLineWrapsAtItsOwnBound)
{
    ranking_x = {351, -401, 351, -401};
    title_frame();
    EXPECT_GE(ranking_x[0], -300 + 3);
    EXPECT_LE(ranking_x[0], -300 + 6);
    EXPECT_GE(ranking_x[1], 350 - 6);
    EXPECT_LE(ranking_x[1], 350 - 3);
    EXPECT_GE(ranking_x[2], -400 + 3);
    EXPECT_LE(ranking_x[2], -400 + 6);
    EXPECT_GE(ranking_x[3], 350 - 6);

    ranking_x = {350, -400, 350, -400};  // exactly on the bound: drawn there, moved on
    title_frame();
    EXPECT_GE(ranking_x[0], 353);
    EXPECT_LE(ranking_x[1], -403);
    EXPECT_GE(ranking_x[2], 353);
    EXPECT_LE(ranking_x[3], -403);
}

TEST_F(TitleScreenTest, TheWalkingPictureChangesEveryEightFrames)
{
    std::vector<int> changes;
    for (int frame = 1; frame <= 20; ++frame) {
        int16_t before = cat_state[0];
        title_frame();
        if (cat_state[0] != before)
            changes.push_back(frame);
    }
    EXPECT_EQ(changes, (std::vector<int>{9, 17}));
}

TEST_F(TitleScreenTest, RankingRowsJoinTheirPiecesWithFullWidthMarks)
{
    rank_name = {"名無しの権兵衛さん", "", "Tama, the cat"};
    rank_score = {1234, 40000, -5};
    rank_accuracy = {87, 100, 0};
    EXPECT_EQ(ranking_row(0), "１・名無しの権兵衛さん　1234点　87%");
    EXPECT_EQ(ranking_row(1), "２・　40000点　100%");
    EXPECT_EQ(ranking_row(2), "３・Tama, the cat　-5点　0%");
    rank_name = {"名無しの権兵衛", "名無しの権兵衛", "名無しの権兵衛"};
    rank_score = {0, 0, 0};
    rank_accuracy = {0, 0, 0};
    EXPECT_EQ(ranking_row(2), "３・名無しの権兵衛　0点　0%");
}

TEST_F(TitleScreenTest, TheRankingIsDrawnInWhiteOnThePanel)
{
    rank_name = {"たま", "みけ", "くろ"};
    cat_x[0] = -50;  // keep the cat out of the way
    title_frame();
    int white = 0;
    for (int y = 225; y < 300; ++y)
        for (int x = 0; x < 200; ++x)
            white += mainscr.at(x, y) == rgb(255, 255, 255);
    EXPECT_GT(white, 500);
}

}  // namespace
