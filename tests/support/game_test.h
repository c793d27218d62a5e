// A fixture for tests of the game's rules: fresh variables, the fake
// platform installed, the pictures loaded and the random source seeded.
#pragma once

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "play/random_source.h"
#include "shell/game_vars.h"
#include "window/surfaces.h"

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
