// While the sound server is away: the pauses between tries, and the music's
// time still counted.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "music/reconnection.h"

namespace {

using namespace std::chrono_literals;
using Clock = Reconnection::Clock;

constexpr StreamFormat FORMAT{44100};

struct TimeSource : SoundSource {
    int64_t passed = 0;
    bool mix_music(float*, float*, int) override { return false; }
    bool mix_effects(float*, float*, int) override { return false; }
    void restart_effect() override {}
    void pass_time(int frames) override { passed += frames; }
};

struct OutputReconnectionTest : ::testing::Test {
    TimeSource source;
    Reconnection reconnection{FORMAT, source};
    Clock::time_point start = Clock::time_point{} + 1h;

    // The pauses between the tries that fall due, ticking as the output does.
    std::vector<std::chrono::milliseconds> pauses(Clock::time_point lost_at, size_t count)
    {
        std::vector<std::chrono::milliseconds> out;
        Clock::time_point last = lost_at;
        for (Clock::time_point now = lost_at; out.size() < count; now += Reconnection::TICK) {
            if (reconnection.try_due(now)) {
                out.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(now - last));
                last = now;
            }
        }
        return out;
    }
};

TEST_F(OutputReconnectionTest, PausesBetweenTriesGrowAndStartOverOnceConnected)
{
    reconnection.lost(start);
    EXPECT_EQ(pauses(start, 6), (std::vector<std::chrono::milliseconds>{250ms, 500ms, 1000ms, 2000ms, 2000ms, 2000ms}));
    reconnection.connected();
    Clock::time_point later = start + 1min;
    reconnection.lost(later);
    EXPECT_EQ(pauses(later, 2), (std::vector<std::chrono::milliseconds>{250ms, 500ms}));
}

TEST_F(OutputReconnectionTest, TheTimeAwayReachesTheMusicWithoutDrift)
{
    reconnection.lost(start);
    Clock::time_point now = start;
    // Ticks come late by odd amounts; ten minutes of them.
    for (int i = 0; i < 12000; ++i) {
        now += Reconnection::TICK + std::chrono::microseconds(i % 7 * 113);
        reconnection.count_time(now);
    }
    int64_t due = FORMAT.frames_in(std::chrono::duration_cast<std::chrono::microseconds>(now - start)).count;
    EXPECT_LE(source.passed, due);
    EXPECT_GE(source.passed, due - 1);
    reconnection.count_time(now);
    EXPECT_LE(source.passed, due) << "no time counted twice";
}

}  // namespace
