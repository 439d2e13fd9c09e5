// The whole show as a viewer runs it: from the repository root, on the X screen, with its music, to the end.

#include "support/Process.h"
#include "support/Screen.h"
#include "support/SwapLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string kRoot = VORNAK_SOURCE_DIR;

// Mean colour difference between a screen box and a picture resized over the given screen box.
double meanError(const Image& screen, int x0, int y0, int x1, int y1, const Image& picture, int px0, int py0)
{
    double total = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            for (int c = 0; c < 3; ++c)
                total += std::abs(screen.at(x, y, c) - picture.at(x - px0, y - py0, c));
    return x1 > x0 && y1 > y0 ? total / (3.0 * (x1 - x0) * (y1 - y0)) : 1e9;
}

TEST(Show, PlaysToTheEndWithTheOverlayOverTheWipe)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run through scripts/test, which provides a display";
    TempDir logs;
    const SwapLog swaps;
    std::vector<std::string> env = swaps.environment();
    env.push_back("SDL_AUDIODRIVER=dummy");
    Process vornak(VORNAK_BINARY, kRoot, env);
    ASSERT_FALSE(waitForVornakWindow(vornak, 60).empty()) << "no window titled Vornak appeared";
    const double shownAt = swaps.waitForFirst(vornak, 60);
    ASSERT_GE(shownAt, 0) << "the show never presented a frame";
    // A grab wholly between 8.2 and 9.8 s: the overlay (from 8 s) over the finished wipe (until 10 s); retried if late.
    Image screen;
    for (double aim = 8.5; aim < 9.8 && screen.width == 0; aim += 0.2) {
        const double wait = shownAt + aim - monotonicSeconds();
        if (wait > 0)
            usleep(static_cast<useconds_t>(wait * 1e6));
        const double before = monotonicSeconds() - shownAt;
        const std::string grab = logs.path() + "/screen.xwd";
        shell("xwd -root -silent > " + grab);
        const double after = monotonicSeconds() - shownAt;
        if (before > 8.2 && after < 9.8)
            screen = Image::fromCommand("convert xwd:" + grab + " ppm:- 2>/dev/null");
    }
    ASSERT_GT(screen.width, 0) << "no screenshot between 8.2 and 9.8 s of the show";
    const int W = screen.width, H = screen.height;
    // The overlay: x from 0.8825 W (off the right edge), y from 0.855 H to 0.945 H.
    const int rx = static_cast<int>(std::lround(0.8825 * W)), ry = static_cast<int>(std::lround(0.855 * H));
    const int rw = static_cast<int>(std::lround(0.125 * W)), rh = static_cast<int>(std::lround(0.09 * H));
    const auto resized = [&](const char* name, int w, int h) {
        return Image::fromCommand("convert " + kRoot + "/data/" + name + " -resize " + std::to_string(w) + "x" +
                                  std::to_string(h) + "! ppm:-");
    };
    const Image skipAd = resized("skipad.jpg", rw, rh), easter = resized("easter.jpg", W, H);
    ASSERT_TRUE(skipAd.width > 0 && easter.width > 0);
    const int m = 4; // keep clear of the rectangle's resampled border
    const double overlayError = meanError(screen, rx + m, ry + m, W - m, ry + rh - m, skipAd, rx, ry);
    const double easterThere = meanError(screen, rx + m, ry + m, W - m, ry + rh - m, easter, 0, 0);
    EXPECT_LT(overlayError, 20.0) << "the Skip Ad picture is not in the lower-right corner";
    EXPECT_GT(easterThere, overlayError + 10.0);
    // Around it, the finished wipe shows the Easter picture.
    EXPECT_LT(meanError(screen, W / 10, H / 10, rx - m, H - H / 10, easter, 0, 0), 20.0);
    EXPECT_LT(meanError(screen, rx + m, H / 10, W - m, ry - m, easter, 0, 0), 20.0);
    const ProcessResult r = vornak.wait(60);
    ASSERT_EQ(r.status, 0) << "timed out or crashed: signal " << r.signal << "\n" << r.err;
    EXPECT_EQ(r.out, "") << "no shader may fail";
    const double played = vornak.startedAt() + r.seconds - shownAt;
    EXPECT_GE(played, 23.0) << "ended before the music did";
    EXPECT_LE(played, 26.0) << "did not end with the music";
    // Nothing is drawn after 22 s; without vsync (none under Xvfb) the loop still keeps to the refresh rate, 60 Hz.
    const std::vector<double> presented = swaps.times();
    int silentSecond = 0;
    for (double at : presented)
        silentSecond += at - shownAt > 22.4 && at - shownAt < 23.4;
    EXPECT_GT(presented.size(), 100u) << "no swaps counted: is the show still presenting through Mesa's X path?";
    EXPECT_LE(silentSecond, 63) << "frames in one second of the silent stretch";
    EXPECT_GE(silentSecond, 20) << "the show stopped presenting frames";
}

} // namespace
