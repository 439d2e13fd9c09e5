// The preview's clock: frames of the 60 fps grid, following the music, speeds, loops and the end.

#include "app/preview/PreviewClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

TEST(PreviewClock, FramesAreTheGridTheRunDrawsAt)
{
    // Every frame time maps back to its own frame, and a hair earlier to the one before.
    for (long k = 1; k <= 24 * 60; ++k) {
        const double t = PreviewClock::timeOf(k);
        ASSERT_EQ(PreviewClock::frameAt(t), k) << t;
        ASSERT_EQ(PreviewClock::frameAt(std::nextafter(t, 0.0)), k - 1) << t;
    }
    // After a boundary: the first frame strictly later, however t * 60 rounds.
    for (double b : {0.0, 2.6, 8.0, 10.0, 13.0, 16.7, 20.3, 22.0}) {
        SCOPED_TRACE(b);
        const long first = PreviewClock::frameAfter(b);
        EXPECT_GT(PreviewClock::timeOf(first), b);
        EXPECT_LE(PreviewClock::timeOf(first - 1), b);
    }
    EXPECT_EQ(PreviewClock::frameAt(-1), 0);
}

TEST(PreviewClock, AtOneSpeedTheMusicLeadsAndTheWallFillsIn)
{
    PreviewClock clock(24, 0);
    clock.seek(5);
    // The track's position moves in 46 ms steps; frames come every 16 ms.
    double last = clock.time();
    for (int i = 0; i < 200; ++i) {
        const double wall = 1 + i * 0.016;
        const double music = 5 + 0.04644 * static_cast<int>((wall - 1) / 0.04644);
        clock.tick(wall, music);
        SCOPED_TRACE(wall);
        ASSERT_GE(clock.time(), last) << "went backwards";
        ASSERT_GE(clock.time(), music);
        ASSERT_LE(clock.time(), music + 0.1);
        last = clock.time();
    }
    // A stalled track holds the picture a moment later.
    const double stuck = clock.time();
    clock.tick(10, 5.5);
    clock.tick(20, 5.5);
    EXPECT_LE(clock.time(), std::max(stuck, 5.5 + 0.1));
}

TEST(PreviewClock, PauseSpeedAndWallTime)
{
    // Pausing: PreviewTest.PausedFramesAndTheMusicStandStill.
    struct Case { const char* name; double speed; double expected; }; // after 2 s of wall time from 10 s
    const Case cases[] = {{"1x without music", 1, 12}, {"half", 0.5, 11}, {"double", 2, 14},
                          {"clamped high", 1000, 10 + 2 * PreviewClock::kMaxSpeed},
                          {"clamped low", 0, 10 + 2 * PreviewClock::kMinSpeed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PreviewClock clock(100, 0);
        clock.seek(10);
        clock.setSpeed(c.speed, 0);
        // Away from 1x the music's position is ignored.
        clock.tick(1, c.speed == 1 ? -1 : 50);
        clock.tick(2, c.speed == 1 ? -1 : 50);
        EXPECT_DOUBLE_EQ(clock.time(), c.expected);
    }
}

TEST(PreviewClock, LoopsStayInsideTheWindowAndTheEndStopsAndPauses)
{
    PreviewClock clock(24, 0);
    clock.seek(20);
    clock.setLoop(TimeWindow{13, 16.7});
    EXPECT_EQ(clock.frame(), PreviewClock::frameAfter(13)) << "outside the window: to its first frame";
    int wraps = 0;
    for (int i = 1; i <= 60 * 8; ++i) {
        wraps += clock.tick(i / 60.0) ? 1 : 0;
        const double shown = PreviewClock::timeOf(clock.frame());
        ASSERT_GT(shown, 13);
        ASSERT_LT(shown, 16.7);
    }
    EXPECT_EQ(wraps, 2);
    clock.setLoop(std::nullopt);
    clock.tick(100);
    EXPECT_DOUBLE_EQ(clock.time(), 24);
    EXPECT_TRUE(clock.paused());
    clock.seek(-3);
    EXPECT_EQ(clock.time(), 0);
    clock.seek(99);
    EXPECT_EQ(clock.time(), 24);
}

} // namespace
