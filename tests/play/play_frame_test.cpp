// The play frame: the display, the one-second clock and the round's end.
#include <algorithm>

#include "game_test.h"
#include "play/cats.h"
#include "play/judge.h"
#include "play/play_frame.h"
#include "play/round.h"
#include "shell/main_loop.h"

namespace {

struct PlayFrameTest : GameTest {
    void SetUp() override
    {
        GameTest::SetUp();
        start_round();
        game_state = STATE_PLAY;
    }
    // Runs one frame beginning at tick t.
    void frame_at(uint32_t t)
    {
        frame_start = int32_t(t);
        play_frame();
    }
    int count_in(uint32_t colour, int x0, int y0, int x1, int y1) const
    {
        return count_colour(mainscr, colour, x0, y0, x1, y1);
    }
};

TEST_F(PlayFrameTest, TheFirstFrameStartsTheClock)
{
    second_mark = 0;
    frame_at(5000);
    EXPECT_EQ(second_mark, 5000);
    EXPECT_EQ(time_left, 80);
}

TEST_F(PlayFrameTest, ASecondCountsOnlyWhenMoreThanAThousandMillisecondsHavePassed)
{
    frame_at(5000);
    frame_at(6000);  // exactly 1000: not yet
    EXPECT_EQ(time_left, 80);
    EXPECT_EQ(second_mark, 5000);
    frame_at(6001);
    EXPECT_EQ(time_left, 79);
    EXPECT_EQ(second_mark, 0);
    frame_at(6031);  // the next second starts one frame later
    EXPECT_EQ(second_mark, 6031);
}

TEST_F(PlayFrameTest, AtThirtyMillisecondFramesASecondTakesThirtyFiveFrames)
{
    std::vector<int> drops;
    for (int frame = 0; frame <= 70; ++frame) {
        int16_t before = time_left;
        frame_at(uint32_t(10000 + 30 * frame));
        if (time_left != before)
            drops.push_back(frame);
    }
    EXPECT_EQ(drops, (std::vector<int>{34, 69}));
}

TEST_F(PlayFrameTest, TheSecondSpanningTheTickWrapIsCounted)
{
    frame_at(0xFFFFFE00u);  // 512 ms before the wrap
    frame_at(0x000001E8u);  // 1000 ms later, across the wrap
    EXPECT_EQ(time_left, 80);
    frame_at(0x000001E9u);
    EXPECT_EQ(time_left, 79);
}

TEST_F(PlayFrameTest, TheLastSecondShowsOneAndEndsTheRound)
{
    time_left = 1;
    hit_count = 30;
    miss_count = 10;
    frame_at(1000);
    Surface shown_before = mainscr;
    frame_at(2001);
    EXPECT_EQ(time_left, 0);
    EXPECT_EQ(game_state, STATE_RESULT);
    EXPECT_EQ(accuracy, 75);
    EXPECT_EQ(score, 2250);
    // The seconds' box shows 1 in the frame that ended the round, as before.
    int yellow_now = count_in(rgb(255, 255, 159), 155, 5, 199, 40);
    int yellow_before = count_colour(shown_before, rgb(255, 255, 159), 155, 5, 199, 40);
    EXPECT_EQ(yellow_now, yellow_before);
    // The title piece is opened, not played.
    ASSERT_GE(fake.commands.size(), 3u);
    EXPECT_EQ(fake.commands[fake.commands.size() - 3], "stop MIDI");
    EXPECT_EQ(fake.commands[fake.commands.size() - 2], "close MIDI");
    EXPECT_EQ(fake.commands.back(), "open \"/opt/tombora/TOMBORA.MID\" alias MIDI");
}

TEST_F(PlayFrameTest, ScoringFollowsTheRoundsCounts)
{
    struct Case {
        int16_t hits, misses, accuracy;
        int32_t score;
    } cases[] = {
        {30, 10, 75, 2250}, {30, 0, 100, 3000}, {0, 5, 0, 0},  {0, 0, 0, 0},
        {1, 2, 33, 33},     {29, 21, 57, 1653}, {57, 43, 56, 3192}, {400, 0, 100, 40000},
    };
    for (const Case& c : cases) {
        start_round();
        game_state = STATE_PLAY;
        hit_count = c.hits;
        miss_count = c.misses;
        time_left = 1;
        second_mark = 100;
        frame_at(1200);
        EXPECT_EQ(game_state, STATE_RESULT);
        EXPECT_EQ(accuracy, c.accuracy) << c.hits << " of " << c.hits + c.misses;
        EXPECT_EQ(score, c.score) << c.hits << " of " << c.hits + c.misses;
    }
}

TEST_F(PlayFrameTest, TheDisplayStandsInItsBoxesColoursOverTheCats)
{
    // Put a cat right under the display to see that the texts lie over it.
    cat_x[1] = 20;
    cat_y[1] = 0;
    cat_state[1] = CAT_HIT;
    cat_tick[1] = 0;
    hit_count = 42;
    miss_count = 7;
    frame_at(1000);
    EXPECT_GT(count_in(rgb(63, 255, 159), 8, 8, 150, 40), 100);    // 成功 42
    EXPECT_GT(count_in(rgb(255, 255, 159), 155, 8, 198, 40), 30);  // 80
    EXPECT_GT(count_in(rgb(255, 159, 191), 205, 8, 348, 40), 80);   // 失敗 7
    // Where "成功" crosses the cat's figure, the text shows.
    int green_on_cat = 0;
    for (int y = 10; y < 37; ++y)
        for (int x = 0; x < CAT_W; ++x)
            if (neko2m.at(x, y) == rgb(0, 0, 0) && cat_x[1] + x < 64)
                green_on_cat += mainscr.at(cat_x[1] + x, y) == rgb(63, 255, 159);
    EXPECT_GT(green_on_cat, 10);
}

TEST_F(PlayFrameTest, AHigherSlotsCatLiesOverALowerOnes)
{
    cat_x[4] = 150;
    cat_x[5] = 150;
    cat_y[4] = 250;
    cat_y[5] = 250;
    cat_state[4] = cat_state[5] = CAT_HIT;
    cat_tick[4] = cat_tick[5] = 0;
    seed_random(1);
    frame_at(1000);
    // Both moved by a random speed; where slot 5's figure is, it shows.
    int x5 = cat_x[5], compared = 0;
    for (int y = 0; y < CAT_H; ++y)
        for (int x = 0; x < CAT_W; ++x)
            if (neko2m.at(x, y) == rgb(0, 0, 0) && x5 + x < FIELD) {
                ASSERT_EQ(mainscr.at(x5 + x, 250 + y), neko2.at(x, y));
                ++compared;
            }
    EXPECT_GT(compared, 300);
}

// A whole round in the game's own loop: a clock the test controls, keys
// typed between frames, from the set-up to the result screen.
TEST_F(PlayFrameTest, AWholeRoundPlaysToTheResultScreen)
{
    fake.checked[MenuItem::se] = true;
    fake.now = 4294000000u;  // the tick wraps during the round
    int frames = 0, hits = 0, misses = 0;
    auto type_top_cats_letter = [&] {
        if (cat_letter[1].empty())
            return;
        mainscr_KeyPress(int16_t(cat_letter[1][0] + ('a' - 'A')));
        ++hits;
    };
    auto type_a_letter_no_cat_carries = [&] {
        for (char c = 'A'; c <= 'Z'; ++c) {
            std::string letter(1, c);
            if (std::find(cat_letter.begin() + 1, cat_letter.end(), letter) == cat_letter.end()) {
                mainscr_KeyPress(c);
                mainscr_KeyPress('7');  // not a letter: counts nothing
                ++misses;
                return;
            }
        }
    };
    while (game_state == STATE_PLAY) {
        if (frames % 5 == 0)
            fake.pending_events.push_back(type_top_cats_letter);
        if (frames % 7 == 0)
            fake.pending_events.push_back(type_a_letter_no_cat_carries);
        frame_start = int32_t(fake.tick());
        run_frame();
        fake.now += 3;  // drawing
        wait_for_next_frame();
        ASSERT_LT(++frames, 3000);
    }
    EXPECT_EQ(frames, 80 * 35);
    EXPECT_EQ(time_left, 0);
    EXPECT_EQ(hit_count, hits);
    EXPECT_EQ(miss_count, misses);
    EXPECT_GT(hits, 300);
    EXPECT_GT(misses, 300);
    int expected_accuracy = int(double(hits) / double(hits + misses) * 100.0);
    EXPECT_EQ(accuracy, expected_accuracy);
    EXPECT_EQ(score, hits * expected_accuracy);
    EXPECT_EQ(fake.waves.size(), size_t(hits + misses));
    EXPECT_EQ(fake.waves.front(), "/opt/tombora/nya.wav");
}

}  // namespace
