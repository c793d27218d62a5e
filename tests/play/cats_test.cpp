// The cats: moving, wrapping, walking pictures, recovery after a hit, and
// how they are drawn onto the back buffer.
#include "game_test.h"
#include "play/cats.h"
#include "play/random_source.h"
#include "play/round.h"
#include "set_pixel.h"

namespace {

// Seeds the source so that its next draw gives a cat this speed.
void seed_for_speed(int speed)
{
    for (uint32_t seed = 1;; ++seed) {
        seed_random(seed);
        if (random_below(4, 2) == speed) {
            seed_random(seed);
            return;
        }
    }
}

std::string letter_of_next_draw()
{
    return std::string(1, char('A' + random_below(26, 0)));
}

struct CatsTest : GameTest {
    void place(int16_t slot, int16_t x, int16_t state = 0, int16_t tick = 0, std::string letter = "Q")
    {
        cat_x[slot] = x;
        cat_y[slot] = int16_t(150 + 25 * slot);
        cat_state[slot] = state;
        cat_tick[slot] = tick;
        cat_letter[slot] = std::move(letter);
    }
};

TEST_F(CatsTest, RightwardCatsWrapAtThreeHundredAndFifty)
{
    place(1, 349);
    seed_for_speed(2);
    next_random();
    std::string letter = letter_of_next_draw();
    seed_for_speed(2);
    update_cat(1);  // 351: wraps
    EXPECT_EQ(cat_x[1], -50);
    EXPECT_EQ(cat_letter[1], letter);

    place(3, 345);
    seed_for_speed(5);
    update_cat(3);  // exactly 350: wraps too
    EXPECT_EQ(cat_x[3], -50);

    place(5, 344);
    seed_for_speed(5);
    update_cat(5);  // 349 stays
    EXPECT_EQ(cat_x[5], 349);
    EXPECT_EQ(cat_letter[5], "Q");
}

TEST_F(CatsTest, LeftwardCatsWrapAtMinusFifty)
{
    place(2, -47);
    seed_for_speed(3);
    update_cat(2);  // -50: wraps
    EXPECT_EQ(cat_x[2], 350);

    place(4, -46);
    seed_for_speed(3);
    update_cat(4);  // -49 stays
    EXPECT_EQ(cat_x[4], -49);
    EXPECT_EQ(cat_letter[4], "Q");
}

TEST_F(CatsTest, WalkingPicturesChangeOnTheNinthAndSeventeenthCalls)
{
    place(1, 0);
    std::vector<int> changes;
    for (int call = 1; call <= 25; ++call) {
        int16_t before = cat_state[1];
        update_cat(1);
        if (cat_state[1] != before)
            changes.push_back(call);
    }
    EXPECT_EQ(changes, (std::vector<int>{9, 17, 25}));
}

TEST_F(CatsTest, AHitCatRecoversAtItsEntryEdgeWithANewLetter)
{
    // Hit with the tick at 8: back on its feet at the very next call.
    place(2, 200, CAT_HIT, 8, "");
    update_cat(2);
    EXPECT_EQ(cat_state[2], CAT_WALK_A);
    EXPECT_EQ(cat_x[2], 350);
    EXPECT_EQ(cat_letter[2].size(), 1u);
    EXPECT_EQ(cat_tick[2], 1);

    // Hit with the tick at 1: seven frames of the hit picture, then back.
    place(1, 100, CAT_HIT, 1, "");
    int hit_frames = 0;
    while (cat_state[1] == CAT_HIT) {
        update_cat(1);
        hit_frames += cat_state[1] == CAT_HIT;
        ASSERT_LT(hit_frames, 10);
    }
    EXPECT_EQ(hit_frames, 7);
    EXPECT_EQ(cat_x[1], -50);
    EXPECT_EQ(cat_letter[1].size(), 1u);
}

TEST_F(CatsTest, ACatThatWrapsAndRecoversInOneCallKeepsTheSecondLetter)
{
    place(1, 349, CAT_HIT, 8, "");
    seed_for_speed(3);
    next_random();  // the speed
    next_random();  // the wrap's letter
    std::string second = letter_of_next_draw();
    seed_for_speed(3);
    update_cat(1);
    EXPECT_EQ(cat_x[1], -50);
    EXPECT_EQ(cat_state[1], CAT_WALK_A);
    EXPECT_EQ(cat_letter[1], second);
}

TEST_F(CatsTest, SlotZeroAndUnknownPicturesDrawNothing)
{
    fill(backscr, 0x123456u);
    const auto before = backscr.pixels;
    place(0, 100);
    update_cat(0);
    EXPECT_EQ(cat_x[0], 100);
    EXPECT_EQ(cat_tick[0], 0);
    place(3, 100);
    draw_cat(3, 3);
    draw_cat(-1, 3);
    EXPECT_EQ(backscr.pixels, before);
}

TEST_F(CatsTest, ACatIsItsPictureWhereTheMaskIsBlackAndTheBackgroundElsewhere)
{
    for (int y = 0; y < FIELD; ++y)
        for (int x = 0; x < FIELD; ++x)
            set_pixel(backscr, x, y, uint32_t((y * FIELD + x) * 2654435761u) | 0xFF000000u);
    const Surface before = backscr;
    place(4, 100, CAT_HIT);
    draw_cat(CAT_HIT, 4);
    for (int y = 0; y < CAT_H; ++y)
        for (int x = 0; x < CAT_W; ++x) {
            uint32_t m = neko2m.at(x, y);
            uint32_t expected = m == rgb(0, 0, 0) ? neko2.at(x, y) : before.at(100 + x, 250 + y);
            ASSERT_EQ(backscr.at(100 + x, 250 + y), expected) << x << "," << y;
        }
}

TEST_F(CatsTest, AWalkingCatCarriesItsLetterInRedOnItsSign)
{
    fill(backscr, rgb(0, 0, 128));
    place(1, 20, CAT_WALK_A, 0, "W");
    draw_cat(CAT_WALK_A, 1);
    int red = 0;
    for (int y = 0; y < 26; ++y)
        for (int x = 0; x < CAT_W; ++x)
            red += backscr.at(20 + x, 175 + y) == rgb(255, 0, 0);
    EXPECT_GT(red, 20);
    // The hit picture never shows a letter.
    fill(backscr, rgb(0, 0, 128));
    place(1, 20, CAT_HIT, 0, "W");
    draw_cat(CAT_HIT, 1);
    for (int y = 0; y < CAT_H; ++y)
        for (int x = 0; x < CAT_W; ++x)
            ASSERT_EQ(backscr.at(20 + x, 175 + y), neko2m.at(x, y) == rgb(0, 0, 0) ? neko2.at(x, y) : rgb(0, 0, 128));
}

TEST_F(CatsTest, ACatPartlyOutsideTheFieldIsDrawnClipped)
{
    fill(backscr, rgb(0, 0, 128));
    place(2, 320, CAT_HIT);
    draw_cat(CAT_HIT, 2);
    for (int x = 0; x < 30; ++x)
        EXPECT_EQ(backscr.at(320 + x, 200 + 74), neko2m.at(x, 74) == rgb(0, 0, 0) ? neko2.at(x, 74) : rgb(0, 0, 128));
}

}  // namespace
