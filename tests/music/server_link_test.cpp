// The link to the sound server without a server: its moves, the pauses
// between tries, and the music's time still counted while it is away.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "music/server_link.h"

namespace {

using namespace std::chrono_literals;
using Clock = ServerLink::Clock;
using State = ServerLink::State;
using Due = ServerLink::Due;

constexpr StreamFormat FORMAT{44100};

struct TimeSource : SoundSource {
    int64_t passed = 0;
    Music mix_music(float*, float*, int) override { return {}; }
    bool mix_effects(float*, float*, int) override { return false; }
    void restart_effect() override {}
    void restart_music() override {}
    void pass_time(int frames) override { passed += frames; }
};

struct ServerLinkTest : ::testing::Test {
    TimeSource source;
    ServerLink link{FORMAT, source};
    Clock::time_point now = Clock::time_point{} + 1h;

    // Ticks as the output does until something is due; the time it took.
    std::chrono::milliseconds until_due(Due wanted)
    {
        Clock::time_point from = now;
        for (int i = 0; i < 1000; ++i) {
            now += ServerLink::TICK;
            Due due = link.tick(now);
            if (due == wanted)
                return std::chrono::duration_cast<std::chrono::milliseconds>(now - from);
            EXPECT_EQ(due, Due::nothing);
        }
        ADD_FAILURE() << "never due";
        return {};
    }
    void connect()
    {
        link.try_first(now);
        link.answered();
        ASSERT_EQ(link.state(), State::ready);
    }
};

TEST_F(ServerLinkTest, AServerThatNeverAnsweredIsNotTriedAgain)
{
    link.try_first(now);
    EXPECT_EQ(link.state(), State::first_try);
    EXPECT_TRUE(link.ticks()) << "the first try has a deadline";
    link.lost(now);
    EXPECT_EQ(link.state(), State::unused);
    EXPECT_FALSE(link.ticks());
    EXPECT_EQ(link.tick(now + 1h), Due::nothing);
    link.answered();
    EXPECT_EQ(link.state(), State::unused) << "an answer after giving up changes nothing";

    // A server that takes the socket but never answers is given up too.
    ServerLink stuck{FORMAT, source};
    stuck.try_first(now);
    EXPECT_EQ(stuck.tick(now + ServerLink::ANSWER_TIME - 1ms), Due::nothing);
    EXPECT_EQ(stuck.tick(now + ServerLink::ANSWER_TIME), Due::drop);
    EXPECT_EQ(stuck.state(), State::unused);
}

TEST_F(ServerLinkTest, OnceAnsweredTheServerIsTriedAgainWithGrowingPauses)
{
    connect();
    EXPECT_FALSE(link.ticks()) << "no timer while the server is there";
    link.lost(now);
    EXPECT_EQ(link.state(), State::waiting);
    std::vector<std::chrono::milliseconds> pauses;
    for (int i = 0; i < 6; ++i) {
        pauses.push_back(until_due(Due::try_again));
        EXPECT_EQ(link.state(), State::retrying);
        link.lost(now);  // the try fails at once: no server yet
    }
    EXPECT_EQ(pauses, (std::vector<std::chrono::milliseconds>{250ms, 500ms, 1000ms, 2000ms, 2000ms, 2000ms}));

    // A try that hangs is dropped, and the next one follows the pause.
    until_due(Due::try_again);
    EXPECT_EQ(until_due(Due::drop), ServerLink::ANSWER_TIME);
    EXPECT_EQ(link.state(), State::waiting);
    until_due(Due::try_again);

    link.answered();
    EXPECT_EQ(link.state(), State::ready);
    link.lost(now);
    EXPECT_EQ(until_due(Due::try_again), 250ms) << "the pauses start over";
}

TEST_F(ServerLinkTest, TheTimeAwayReachesTheMusicWithoutDrift)
{
    connect();
    Clock::time_point lost_at = now;
    link.lost(now);
    // Ticks come late by odd amounts; ten minutes of them, tries failing.
    for (int i = 0; i < 12000; ++i) {
        now += ServerLink::TICK + std::chrono::microseconds(i % 7 * 113);
        if (link.tick(now) == Due::try_again)
            link.lost(now);
    }
    int64_t due = FORMAT.frames_in(std::chrono::duration_cast<std::chrono::microseconds>(now - lost_at)).count;
    EXPECT_LE(source.passed, due);
    EXPECT_GE(source.passed, due - 1);
    link.tick(now);
    EXPECT_LE(source.passed, due) << "no time counted twice";

    until_due(Due::try_again);
    link.answered();
    int64_t counted = source.passed;
    link.tick(now + 1min);
    EXPECT_EQ(source.passed, counted) << "no time counted once the server is back";
}

}  // namespace
