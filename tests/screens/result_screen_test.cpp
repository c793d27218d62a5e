// The result screen: its texts, ratings, the cats' letters and the no-hit
// message.
#include <filesystem>

#include "game_test.h"
#include "play/cats.h"
#include "play/round.h"
#include "screens/result_screen.h"

namespace {

TEST(Ratings, ScoreBandsChangeAtTheirThresholds)
{
    struct Case {
        int32_t score;
        const char* message;
    } cases[] = {
        {-1, "もう少し頑張るにゃー"},        {0, "もう少し頑張るにゃー"},
        {1999, "もう少し頑張るにゃー"},      {2000, "まだまだ若葉マークだにゃ"},
        {4999, "まだまだ若葉マークだにゃ"},  {5000, "普通に打ててるにゃ♪"},
        {9999, "普通に打ててるにゃ♪"},       {10000, "かなり打ててるにゃ！"},
        {14999, "かなり打ててるにゃ！"},     {15000, "検定持ってるのかにゃ？"},
        {19999, "検定持ってるのかにゃ？"},   {20000, "あなたはプロかにゃ？"},
        {32768, "あなたはプロかにゃ？"},     {2147483647, "あなたはプロかにゃ？"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(score_message(c.score), c.message) << c.score;
}

TEST(Ratings, AccuracyBandsChangeAtTheirThresholds)
{
    struct Case {
        int16_t accuracy;
        const char* message;
    } cases[] = {
        {100, "正確無比だにゃ"},           {99, "次は１００％を目指すにゃ"},
        {50, "次は１００％を目指すにゃ"},  {49, "ちょっとミス多いにゃー"},
        {20, "ちょっとミス多いにゃー"},    {19, "かなりミスってるにゃ・・"},
        {0, "かなりミスってるにゃ・・"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(accuracy_message(c.accuracy), c.message) << c.accuracy;
}

struct ResultScreenTest : GameTest {
    void SetUp() override
    {
        GameTest::SetUp();
        start_round();
        game_state = STATE_RESULT;
        hit_count = 42;
        miss_count = 8;
        time_left = 0;
        accuracy = 84;
        score = 3528;
        fake.enabled = {{MenuItem::start, false}, {MenuItem::stop, true}};
    }
    int count_in(uint32_t colour, int x0, int y0, int x1, int y1) const
    {
        return count_colour(mainscr, colour, x0, y0, x1, y1);
    }
};

TEST_F(ResultScreenTest, ShowsTheCountsScoreAccuracyAndRatings)
{
    result_frame();
    EXPECT_EQ(fake.refreshes, 1);
    const uint32_t white = rgb(255, 255, 255);
    EXPECT_GT(count_in(rgb(63, 255, 159), 10, 8, 150, 40), 100);   // 成功 42
    EXPECT_GT(count_in(rgb(255, 159, 191), 205, 8, 348, 40), 80);  // 失敗 8
    EXPECT_GT(count_in(white, 10, 40, 90, 85), 200);   // 得点
    EXPECT_GT(count_in(white, 130, 40, 240, 85), 150);  // 3528
    EXPECT_GT(count_in(white, 250, 40, 295, 85), 50);   // 点
    EXPECT_GT(count_in(white, 10, 85, 90, 128), 200);   // 確率
    EXPECT_GT(count_in(white, 250, 90, 290, 135), 50);  // %
    EXPECT_GT(count_in(white, 100, 130, 340, 170), 200);  // both ratings
    EXPECT_GT(count_in(white, 10, 200, 340, 245), 300);   // HIT SPACE KEY
    // Where no text stands, the background shows unchanged.
    for (int y = 112; y < 128; ++y)
        for (int x = 300; x < 350; ++x)
            ASSERT_EQ(mainscr.at(x, y), haikei.at(x, y)) << x << "," << y;
}

TEST_F(ResultScreenTest, TheCatsCarryScoreFromTheSecondFrame)
{
    // Letters are set after drawing, so even a cat that wraps (and takes
    // a random letter) carries its own letter again in the next frame.
    for (int frame = 0; frame < 300; ++frame) {
        result_frame();
        EXPECT_EQ(cat_letter[1] + cat_letter[2] + cat_letter[3] + cat_letter[4] + cat_letter[5],
                  "SCORE");
    }
}

TEST_F(ResultScreenTest, ARoundWithoutHitsIsReportedAndGoesBackToTheTitle)
{
    hit_count = 0;
    miss_count = 200;
    fill(mainscr, 0x010203u);
    std::array<int16_t, 6> x_before = cat_x;
    result_frame();
    EXPECT_EQ(fake.messages, std::vector<std::string>{"とんぼら|成功が一つもないから計算できないにゃ"});
    EXPECT_EQ(game_state, STATE_TITLE);
    EXPECT_TRUE(fake.enabled[MenuItem::start]);
    EXPECT_FALSE(fake.enabled[MenuItem::stop]);
    EXPECT_EQ(fake.refreshes, 0);
    EXPECT_EQ(cat_x, x_before);
    EXPECT_EQ(mainscr.pixels[0], 0x010203u);
    EXPECT_TRUE(fake.commands.empty());  // the music is not touched
}

}  // namespace
