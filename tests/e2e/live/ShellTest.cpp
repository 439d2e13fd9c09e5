// The real binary, started the way a person starts it, on the (virtual) X display.

#include "support/Process.h"
#include "support/Screen.h"
#include "support/SwapLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string kBinary = VORNAK_BINARY;
const std::string kFixtures = VORNAK_FIXTURES;
constexpr double kShortTrack = 1.54; // tests/fixtures/short.mp3
constexpr double kLongTrack = 8.0;   // tests/fixtures/long.mp3

class Shell : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run through scripts/test, which provides a display";
        // Links to the show's files but the music, which each test writes (not through a link).
        shell("cp -rs " VORNAK_SOURCE_DIR "/data " + dir.path() + " && rm " + dir.path() + "/data/zararorad.mp3");
    }

    void useMusic(const std::string& fixture) { dir.copy(kFixtures + "/" + fixture, "data/zararorad.mp3"); }
    static void pressKey(const std::string& window, const std::string& key)
    {
        shell("xdotool windowactivate --sync " + window + " >/dev/null 2>&1; xdotool key " + key);
    }
    TempDir dir;
};

TEST_F(Shell, EndsWithItsMusicEvenWithoutAnAudioDevice)
{
    useMusic("short.mp3");
    const SwapLog swaps;
    // A driver that cannot open: the show falls back to silence, still timed by its track from the first frame.
    std::vector<std::string> env = swaps.environment();
    env.push_back("SDL_AUDIODRIVER=no-such-driver");
    Process vornak(kBinary, dir.path(), env);
    const double shown = swaps.waitForFirst(vornak, 60);
    ASSERT_GE(shown, 0) << "the show never presented a frame";
    const ProcessResult r = vornak.wait(30);
    ASSERT_EQ(r.status, 0) << "timed out: " << r.timedOut << ", signal " << r.signal << "\n" << r.err;
    const double lastFrame = swaps.times().back() - shown;
    EXPECT_GE(lastFrame, kShortTrack - 0.3) << "ended before its music did";
    EXPECT_LE(lastFrame, kShortTrack + 1.0) << "went on for more than a second after the music";
    EXPECT_EQ(r.out, "") << "nothing but shader diagnostics belongs on standard output";
    EXPECT_NE(r.err.find("playing silently"), std::string::npos) << r.err;
}

TEST_F(Shell, EscEndsTheShowButOtherInputDoesNot)
{
    useMusic("long.mp3");
    const SwapLog swaps;
    Process vornak(kBinary, dir.path(), swaps.environment());
    const std::string window = waitForVornakWindow(vornak, 60);
    ASSERT_FALSE(window.empty()) << "no window titled Vornak appeared";
    const double shown = swaps.waitForFirst(vornak, 60);
    ASSERT_GE(shown, 0) << "the show never presented a frame";
    ASSERT_TRUE(waitUntilManaged(vornak, window, 60)) << "the window manager never took the window";
    pressKey(window, "space a Return F4 q");
    shell("wmctrl -i -c " + window); // the window-close request
    usleep(800000);
    ASSERT_TRUE(vornak.running()) << "ended on a key other than Esc, or on the close request";

    pressKey(window, "Escape");
    const double pressed = vornak.elapsed();
    const ProcessResult r = vornak.wait(20);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LT(r.seconds - pressed, kPromptSeconds) << "Esc did not end the show promptly";
    EXPECT_LT(swaps.times().back() - shown, kLongTrack) << "ended by the music, not by Esc";
}

TEST_F(Shell, NoDisplayExitsWithAMessage)
{
    useMusic("short.mp3");
    Process vornak(kBinary, dir.path(), {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"});
    const ProcessResult r = vornak.wait(20);
    ASSERT_EQ(r.status, 1) << "crashed or hung: signal " << r.signal << "\n" << r.err;
    // Drivers may add their own chatter; ours is one line naming what failed.
    const auto first = r.err.find("vornak: ");
    ASSERT_NE(first, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("vornak: ", first + 1), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Unknown error"), std::string::npos) << r.err;
}

} // namespace
