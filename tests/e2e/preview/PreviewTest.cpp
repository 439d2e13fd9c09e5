// The preview on the real binary: keys sent with xdotool, read back from the
// window's title and pixels; an edited shader reaching the screen.

#include "support/Process.h"
#include "support/Screen.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <regex>
#include <string>
#include <unistd.h>

namespace {

const std::string kBinary = VORNAK_BINARY;

// The ceiling is for a loaded sanitizer build: a title follows a few times a second.
bool waitFor(const std::function<bool()>& done, double seconds = 30)
{
    for (const double until = monotonicSeconds() + seconds; !done(); usleep(50000))
        if (monotonicSeconds() > until)
            return false;
    return true;
}

long frameIn(const std::string& title)
{
    std::smatch m;
    return std::regex_search(title, m, std::regex("frame ([0-9]+)")) ? std::stol(m[1]) : -1;
}

double meanDifference(const Image& a, const Image& b)
{
    double total = 0;
    for (int y = 0; y < a.height; y += 4)
        for (int x = 0; x < a.width; x += 4)
            for (int c = 0; c < 3; ++c)
                total += std::abs(a.at(x, y, c) - b.at(x, y, c));
    return total / ((a.height / 4) * (a.width / 4) * 3);
}

// The preview's window once it shows, or "" when the program ends first.
std::string previewWindow(Process& vornak)
{
    std::string window;
    waitFor([&] {
        window = shell("xdotool search --onlyvisible --name '^Vornak preview' 2>/dev/null | head -n 1 | tr -d '\\n'");
        return !window.empty() || !vornak.running();
    }, 60);
    return window;
}

std::string windowTitle(const std::string& window)
{
    return shell("xdotool getwindowname " + window + " 2>/dev/null | tr -d '\\n'");
}

TEST(PreviewKeys, KeysSeekAndPauseAndAWatchedShaderEditReachesTheScreen)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run through scripts/test, which provides a display";
    // The show's files; the church shader a copy of its own, to be edited.
    TempDir dir;
    shell("cp -rs " VORNAK_SOURCE_DIR "/data " + dir.path() + " && cp --remove-destination " VORNAK_SOURCE_DIR
          "/data/religion.fs " + dir.path() + "/data/");
    Process vornak(kBinary, {"--preview", "--watch", "--window", "640x360", "--at", "11"}, dir.path());
    const std::string window = previewWindow(vornak);
    ASSERT_FALSE(window.empty()) << "no preview window";
    const auto title = [&] { return windowTitle(window); };
    const auto waitForTitle = [&](const std::function<bool(const std::string&)>& wanted) { // or the last one seen
        std::string seen;
        waitFor([&] { return wanted(seen = title()); });
        return seen;
    };
    // Not xdotool's --window: a key that closes the window would stay stuck down for later tests.
    const auto press = [&](const std::string& key) {
        shell("xdotool windowactivate --sync " + window + " >/dev/null 2>&1; xdotool key " + key);
    };
    const auto afterKey = [&](const std::string& key, long expected) { // the frame the title settles on
        press(key);
        return frameIn(waitForTitle([&](const std::string& t) { return frameIn(t) == expected; }));
    };
    const auto windowImage = [&] {
        return Image::fromCommand("xwd -id " + window + " -silent | convert xwd:- ppm:- 2>/dev/null");
    };
    const auto has = [](const char* word) {
        return [word](const std::string& t) { return t.find(word) != std::string::npos; };
    };
    ASSERT_TRUE(has("toys")(waitForTitle(has("playing")))) << "started at 11 s, the toys should be playing";
    press("space");
    const std::string paused = waitForTitle(has("paused"));
    ASSERT_TRUE(has("paused")(paused)) << paused;
    ASSERT_GE(frameIn(paused), 660);
    // Frame 0 draws no scene; the preview shows it black.
    EXPECT_EQ(afterKey("Home", 0), 0);
    const Image start = windowImage();
    // From 0, wherever a slow start let it get to: every step lands on a frame of the 60 fps grid.
    for (int i = 1; i <= 11; ++i)
        ASSERT_EQ(afterKey("Right", i * 60L), i * 60L);
    // The next boundary after the toys (10-13 s): the candy's first frame.
    EXPECT_EQ(afterKey("Next", 781), 781);
    EXPECT_TRUE(has("candy")(title())) << title();
    const Image candy = windowImage();
    ASSERT_TRUE(candy.width > 0 && start.width == candy.width) << start.width << " then " << candy.width;
    const int cx = candy.width / 2, cy = candy.height / 2;
    EXPECT_GT(candy.at(cx, cy, 0) + candy.at(cx, cy, 1) + candy.at(cx, cy, 2), 60) << "the lollipop's centre";
    EXPECT_LT(start.at(cx, cy, 0) + start.at(cx, cy, 1) + start.at(cx, cy, 2), 10);
    // Two seconds into the church.
    ASSERT_EQ(afterKey("Next Right Right", 1003 + 120), 1123) << title();
    ASSERT_TRUE(has("church")(title())) << title();
    ASSERT_TRUE(has("paused")(title())) << "a seek must not start playing: " << title();
    usleep(300000);
    const Image before = windowImage();
    const std::string good = readFile(dir.path() + "/data/religion.fs");
    dir.write("data/religion.fs",
              std::string(good).insert(good.rfind('}'), "    color.rgb = vec3(1.0) - color.rgb;\n"));
    Image edited;
    waitFor([&] { return meanDifference(edited = windowImage(), before) >= 20; });
    EXPECT_GT(meanDifference(edited, before), 20) << "the edit never reached the screen";
    const std::size_t said = vornak.errorSoFar().size();
    dir.write("data/religion.fs", good + "\nnot glsl at all\n");
    // The preview has seen the broken file once it names it.
    ASSERT_TRUE(waitFor([&] { return vornak.errorSoFar().find("religion.fs", said) != std::string::npos; }))
        << "the broken shader was never named";
    usleep(300000); // a few frames after it
    EXPECT_LT(meanDifference(windowImage(), edited), 2) << "a broken shader changed the picture";
    ASSERT_TRUE(vornak.running()) << "a broken shader stopped the preview";
    press("Escape");
    const double pressed = vornak.elapsed();
    const ProcessResult r = vornak.wait(30);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LT(r.seconds - pressed, kPromptSeconds);
    EXPECT_NE(r.out.find("Shader error"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("religion.fs"), std::string::npos) << r.err;
}

TEST(PreviewKeys, AWatchedShowFileEditIsPlayedAndABrokenOneKeepsTheLastGoodShow)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run through scripts/test, which provides a display";
    TempDir dir;
    const std::string folder = dir.path() + "/greeting";
    ASSERT_EQ(Process(kBinary, {"--new-show", folder}, dir.path()).wait(30).status, 0);
    Process vornak(kBinary, {"--preview", "--watch", "--window", "640x360", "--at", "11", "--show", folder}, dir.path());
    const std::string window = previewWindow(vornak);
    ASSERT_FALSE(window.empty()) << "no preview window";
    const auto title = [&] { return windowTitle(window); };
    const auto titleHas = [&](const char* word) {
        return waitFor([&] { return title().find(word) != std::string::npos; });
    };
    const auto windowImage = [&] {
        return Image::fromCommand("xwd -id " + window + " -silent | convert xwd:- ppm:- 2>/dev/null");
    };
    ASSERT_TRUE(titleHas("toys")) << title();
    shell("xdotool windowactivate --sync " + window + " >/dev/null 2>&1; xdotool key space");
    ASSERT_TRUE(titleHas("paused")) << title();
    usleep(300000);
    const Image toys = windowImage();
    // The still at 11 s shows the sweets instead, under a new name, at the same time.
    std::string show = readFile(folder + "/show.toml");
    const std::size_t at = show.find("name = \"toys\"");
    ASSERT_NE(at, std::string::npos);
    show.replace(at, 13, "name = \"sweets\"");
    show.replace(show.find("\"toys.jpg\"", at), 10, "\"candy.jpg\"");
    dir.write("greeting/show.toml", show);
    ASSERT_TRUE(titleHas("sweets")) << title();
    EXPECT_TRUE(titleHas("paused")) << title();
    Image sweets;
    waitFor([&] { return meanDifference(sweets = windowImage(), toys) >= 20; });
    EXPECT_GT(meanDifference(sweets, toys), 20) << "the new picture never reached the screen";
    // A show file with a mistake says where, and the last good show stays.
    const std::size_t said = vornak.errorSoFar().size();
    dir.write("greeting/show.toml", show + "strat = 1\n");
    ASSERT_TRUE(waitFor([&] { return vornak.errorSoFar().find("show.toml:", said) != std::string::npos; }))
        << vornak.errorSoFar();
    EXPECT_NE(vornak.errorSoFar().find("unknown key \"strat\"", said), std::string::npos) << vornak.errorSoFar();
    usleep(300000);
    EXPECT_LT(meanDifference(windowImage(), sweets), 2) << "a broken show file changed the picture";
    EXPECT_NE(title().find("sweets"), std::string::npos) << title();
    ASSERT_TRUE(vornak.running()) << "a broken show file stopped the preview";
    shell("xdotool windowactivate --sync " + window + " >/dev/null 2>&1; xdotool key Escape");
    EXPECT_EQ(vornak.wait(30).status, 0);
}

} // namespace
