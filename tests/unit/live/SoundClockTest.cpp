// The sound clock against a fake device taking buffers at a set pace, hand-overs late and early as on a busy machine.

#include "app/Clock.h"
#include "app/SoundClock.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kRate = 44100;
constexpr long kBuffer = 2048;
constexpr double kPace = kBuffer / kRate; // 46 ms

TEST(SoundClock, TracksWhatIsHeardSmoothlyAndNeverBackwards)
{
    struct Case { const char* name; double jitter[4]; }; // hand-over k is late by jitter[k % 4] seconds
    const Case cases[] = {{"steady", {0, 0, 0, 0}}, {"late and early", {0.012, -0.004, 0.020, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SoundClock clock(kRate);
        clock.restart(0);
        EXPECT_EQ(clock.seconds(0.5), 0) << "holds before the sound starts";
        double last = 0, wall = 0;
        for (int k = 0; k < 200; ++k) {
            const double at = static_cast<double>(k) * kPace + c.jitter[k % 4];
            clock.handedOver(kBuffer, at); // buffer k, give or take its jitter
            // Frames every 4 ms until the next hand-over.
            const double next = static_cast<double>(k + 1) * kPace + c.jitter[(k + 1) % 4];
            for (wall = std::max(wall, at); wall < next; wall += 0.004) {
                const double t = clock.seconds(wall);
                ASSERT_GE(t, last) << "ran backwards at " << wall;
                // Never ahead of what the device has, never more than the jitter behind the ideal.
                ASSERT_LE(t, static_cast<double>(k + 1) * kPace + 1e-9);
                ASSERT_NEAR(t, std::min(wall, static_cast<double>(k + 1) * kPace), 0.021) << wall;
                // Smooth: frames 4 ms apart move it by no more than a hand-over's jump.
                ASSERT_LE(t - last, 0.004 + 0.021);
                last = t;
            }
        }
        EXPECT_NEAR(clock.seconds(wall + 5), 200 * kPace, 1e-9) << "the device took no more: stall at its end";
    }
}

TEST(SoundClock, OffsetAndRestartShiftIt)
{
    struct Case { const char* name; double from, offset, expected; }; // expected: mid third buffer
    const Case cases[] = {{"from the start", 0, 0, 2.5 * kPace}, {"sound 100 ms late", 0, 0.1, 2.5 * kPace - 0.1},
                          {"sound 50 ms early", 0, -0.05, 2.5 * kPace + 0.05},
                          {"seek and offset", 13, 0.1, 13 + 2.5 * kPace - 0.1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SoundClock clock(kRate);
        // Whatever played before the restart counts for nothing.
        clock.handedOver(kBuffer * 50, 0);
        clock.setOffset(c.offset);
        clock.restart(c.from);
        EXPECT_NEAR(clock.seconds(0.01), c.from - c.offset, 1e-9) << "holds at the restart";
        for (int k = 0; k < 3; ++k)
            clock.handedOver(kBuffer, 1 + k * kPace);
        EXPECT_NEAR(clock.seconds(1 + 2.5 * kPace), c.expected, 1e-9);
    }
}

TEST(SoundClock, KnowsWhenTheDevicesNextStretchIsHeard)
{
    SoundClock clock(kRate);
    EXPECT_TRUE(std::isinf(clock.untilNextStretch(1))) << "no pace before the device took anything";
    clock.restart(0);
    clock.deviceTook(kBuffer, 1); // silence, before the music
    EXPECT_NEAR(clock.untilNextStretch(1.01), kPace - 0.01, 1e-9);
    EXPECT_LT(clock.untilNextStretch(1.1), 0) << "overdue";
    clock.setOffset(0.1);
    EXPECT_NEAR(clock.untilNextStretch(1.01), kPace - 0.01 + 0.1, 1e-9) << "a later sound is heard later";
    // The device's own stretch length counts, not the one asked for.
    clock.deviceTook(kBuffer / 2, 2);
    EXPECT_NEAR(clock.untilNextStretch(2), kPace / 2 + 0.1, 1e-9);
    clock.deviceTook(kBuffer, 1.5); // the open, reported after a take
    EXPECT_NEAR(clock.untilNextStretch(2), kPace / 2 + 0.1, 1e-9) << "an older take hid the latest";
    EXPECT_EQ(clock.seconds(2), -0.1) << "silence taken does not start the clock";
}

TEST(FrameLead, LeadsByTheWayToTheSwapAndHalfAFrame)
{
    // draw: from reading the clock to the swap's return; interval: between swaps.
    struct Case { const char* name; double draw, interval, expected; };
    const Case cases[] = {{"60 Hz, 4 ms to draw", 0.004, 1.0 / 60, 0.004 + 0.5 / 60},
                          {"30 Hz, 20 ms to draw", 0.020, 1.0 / 30, 0.020 + 0.5 / 30},
                          {"a stalled machine is capped", 0.2, 0.4, FrameLead::kMaxLead}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameLead lead;
        for (int k = 0; k < 100; ++k)
            lead.frameDone(k * c.interval, k * c.interval + c.draw);
        EXPECT_NEAR(lead.seconds(), c.expected, 1e-3);
        // One slow frame moves it by a tenth of its excess.
        const double before = lead.seconds();
        lead.frameDone(100 * c.interval, 100 * c.interval + c.draw + 0.05);
        EXPECT_LE(lead.seconds() - before, 0.0051 + 0.1 * c.interval);
    }
}

} // namespace
