// The vornak program's pure parts: command line, letterbox, fixed-step clock, pacing, data folder search.

#include "app/Clock.h"
#include "app/DataLocation.h"
#include "app/FramePacer.h"
#include "app/Options.h"
#include "demo/Presentation.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

TEST(CommandLine, StatusAndMeaningOfEachForm)
{
    using Check = std::function<void(const Options&)>;
    struct Case { std::vector<const char*> args; std::optional<int> status; Check check = nullptr; };
    const std::optional<int> go = std::nullopt;
    // --help, --version, an unknown option, a 0x0 window, an odd video size and a PNG without --at: e2e PlayerTest.
    const std::vector<Case> cases = {
        {{"extra"}, 2}, {{"--window", "800"}, 2}, {{"--window", "--fullscreen"}, 2},
        {{"--window"}, go, [](const Options& o) { EXPECT_TRUE(o.windowed); }},
        {{"--window", "800x600", "--stretch"}, go,
         [](const Options& o) { EXPECT_TRUE(o.window.width == 800 && o.window.height == 600 && o.stretch); }},
        {{"--capture", "show.mp4", "--at", "3"}, 2}, {{"--capture", "f/%05d.png", "--size", "321x181"}, go},
        {{"--capture", "show.avi"}, 2}, {{"--capture", "show.mp4", "--from", "5", "--to", "5"}, 2},
        {{"--capture", "show.mp4", "--from", "-1"}, 2}, {{"--capture", "show.mp4", "--fps", "0"}, 2},
        {{"--capture", "show.mp4", "--window"}, 2}, {{"--fps", "30"}, 2}, // capture settings without a capture
        {{"--timings"}, go, [](const Options& o) { EXPECT_TRUE(o.timings); }},
        {{"--preview"}, go, [](const Options& o) { EXPECT_TRUE(o.preview && o.windowed) << "a window by default"; }},
        {{"--preview", "--fullscreen"}, go, [](const Options& o) { EXPECT_FALSE(o.windowed); }},
        {{"--watch"}, 2}, {{"--at", "3"}, 2}, // both need the preview
        {{"--preview", "--at", "-1"}, 2}, {{"--preview", "--capture", "show.mp4"}, 2},
        // The sound's delay: milliseconds in, seconds out (a positive one: SyncTest); either sign, not for a capture.
        {{"--preview", "--audio-offset", "-40"}, go, [](const Options& o) { EXPECT_DOUBLE_EQ(o.audioOffset, -0.04); }},
        {{"--audio-offset", "late"}, 2}, {{"--audio-offset", "5000"}, 2},
        {{"--capture", "show.mp4", "--audio-offset", "100"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        std::vector<const char*> argv = {"vornak"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        Options options;
        testing::internal::CaptureStdout(); // the usage and messages: not this test's concern
        testing::internal::CaptureStderr();
        EXPECT_EQ(parseOptions(static_cast<int>(argv.size()), argv.data(), options), c.status);
        testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
        if (c.check && !c.status)
            c.check(options);
    }
}

TEST(CommandLine, CaptureNamesAndSizes)
{
    using K = CaptureKind;
    const std::vector<std::pair<std::string, CaptureKind>> names = {
        {"show.mp4", K::Video}, {"a/b.mkv", K::Video}, {"frames/%05d.png", K::PngSequence}, {"f%d.png", K::PngSequence},
        {"100%%-%3d.png", K::PngSequence}, {"shot.png", K::SinglePng}, {"%s.png", K::None}, {"%d-%d.png", K::None},
        {"%n.png", K::None}, {"50%.png", K::None}, {"%05d.mp4", K::None}, {".mp4x", K::None}, {"show", K::None}};
    for (const auto& [name, kind] : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(captureKindOf(name), kind);
    }
    const std::vector<std::pair<std::string, bool>> sizes = {{"1920x1080", true}, {"2X2", true}, {"0x10", false},
        {"10x0", false}, {"-4x4", false}, {"4x", false}, {"x4", false}, {"4x4x4", false}, {" 4x4", false},
        {"9999999x1", false}};
    for (const auto& [text, ok] : sizes) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseFrameSize(text).has_value(), ok);
    }
}

// Stretched: Player.LetterboxedFramesAreUndistorted and the resized window.
TEST(Letterbox, ShowKeepsItsShapeCentredOnAnyTarget)
{
    struct Case { int width, height; std::array<int, 4> expected; }; // x, y, width, height
    const std::vector<Case> cases = {{1920, 1080, {0, 0, 1920, 1080}}, {1366, 768, {0, 0, 1366, 768}}, // 16:9: no bars
        {2400, 1000, {311, 0, 1778, 1000}}, {1024, 768, {0, 96, 1024, 576}}, {1, 1000, {0, 499, 1, 1}}, {0, 0, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const Viewport v = fitShow(c.width, c.height, false);
        EXPECT_EQ((std::array<int, 4>{v.x, v.y, v.width, v.height}), c.expected);
    }
}

TEST(FixedStepClock, FramesFallOnTheGridOfAnUninterruptedRun)
{
    for (double fps : {24.0, 30.0, 60.0, 144.0}) {
        SCOPED_TRACE(fps);
        const FixedStepClock fromMiddle(13.5, fps);
        const long first = std::lround(13.5 * fps);
        for (long k = 0; k < 500; ++k) // bit for bit the run's own frame times, though begun half way
            ASSERT_EQ(fromMiddle.timeOf(k), static_cast<double>(first + k) / fps) << k;
    }
    const FixedStepClock between(0.005, 60);
    EXPECT_EQ(between.timeOf(0), 0.005);
    EXPECT_DOUBLE_EQ(between.timeOf(60), 1.005);
}

TEST(FixedStepClock, FrameCountOfAStretch)
{
    struct Case { double from, fps, to; long frames; };
    const std::vector<Case> cases = {{0, 60, 2.5, 150}, {13, 60, 15.5, 150}, {0, 60, 2.51, 151}, {0, 30, 24.0, 720},
                                     {0.1, 10, 0.3, 2}, {5, 60, 5, 0}, {5, 60, 4, 0}, {0, 60, 1.0 / 60, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " to " + std::to_string(c.to) + " at " + std::to_string(c.fps));
        EXPECT_EQ(FixedStepClock(c.from, c.fps).framesBefore(c.to), c.frames);
    }
}

TEST(FramePacer, CapsWhenVsyncIsMissingOrDoesNothing)
{
    using namespace std::chrono;
    struct Case { const char* what; bool vsync; std::vector<double> swapGapsMs; bool capping; }; // gaps at 60 Hz
    const std::vector<Case> cases = {
        {"no vsync granted", false, {}, true},
        {"vsync that waits for the display", true, std::vector<double>(30, 16.7), false},
        {"vsync with late frames", true, {16.7, 33.4, 16.7, 50.1, 16.6, 16.8}, false},
        {"vsync granted but swaps return at once", true, std::vector<double>(12, 0.5), true},
        {"a few quick swaps then vsync again", true, {1, 1, 1, 1, 1, 1, 1, 16.7, 1, 1, 16.7}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FramePacer pacer(60, c.vsync);
        FramePacer::Clock::time_point at = FramePacer::Clock::now() - hours(1);
        for (double gap : c.swapGapsMs) {
            at += duration_cast<FramePacer::Clock::duration>(duration<double, std::milli>(gap));
            if (!pacer.capping())
                pacer.frameDone(at);
        }
        EXPECT_EQ(pacer.capping(), c.capping);
    }
}

TEST(DataSearch, CandidatesInOrder)
{
    namespace fs = std::filesystem;
    TempDir root;
    const std::string r = root.path();
    struct Restore { fs::path cwd = fs::current_path(); ~Restore() { fs::current_path(cwd); } } restore;
    fs::create_directories(r + "/elsewhere");
    fs::current_path(r + "/elsewhere");
    for (const std::string show : {"repo/data", "prefix/share/vornak/data"})
        root.write(show + "/sprite.vs", "x");
    root.write("repo/build/release/data/readme", "no shaders: not the show's folder");
    root.write("other/data/readme", "");
    struct Case { std::string explicitFolder, exe, found; };
    const std::vector<Case> cases = {
        {"", r + "/repo/build/release/vornak", r + "/repo/data"}, {"", r + "/repo/vornak", r + "/repo/data"},
        {"", r + "/prefix/bin/vornak", r + "/prefix/share/vornak/data"}, {"", r + "/other/bin/vornak", ""},
        {"", "", ""}, {r + "/prefix/share/vornak/data", r + "/repo/vornak", r + "/prefix/share/vornak/data"},
        {r + "/other/data", r + "/repo/vornak", ""}, // named, so nothing else is tried
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.explicitFolder + " | " + c.exe);
        const DataSearch search = findDataFolder(c.explicitFolder, c.exe);
        EXPECT_EQ(search.folder, c.found);
        ASSERT_FALSE(search.looked.empty());
        EXPECT_EQ(search.looked.front(), c.explicitFolder.empty() ? "data" : c.explicitFolder);
    }
    // Even damaged (no shader at all), the working directory's data/ comes first, named relatively.
    root.write("elsewhere/data/toys.jpg", "");
    EXPECT_EQ(findDataFolder("", r + "/repo/vornak").folder, "data");
}

} // namespace
