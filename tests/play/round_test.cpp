// Setting up a round and the random letters and speeds.
#include <cmath>
#include <map>

#include "game_test.h"
#include "play/cats.h"
#include "play/round.h"

namespace {

using RoundTest = GameTest;

TEST_F(RoundTest, PlacesTheFiveCatsOffTheFieldWithOneLetterEach)
{
    hit_count = 12;
    miss_count = 7;
    time_left = 3;
    cat_x[0] = 123;
    cat_y[0] = 200;
    cat_state = {1, 2, 1, 0, 2, 1};
    cat_tick = {3, 4, 5, 6, 7, 8};
    second_mark = 777;
    start_round();
    EXPECT_EQ(hit_count, 0);
    EXPECT_EQ(miss_count, 0);
    EXPECT_EQ(time_left, 80);
    // Rightward rows 1, 3 and 5 from the left, and the title cat back there.
    constexpr int16_t L = CAT_LEFT_ENTRY, R = CAT_RIGHT_ENTRY;
    EXPECT_EQ(cat_x, (std::array<int16_t, 6>{L, L, R, L, R, L}));
    EXPECT_EQ(cat_y, (std::array<int16_t, 6>{200, 175, 200, 225, 250, 275}));
    for (int slot = 1; slot <= 5; ++slot) {
        ASSERT_EQ(cat_letter[slot].size(), 1u);
        EXPECT_GE(cat_letter[slot][0], 'A');
        EXPECT_LE(cat_letter[slot][0], 'Z');
    }
    // Pictures, ticks and the clock belong to the cats and the play frame.
    EXPECT_EQ(cat_state, (std::array<int16_t, 6>{1, 2, 1, 0, 2, 1}));
    EXPECT_EQ(cat_tick, (std::array<int16_t, 6>{3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(second_mark, 777);
    EXPECT_EQ(cat_letter[0], "");
}

TEST_F(RoundTest, TheRandomSourceNeverReachesOne)
{
    float highest = 0;
    for (int i = 0; i < 2000000; ++i) {
        float r = next_random();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        highest = std::max(highest, r);
    }
    EXPECT_GT(highest, 0.999f);
    // The largest value the source can give still maps to Z and to speed 5.
    float largest = 1.0f - 0x1p-24f;
    EXPECT_EQ(int(std::floor(double(largest) * 26)) + 1, 26);
    EXPECT_EQ(int(std::floor(double(largest) * 4)) + 2, 5);
}

TEST_F(RoundTest, LettersComeEquallyOftenAndOnlyFromAToZ)
{
    constexpr int draws = 260000;
    std::map<char, int> seen;
    for (int i = 0; i < draws; ++i) {
        pick_letter(3);
        ASSERT_EQ(cat_letter[3].size(), 1u);
        seen[cat_letter[3][0]]++;
    }
    ASSERT_EQ(seen.size(), 26u);
    EXPECT_EQ(seen.begin()->first, 'A');
    EXPECT_EQ(seen.rbegin()->first, 'Z');
    double chi2 = 0, expected = draws / 26.0;
    for (auto [letter, n] : seen)
        chi2 += (n - expected) * (n - expected) / expected;
    EXPECT_LT(chi2, 52.62);  // 25 degrees of freedom, p = 0.001
}

TEST_F(RoundTest, SpeedsAreTwoToFivePixels)
{
    std::map<int, int> seen;
    cat_x[1] = 0;
    for (int i = 0; i < 4000; ++i) {
        int before = cat_x[1] = 100;
        update_cat(1);
        seen[cat_x[1] - before]++;
    }
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen.begin()->first, 2);
    EXPECT_EQ(seen.rbegin()->first, 5);
}

TEST_F(RoundTest, TheSameSeedGivesTheSameLetters)
{
    auto letters = [] {
        seed_random(99);
        start_round();
        std::string all;
        for (int slot = 1; slot <= 5; ++slot)
            all += cat_letter[slot];
        return all;
    };
    EXPECT_EQ(letters(), letters());
}

}  // namespace
