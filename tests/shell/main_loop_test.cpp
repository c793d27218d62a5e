// Pacing of the main loop's wait, with a clock the test controls.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "shell/game_vars.h"
#include "shell/main_loop.h"

namespace {

struct MainLoopTest : ::testing::Test {
    FakePlatform fake;
    void SetUp() override
    {
        reset_game_vars();
        set_platform(&fake);
    }
    void TearDown() override { set_platform(nullptr); }
};

TEST_F(MainLoopTest, WaitsUntilThirtyMillisecondsAfterTheFrameBegan)
{
    fake.now = 1000;
    frame_start = 1000;
    fake.now += 12;  // drawing took 12 ms
    wait_for_next_frame();
    EXPECT_EQ(fake.process_calls, 1);
    EXPECT_EQ(fake.waits, std::vector<uint32_t>{18});
    EXPECT_EQ(fake.now, 1030u);
}

TEST_F(MainLoopTest, AnEarlyEventWakesTheWaitAndItWaitsOnForTheRest)
{
    frame_start = 0;
    fake.wait_advances = [](uint32_t ms) { return ms > 7 ? 7u : ms; };  // events every 7 ms
    wait_for_next_frame();
    EXPECT_EQ(fake.waits, (std::vector<uint32_t>{30, 23, 16, 9, 2}));
    EXPECT_EQ(fake.now, 30u);
}

TEST_F(MainLoopTest, ASlowFrameGetsOnePassOfEventsAndNoWait)
{
    frame_start = 500;
    fake.now = 545;  // drawing took 45 ms
    wait_for_next_frame();
    EXPECT_EQ(fake.process_calls, 1);
    EXPECT_TRUE(fake.waits.empty());
    EXPECT_EQ(fake.now, 545u);
}

TEST_F(MainLoopTest, EventsQueuedDuringTheFrameAreHandledInItsWait)
{
    frame_start = 0;
    fake.now = 45;
    bool handled = false;
    fake.pending_events.push_back([&] { handled = true; });
    wait_for_next_frame();
    EXPECT_TRUE(handled);
}

TEST_F(MainLoopTest, TheWaitEndsThirtyMillisecondsLaterAcrossTheTickWrap)
{
    fake.now = 0xFFFFFFF0u;  // 16 ms before the counter wraps
    frame_start = int32_t(fake.now);
    fake.now += 4;
    fake.wait_advances = [](uint32_t ms) { return ms > 5 ? 5u : ms; };
    wait_for_next_frame();
    EXPECT_EQ(fake.now, 0x0000000Eu);  // 0xFFFFFFF0 + 30, wrapped
    EXPECT_EQ(fake.waits, (std::vector<uint32_t>{26, 21, 16, 11, 6, 1}));
}

TEST_F(MainLoopTest, DifferencesAreTakenAcrossTheWrap)
{
    EXPECT_EQ(tick_difference(5u, 0xFFFFFFFBu), 10);
    EXPECT_EQ(tick_difference(0x80000000u, 0x7FFFFFF0u), 16);
    EXPECT_EQ(tick_difference(1000u, 1030u), -30);
}

TEST_F(MainLoopTest, AStateWithNoScreenDrawsNothing)
{
    game_state = 7;
    run_frame();
    EXPECT_EQ(fake.refreshes, 0);
    EXPECT_EQ(game_state, 7);
}

}  // namespace
