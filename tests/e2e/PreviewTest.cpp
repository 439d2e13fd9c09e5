// The preview on the real binary: keys sent with xdotool, read back from the
// window's title and its pixels; an edited shader reaching the screen.

#include "support/Process.h"
#include "support/Screen.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string kBinary = VORNAK_BINARY;

std::string trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

class PreviewKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run through scripts/test, which provides a display";
        // The show's files; the church shader a copy of its own, to be edited.
        fs::create_directories(fs::path(dir.path()) / "data");
        for (const auto& entry : fs::directory_iterator(std::string(VORNAK_SOURCE_DIR) + "/data")) {
            const fs::path to = fs::path(dir.path()) / "data" / entry.path().filename();
            if (entry.path().filename() == "religion.fs")
                fs::copy_file(entry.path(), to);
            else
                fs::create_symlink(entry.path(), to);
        }
    }

    // Waits for the preview's window; its id, or "".
    std::string waitForWindow(Process& process)
    {
        const double until = monotonicSeconds() + 60;
        while (monotonicSeconds() < until && process.running()) {
            const std::string id =
                trimmed(shell("xdotool search --onlyvisible --name '^Vornak preview' 2>/dev/null | head -n 1"));
            if (!id.empty())
                return id;
            usleep(50000);
        }
        return "";
    }

    std::string title() const { return trimmed(shell("xdotool getwindowname " + window + " 2>/dev/null")); }

    // Waits until the title satisfies the test; the last title seen. The ceiling
    // is for a loaded sanitizer build: a title follows a few times a second.
    std::string waitForTitle(const std::function<bool(const std::string&)>& wanted, double seconds = 30)
    {
        const double until = monotonicSeconds() + seconds;
        std::string seen;
        do {
            seen = title();
            if (wanted(seen))
                return seen;
            usleep(50000);
        } while (monotonicSeconds() < until);
        return seen;
    }

    static long frameIn(const std::string& title)
    {
        std::smatch m;
        return std::regex_search(title, m, std::regex("frame ([0-9]+)")) ? std::stol(m[1]) : -1;
    }

    // Through the focused window, not --window: a key that closes the window
    // would leave xdotool unable to release it, stuck down for later tests.
    void press(const std::string& key)
    {
        shell("xdotool windowactivate --sync " + window + " >/dev/null 2>&1; xdotool key " + key);
    }

    // The frame number the title settles on after a key (titles follow a few times a second).
    long afterKey(const std::string& key, long expected)
    {
        press(key);
        return frameIn(waitForTitle([&](const std::string& t) { return frameIn(t) == expected; }));
    }

    Image windowImage() const
    {
        return Image::fromCommand("xwd -id " + window + " -silent | convert xwd:- ppm:- 2>/dev/null");
    }

    TempDir dir;
    std::string window;
};

TEST_F(PreviewKeys, SpaceArrowsPageDownHomeAndEsc)
{
    Process vornak(kBinary, {"--preview", "--window", "640x360", "--at", "11"}, dir.path());
    window = waitForWindow(vornak);
    ASSERT_FALSE(window.empty()) << "no preview window";
    ASSERT_NE(waitForTitle([](const std::string& t) { return t.find("playing") != std::string::npos; })
                  .find("toys"),
              std::string::npos)
        << "started at 11 s, the toys should be playing";

    press("space");
    const std::string paused = waitForTitle([](const std::string& t) { return t.find("paused") != std::string::npos; });
    ASSERT_NE(paused.find("paused"), std::string::npos) << paused;
    const long at = frameIn(paused);
    ASSERT_GE(at, 660);
    usleep(500000);
    EXPECT_EQ(frameIn(title()), at) << "paused, yet the time moved";

    // From 0, wherever a slow start let it get to: every step lands on a frame of the 60 fps grid.
    EXPECT_EQ(afterKey("Home", 0), 0);
    for (int i = 1; i <= 11; ++i)
        ASSERT_EQ(afterKey("Right", i * 60L), i * 60L);
    EXPECT_EQ(afterKey("shift+Right", 666), 666);
    EXPECT_EQ(afterKey("shift+Left", 660), 660);
    EXPECT_EQ(afterKey("Left", 600), 600);
    EXPECT_EQ(afterKey("Right", 660), 660);
    // The next boundary after the toys (10-13 s): the candy's first frame.
    EXPECT_EQ(afterKey("Next", 781), 781);
    EXPECT_NE(title().find("candy"), std::string::npos) << title();
    const Image candy = windowImage();
    EXPECT_EQ(afterKey("Home", 0), 0);
    // Frame 0 draws no scene; the preview shows it black, unlike the candy before.
    const Image start = windowImage();
    ASSERT_GT(candy.width, 0);
    ASSERT_EQ(start.width, candy.width);
    const int cx = candy.width / 2, cy = candy.height / 2;
    EXPECT_GT(candy.at(cx, cy, 0) + candy.at(cx, cy, 1) + candy.at(cx, cy, 2), 60) << "the lollipop's centre";
    EXPECT_LT(start.at(cx, cy, 0) + start.at(cx, cy, 1) + start.at(cx, cy, 2), 10);

    press("Escape");
    const double pressed = vornak.elapsed();
    const ProcessResult r = vornak.wait(30);
    ASSERT_TRUE(r.exited) << r.err;
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LT(r.seconds - pressed, kPromptSeconds);
}

TEST_F(PreviewKeys, AWatchedShaderEditReachesTheScreenAndABrokenOneIsKeptOut)
{
    Process vornak(kBinary, {"--preview", "--watch", "--window", "640x360", "--at", "19"}, dir.path());
    window = waitForWindow(vornak);
    ASSERT_FALSE(window.empty()) << "no preview window";
    press("space");
    // To 18.7 s however far a slow start ran: six scene boundaries from 0, then two seconds on.
    press("Home");
    for (int i = 0; i < 6; ++i)
        press("Next");
    const long church = afterKey("Right Right", 1003 + 120);
    ASSERT_EQ(church, 1123) << title();
    ASSERT_NE(title().find("church"), std::string::npos) << title();
    ASSERT_NE(title().find("paused"), std::string::npos) << title();
    usleep(300000);
    const Image before = windowImage();
    ASSERT_GT(before.width, 0);

    const auto mean = [](const Image& a, const Image& b) {
        double total = 0;
        for (int y = 0; y < a.height; y += 4)
            for (int x = 0; x < a.width; x += 4)
                for (int c = 0; c < 3; ++c)
                    total += std::abs(a.at(x, y, c) - b.at(x, y, c));
        return total / ((a.height / 4) * (a.width / 4) * 3);
    };
    const auto waitForChange = [&](const Image& from) {
        const double until = monotonicSeconds() + 30;
        Image now = windowImage();
        while (monotonicSeconds() < until && mean(now, from) < 20) {
            usleep(100000);
            now = windowImage();
        }
        return now;
    };

    const std::string shader = dir.path() + "/data/religion.fs";
    const std::string good = readFile(shader);
    std::string negative = good;
    negative.insert(negative.rfind('}'), "    color.rgb = vec3(1.0) - color.rgb;\n");
    dir.write("data/religion.fs", negative);
    const Image edited = waitForChange(before);
    EXPECT_GT(mean(edited, before), 20) << "the edit never reached the screen";

    const std::size_t said = vornak.errorSoFar().size();
    dir.write("data/religion.fs", good + "\nnot glsl at all\n");
    // The preview has seen the broken file once it names it.
    const auto named = [&] { return vornak.errorSoFar().find("religion.fs", said) != std::string::npos; };
    const double until = monotonicSeconds() + 30;
    while (!named() && vornak.running() && monotonicSeconds() < until)
        usleep(100000);
    ASSERT_TRUE(named()) << "the broken shader was never named";
    usleep(300000); // a few frames after it
    EXPECT_LT(mean(windowImage(), edited), 2) << "a broken shader changed the picture";
    ASSERT_TRUE(vornak.running()) << "a broken shader stopped the preview";

    press("Escape");
    const ProcessResult r = vornak.wait(30);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Shader error"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("religion.fs"), std::string::npos) << r.err;
}

} // namespace
