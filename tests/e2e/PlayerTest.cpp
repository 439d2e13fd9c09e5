// The vornak program driven from a shell: command line, data search, window shapes, signals, captures.

#include "support/Process.h"
#include "support/Screen.h"
#include "support/SwapLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <tuple>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kBinary = VORNAK_BINARY;
const std::string kRoot = VORNAK_SOURCE_DIR;
const std::string kFixtures = VORNAK_FIXTURES;
constexpr double kLongTrack = 8.0; // tests/fixtures/long.mp3

int lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

std::string listing(const std::string& folder) { return shell("ls -A " + folder); }

// Mean absolute difference (0-255) of two pictures at a small common size, by ImageMagick.
double pictureDifference(const std::string& a, const std::string& b, const std::string& cropA = "")
{
    int status = -1;
    const std::string crop = cropA.empty() ? "" : " -crop " + cropA + " +repage";
    const std::string mae = shell("convert \\( " + a + crop + " \\) " + b + " -resize '64x36!' -metric MAE -compare "
                                  "-format '%[distortion]' info: 2>/dev/null", &status);
    return status == 0 ? 255 * std::atof(mae.c_str()) : 1e9;
}

class Player : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run through scripts/test"; }
    ProcessResult run(const std::vector<std::string>& args, const std::vector<std::string>& env = {})
    {
        return Process(kBinary, args, dir.path(), env).wait(60);
    }
    TempDir dir;
};

TEST_F(Player, CommandLineAnswersWithoutAWindow)
{
    struct Case { std::vector<std::string> args; int status; std::string out, err; }; // out/err: expected within
    const std::vector<Case> cases = {
        {{"--help"}, 0, "--capture OUT", ""}, {{"--version"}, 0, "vornak " VORNAK_VERSION "\n", ""},
        {{"--bogus"}, 2, "", "--bogus"}, {{"--window", "0x0"}, 2, "", "0x0"},
        {{"--capture", "x.mp4", "--size", "33x20"}, 2, "", "even"}, {{"--capture", "x.png"}, 2, "", "--at"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + (c.args.size() > 1 ? " " + c.args[1] : ""));
        // No display or video driver: opening a window would fail with status 1.
        const ProcessResult r = run(c.args, {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER=no-such-driver"});
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        if (c.status == 0) {
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_EQ(lines(r.err), 1) << r.err;
            EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
            EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
        }
    }
}

TEST_F(Player, WithoutTheShowsDataItSaysWhereItLooked)
{
    fs::copy_file(kBinary, dir.path() + "/vornak"); // a lone copy, no data anywhere near it
    fs::create_directories(dir.path() + "/empty");
    for (const auto& [args, looked] : {std::pair<std::vector<std::string>, std::string>{{}, dir.path() + "/data"},
                                       {{"--data", dir.path() + "/empty"}, dir.path() + "/empty"}}) {
        SCOPED_TRACE(looked);
        const ProcessResult r = Process(dir.path() + "/vornak", args, dir.path()).wait(60);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(lines(r.err), 1) << r.err;
        EXPECT_NE(r.err.find(looked), std::string::npos) << "where it looked: " << r.err;
        EXPECT_NE(r.err.find("--data"), std::string::npos) << "how to point it: " << r.err;
    }
}

// Takes the window's own pixels (no frame) until they satisfy the test; the last image taken.
Image waitForWindowImage(Process& process, const std::string& id, const std::function<bool(const Image&)>& wanted)
{
    const double until = monotonicSeconds() + 60;
    Image image;
    while (process.running() && monotonicSeconds() < until) {
        image = Image::fromCommand("xwd -id " + id + " -silent | convert xwd:- ppm:- 2>/dev/null");
        if (image.width > 0 && wanted(image))
            break;
        usleep(50000);
    }
    return image;
}

double columnMean(const Image& image, int x)
{
    double total = 0;
    for (int y = 0; y < image.height; ++y)
        total += image.at(x, y, 0) + image.at(x, y, 1) + image.at(x, y, 2);
    return total / (3.0 * image.height);
}

TEST_F(Player, AResizedWindowKeepsTheShowBetweenBarsAndEndsCleanly)
{
    // The show's files with the 8 s track.
    shell("cp -rs " + kRoot + "/data " + dir.path() + " && cp --remove-destination " + kFixtures + "/long.mp3 " +
          dir.path() + "/data/zararorad.mp3");
    const std::vector<std::string> args = {"--window", "320x180", "--stretch"};
    for (const bool stretch : {false, true}) {
        SCOPED_TRACE(stretch ? "stretched, ended by the close button" : "bars, ended by SIGTERM");
        const SwapLog swaps;
        Process vornak(kBinary, {args.begin(), args.end() - !stretch}, dir.path(), swaps.environment());
        const std::string id = waitForVornakWindow(vornak, 60);
        ASSERT_FALSE(id.empty()) << vornak.wait(1).err;
        // Once the show runs, its music has 8 s to go.
        const double shown = swaps.waitForFirst(vornak, 60);
        ASSERT_GE(shown, 0) << "the show never presented a frame";
        ASSERT_TRUE(waitUntilManaged(vornak, id, 60)) << "the window manager never took the window";
        // From 16:9 to 2.4:1; the title over the night picture lights the middle.
        shell("xdotool windowsize --sync " + id + " 480 200");
        const Image image = waitForWindowImage(vornak, id, [&](const Image& i) {
            return i.width == 480 && columnMean(i, 240) > 20 && (stretch || columnMean(i, 2) < 1.0);
        });
        ASSERT_EQ(image.width, 480) << "the window was not resized";
        EXPECT_GT(columnMean(image, 240), 20) << "no picture after the resize";
        if (stretch) {
            for (int x : {1, 478})
                EXPECT_GT(columnMean(image, x), 5.0) << "stretched, the picture fills the window at " << x;
        } else {
            const int bar = (480 - static_cast<int>(std::lround(image.height * 16.0 / 9))) / 2;
            ASSERT_GT(bar, 4) << image.height;
            for (int x : {1, bar - 2, 480 - bar + 1})
                EXPECT_LT(columnMean(image, x), 1.0) << "bar at " << x;
            for (int x : {bar + 3, 480 - bar - 4})
                EXPECT_GT(columnMean(image, x), 5.0) << "the picture starts at the bar, " << x;
        }
        ASSERT_TRUE(vornak.running());
        const double sent = vornak.elapsed();
        stretch ? (void)shell("wmctrl -i -c " + id) : vornak.signal(SIGTERM);
        const ProcessResult r = vornak.wait(30);
        EXPECT_EQ(r.status, 0) << "signal " << r.signal << "\n" << r.err;
        EXPECT_LT(r.seconds - sent, kPromptSeconds);
        EXPECT_LT(swaps.times().back() - shown, kLongTrack) << "ended by its music instead";
        EXPECT_TRUE(vornakWindow().empty()) << "the window is still there";
    }
}

TEST_F(Player, LetterboxedFramesAreUndistorted)
{
    // The candy zoom at 14 s on a 2.4:1 frame: its middle is the 16:9 frame, unstretched.
    ASSERT_EQ(run({"--capture", "wide.png", "--at", "14", "--size", "480x200"}).status, 0);
    ASSERT_EQ(run({"--capture", "normal.png", "--at", "14", "--size", "320x180"}).status, 0);
    ASSERT_EQ(run({"--capture", "stretched.png", "--at", "14", "--size", "480x200", "--stretch"}).status, 0);
    const std::string d = dir.path() + "/";
    EXPECT_LT(pictureDifference(d + "wide.png", d + "normal.png", "356x200+62+0"), 4);
    EXPECT_GT(pictureDifference(d + "stretched.png", d + "normal.png", "356x200+62+0"), 12)
        << "a stretched frame's middle is not the 16:9 frame";
}

TEST_F(Player, CaptureOfAVideoWithItsMusicOfOneFrameAndOfNumberedFrames)
{
    // 9.5 to 12 s: the finished wipe (the Easter picture), then the toys from 10 s.
    ProcessResult r = run({"--capture", "clip.mp4", "--size", "320x180", "--from", "9.5", "--to", "12"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("clip.mp4"), std::string::npos) << r.err;
    // No data/ here: the binary, in the build tree, finds the repository's.
    EXPECT_EQ(r.out, "") << "a shader failed";
    EXPECT_EQ(r.err.find("cannot"), std::string::npos) << r.err;
    EXPECT_EQ(listing(dir.path()), "clip.mp4\n");
    const std::string probe = shell("ffprobe -v error -show_entries stream=codec_type,codec_name,pix_fmt,nb_frames,"
                                    "duration -of compact " + dir.path() + "/clip.mp4");
    // Both streams as long as the stretch from --from to --to.
    std::smatch video, audio;
    ASSERT_TRUE(std::regex_search(probe, video, std::regex("h264.codec_type=video.pix_fmt=yuv420p.duration=([0-9.]+)"
                                                           ".nb_frames=150\n")) &&
                std::regex_search(probe, audio, std::regex("aac.codec_type=audio.duration=([0-9.]+)")))
        << probe;
    EXPECT_NEAR(std::stod(video[1]), 2.5, 1.0 / 60);
    EXPECT_NEAR(std::stod(audio[1]), 2.5, 1.0 / 60);
    // Decoded frames at known times are the frames of those times.
    const std::string d = dir.path() + "/";
    ASSERT_EQ(run({"--capture", "easter.png", "--at", "9.7", "--size", "320x180"}).status, 0);
    ASSERT_EQ(run({"--capture", "toys.png", "--at", "11", "--size", "320x180"}).status, 0);
    EXPECT_LT(pictureDifference(d + "toys.png", kRoot + "/data/toys.jpg"), 12) << "not the toys";
    for (const auto& [at, right, wrong] :
         {std::tuple<const char*, const char*, const char*>{"0.2", "easter.png", "toys.png"},
          {"1.5", "toys.png", "easter.png"}}) {
        SCOPED_TRACE(at);
        shell("ffmpeg -v error -y -ss " + std::string(at) + " -i " + d + "clip.mp4 -frames:v 1 " + d + "frame.png");
        EXPECT_LT(pictureDifference(d + "frame.png", d + right), 5);
        EXPECT_GT(pictureDifference(d + "frame.png", d + wrong), 20);
    }
    // 21.95 to 22.05 at 40 fps: frames at 21.95, 21.975, 22.0, 22.025.
    fs::create_directories(d + "frames");
    r = run({"--capture", "frames/%03d.png", "--size", "64x36", "--fps", "40", "--from", "21.95", "--to", "22.05"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(listing(d + "frames"), "000.png\n001.png\n002.png\n003.png\n");
    EXPECT_EQ(lines(r.err), 2) << r.err; // not a terminal: a start line and an end line
    EXPECT_NE(r.err.find("frames/000.png"), std::string::npos) << r.err;
}

// A tmpfs mounted for one test, removed after it; empty path when mounting isn't allowed here.
struct SmallDisk {
    SmallDisk(const std::string& at, const char* options)
    {
        fs::create_directories(at);
        path = mount("tmpfs", at.c_str(), "tmpfs", 0, options) == 0 ? at : "";
    }
    ~SmallDisk() { if (!path.empty()) umount(path.c_str()); }
    std::string path;
};

TEST_F(Player, FailedCapturesSayWhyAndLeaveNothingFinished)
{
    const std::string d = dir.path();
    // A stand-in ffmpeg that reads a little, complains and fails; /dev/full as the next frame's temporary file.
    dir.write("fakebin/ffmpeg", "#!/bin/sh\nhead -c 1000 >/dev/null\nfor i in 1 2 3 4 5 6 7; do echo \"complaint $i\" "
                                ">&2; done\nexit 3\n");
    fs::permissions(d + "/fakebin/ffmpeg", fs::perms::owner_all);
    fs::create_directories(d + "/out");
    dir.write("afile", "");
    fs::create_directories(d + "/full");
    fs::create_symlink("/dev/full", d + "/full/000.png.partial");
    const SmallDisk small(d + "/small", "size=64k");
    const SmallDisk readOnly(d + "/readonly", "ro,size=64k");
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    struct Case { // folder: must hold nothing that looks complete; messages: each in the error output
        const char* what; std::vector<std::string> args, env; std::string folder; std::vector<std::string> messages;
        bool needsMount = false;
    };
    const std::vector<Case> cases = {
        {"no ffmpeg", {"--capture", "out/a.mp4"}, {"PATH=/nonexistent"}, d + "/out", {"ffmpeg", "Debian"}},
        {"no such folder", {"--capture", "missing/a.mp4"}, {}, d, {"missing", "does not exist"}},
        {"a file for a folder", {"--capture", "afile/a.mp4"}, {}, d, {"afile", "not a folder"}},
        {"ffmpeg fails", {"--capture", "out/a.mp4", "--size", "64x36", "--to", "1"}, {"PATH=" + d + "/fakebin:" + path},
         d + "/out", {"status 3", "complaint 7", "complaint 3"}},
        {"disk full (PNG)", {"--capture", "full/%03d.png", "--size", "64x36", "--to", "0.5"}, {}, d + "/full",
         {"full/000.png", "No space left on device"}},
        {"disk full (video)", {"--capture", "small/a.mp4", "--size", "640x360", "--to", "3"}, {}, d + "/small",
         {"small/a.mp4", "No space left on device"}, true},
        {"read-only folder", {"--capture", "readonly/a.mp4"}, {}, d + "/readonly", {"readonly", "Read-only"}, true},
        {"too large", {"--capture", "out/a.png", "--at", "1", "--size", "90000x64"}, {}, d + "/out", {"largest"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsMount && small.path.empty()) {
            std::printf("skipped \"%s\": cannot mount a tmpfs here\n", c.what);
            continue;
        }
        const ProcessResult r = run(c.args, c.env);
        ASSERT_TRUE(r.exited) << "signal " << r.signal << "\n" << r.err;
        EXPECT_NE(r.status, 0);
        for (const std::string& m : c.messages)
            EXPECT_NE(r.err.find(m), std::string::npos) << m << " not in:\n" << r.err;
        EXPECT_EQ(shell("ls -A " + c.folder + " | grep -vxE '000.png.partial|out|afile|fakebin|full|small|readonly'"),
                  "") << "left behind";
    }
}

TEST_F(Player, InterruptedCaptureLeavesNothing)
{
    Process vornak(kBinary, {"--capture", "long.mp4", "--size", "320x180"}, dir.path());
    const double until = monotonicSeconds() + 60;
    while (!fs::exists(dir.path() + "/long.mp4.partial") && vornak.running() && monotonicSeconds() < until)
        usleep(20000);
    ASSERT_TRUE(fs::exists(dir.path() + "/long.mp4.partial")) << "the partial file takes a name that says so";
    vornak.signal(SIGINT);
    const ProcessResult r = vornak.wait(60);
    ASSERT_TRUE(r.exited) << r.err;
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("interrupted"), std::string::npos) << r.err;
    EXPECT_EQ(listing(dir.path()), "");
}

} // namespace
