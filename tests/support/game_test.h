// A fixture for tests of the game's rules: fresh variables, the fake
// platform installed, the pictures loaded and the random source seeded.
#pragma once

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "play/random_source.h"
#include "raster/surfaces.h"
#include "shell/game_vars.h"

// How many pixels of the block [x0, x1) x [y0, y1) have the colour.
inline int count_colour(const Surface& s, uint32_t colour, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            n += s.at(x, y) == colour;
    return n;
}

struct GameTest : ::testing::Test {
    FakePlatform fake;
    void SetUp() override
    {
        reset_game_vars();
        set_platform(&fake);
        seed_random(20261207);
        ASSERT_TRUE(load_pictures());
    }
    void TearDown() override { set_platform(nullptr); }
};
