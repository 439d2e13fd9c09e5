// The three example programs run for a few frames under the virtual display; the frame each saves is checked.

#include "vornak/ImageDecoder.h"

#include "support/ImageFiles.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <GL/glew.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

namespace {

using vornak_engine::DecodedImage;

constexpr int kW = 320, kH = 180;
const std::string kData = VORNAK_SOURCE_DIR "/data/";

struct Outcome {
    int status = -1; // -1: killed by a signal or by the time limit
    std::string err;
    DecodedImage frame; // RGB, rows bottom-up
};

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// Runs an example in dir with a time limit; `launcher` goes before it (such as "env -u DISPLAY").
Outcome run(const std::string& program, const std::string& args, const TempDir& dir, bool wantFrame = true,
            const std::string& launcher = "")
{
    const std::string shot = dir.path() + "/frame.png", err = dir.path() + "/stderr";
    std::remove(shot.c_str());
    Outcome r;
    shell("cd " + quoted(dir.path()) + " && exec " + launcher + " timeout 60 " + quoted(program) + " --size " +
              std::to_string(kW) + "x" + std::to_string(kH) + (wantFrame ? " --screenshot " + quoted(shot) : "") + " " +
              args + " 2>" + quoted(err), &r.status);
    r.err = readFile(err);
    if (wantFrame && r.status == 0)
        vornak_engine::decodePNG(shot.c_str(), r.frame);
    return r;
}

// Mean colour of a block of the frame, the block given in fractions from the bottom-left.
std::array<double, 3> mean(const DecodedImage& image, double fx, double fy, double size)
{
    const int x0 = static_cast<int>(fx * image.width), y0 = static_cast<int>(fy * image.height);
    const int w = std::max(1, static_cast<int>(size * image.width));
    const int h = std::max(1, static_cast<int>(size * image.height));
    const int channels = image.format == GL_RGBA ? 4 : 3;
    std::array<double, 3> sum = {0, 0, 0};
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            for (int c = 0; c < 3; ++c)
                sum[c] += image.pixels[(static_cast<std::size_t>(y) * image.width + x) * channels + c] / double(w * h);
    return sum;
}

// The frame against a picture block by block; the picture must fill the frame.
void expectShows(const DecodedImage& frame, const std::string& picture, double tolerance)
{
    DecodedImage expected;
    ASSERT_TRUE(vornak_engine::decodeJPEG(picture.c_str(), expected));
    for (double fy = 0.05; fy < 0.9; fy += 0.2)
        for (double fx = 0.05; fx < 0.9; fx += 0.2) {
            SCOPED_TRACE("block at " + std::to_string(fx) + ", " + std::to_string(fy));
            const auto got = mean(frame, fx, fy, 0.1), want = mean(expected, fx, fy, 0.1);
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(got[c], want[c], tolerance) << "channel " << c;
        }
}

// The model example clears to (0.05, 0.06, 0.09); i counts pixels from the bottom-left.
bool isBackground(const DecodedImage& f, int i)
{
    const std::uint8_t* p = f.pixels + static_cast<std::size_t>(i) * 3;
    return std::abs(p[0] - 13) <= 3 && std::abs(p[1] - 15) <= 3 && std::abs(p[2] - 23) <= 3;
}

// A UV sphere of radius 2 around (5, -1, 0) in quads, without normals.
std::string sphere()
{
    const int rings = 48, segments = 96;
    std::ostringstream obj;
    for (int k = 0; k < (rings + 1) * segments; ++k) { // vertex k + 1: ring k / segments, segment k % segments
        const double a = M_PI * (k / segments) / rings, b = 2 * M_PI * (k % segments) / segments, r = 2 * std::sin(a);
        obj << "v " << 5 + r * std::cos(b) << ' ' << -1 + 2 * std::cos(a) << ' ' << r * std::sin(b) << '\n';
    }
    for (int k = 0; k < rings * segments; ++k) {
        const int next = k - k % segments + (k + 1) % segments; // the same ring's next vertex
        obj << "f " << k + 1 << ' ' << k + 1 + segments << ' ' << next + 1 + segments << ' ' << next + 1 << '\n';
    }
    return obj.str();
}

TEST(Examples, QuadShowsThePictureFittedToTheWindow)
{
    TempDir dir;
    Outcome wide = run(VORNAK_QUAD, "--frames 3", dir); // 16:9 like the window: fills it, the right way up
    ASSERT_TRUE(wide.status == 0 && wide.frame.width == kW && wide.frame.height == kH)
        << wide.err << wide.frame.width << "x" << wide.frame.height;
    expectShows(wide.frame, kData + "christmas.jpg", 14);
    SCOPED_TRACE("a square PNG keeps its shape between black bars");
    const std::string square = dir.write("square.png", testimg::encodePNG(64, 64, testimg::Pixels(64 * 64 * 3, 255)));
    Outcome r = run(VORNAK_QUAD, "--picture " + quoted(square), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const double bar = (kW - kH) / 2.0 / kW; // fraction of the width on each side
    for (double fx : {0.02, bar - 0.03, 1 - bar + 0.01, 0.97})
        EXPECT_LT(mean(r.frame, fx, 0.45, 0.02)[0], 2) << "bar at " << fx;
    for (double fx : {bar + 0.01, 0.5, 1 - bar - 0.03})
        EXPECT_GT(mean(r.frame, fx, 0.45, 0.02)[0], 253) << "picture at " << fx;
}

TEST(Examples, ModelFramesAnyModelLitAndTurning)
{
    TempDir dir;
    // Scaled to radius 1, seen from 3.6 units with a 35 degree field of view: a circle of this radius in pixels.
    const double radius = std::tan(std::asin(1 / 3.6)) / std::tan(17.5 * M_PI / 180) * kH / 2;
    const double expected = M_PI * radius * radius / (kW * kH);
    // No normals in the file: lit through generated ones (the gift sample brings its own).
    Outcome r = run(VORNAK_MODEL, "--obj " + quoted(dir.write("sphere.obj", sphere())) + " --frames 2", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    long covered = 0;
    for (int i = 0; i < kW * kH; ++i)
        covered += !isBackground(r.frame, i);
    EXPECT_NEAR(static_cast<double>(covered) / (kW * kH), expected, expected * 0.03);
    const auto lit = mean(r.frame, 0.40, 0.62, 0.03), shade = mean(r.frame, 0.58, 0.36, 0.03);
    EXPECT_GT(lit[0], 150) << "the key light falls on the upper left";
    EXPECT_GT(lit[0], shade[0] + 40);
    SCOPED_TRACE("the example's own model turns");
    Outcome first = run(VORNAK_MODEL, "--frames 1", dir), later = run(VORNAK_MODEL, "--frames 90", dir);
    ASSERT_TRUE(first.status == 0 && later.status == 0) << first.err << later.err;
    long changed = 0;
    for (int i = 0; i < kW * kH; ++i)
        changed += isBackground(first.frame, i) != isBackground(later.frame, i);
    EXPECT_GT(changed, kW * kH / 50);
}

// The sample: quads with a picture and no normals, a ribbon with normals, a bauble without, three materials.
TEST(Examples, ModelDrawsAnExportedModelWithItsMaterials)
{
    TempDir dir;
    const std::string gift = quoted(VORNAK_SOURCE_DIR "/examples/gift.obj");
    const std::string info = "env -u DISPLAY " + quoted(VORNAK_MODEL) + " --info";
    // The default model's summary only once the gift's succeeded.
    EXPECT_EQ(shell(info + " --obj " + gift + " && " + info),
              "triangles 316, vertices 202, materials 3\ntriangles 5120, vertices 2560, materials 1\n");
    Outcome first = run(VORNAK_MODEL, "--obj " + gift + " --angle 30 --frames 2", dir);
    ASSERT_TRUE(first.status == 0 && first.err.empty()) << first.status << ": " << first.err;
    Outcome again = run(VORNAK_MODEL, "--obj " + gift + " --angle 30 --frames 5", dir);
    Outcome turned = run(VORNAK_MODEL, "--obj " + gift + " --angle 120", dir);
    ASSERT_TRUE(again.status == 0 && turned.status == 0);
    const std::size_t bytes = static_cast<std::size_t>(kW) * kH * 3;
    EXPECT_EQ(std::memcmp(first.frame.pixels, again.frame.pixels, bytes), 0) << "--angle: the same frame every time";
    EXPECT_NE(std::memcmp(first.frame.pixels, turned.frame.pixels, bytes), 0) << "another frame at another angle";
    // The paper's green and white, the ribbon's red and the bauble's gold all show.
    long green = 0, white = 0, red = 0, gold = 0;
    for (int i = 0; i < kW * kH; ++i) {
        const int r = first.frame.pixels[3 * i], g = first.frame.pixels[3 * i + 1], b = first.frame.pixels[3 * i + 2];
        green += g > r + 30 && g > b + 20;
        white += r > 150 && g > 150 && b > 140 && std::abs(r - b) < 40;
        red += r > g + 80 && r > b + 60 && g < 110;
        gold += r > 150 && g > 100 && b < g - 40 && r > g;
    }
    EXPECT_TRUE(green > kW * kH / 40 && white > kW * kH / 400 && red > kW * kH / 100 && gold > kW * kH / 400)
        << "green " << green << ", white " << white << ", red " << red << ", gold " << gold;
}

TEST(Examples, RegistryDrawsItsSlidesInTurn)
{
    TempDir dir;
    // The ripple (candy) moves texels by at most 1.2 % and shades them by 6 %; the sepia slide (toys) has faded
    // in from white half a second in: red over green over blue.
    for (const auto& [frames, picture] : {std::pair<int, const char*>{1, "christmas.jpg"}, {151, "toys.jpg"},
                                          {241, "candy.jpg"}}) {
        SCOPED_TRACE(picture);
        Outcome r = run(VORNAK_REGISTRY, "--frames " + std::to_string(frames), dir);
        ASSERT_TRUE(r.status == 0 && r.err.empty()) << r.status << ": " << r.err;
        if (frames != 151)
            expectShows(r.frame, kData + picture, frames == 1 ? 14 : 30);
        else
            for (double fx : {0.1, 0.5, 0.8}) {
                const auto c = mean(r.frame, fx, 0.5, 0.1);
                EXPECT_TRUE(c[0] > c[1] && c[1] > c[2]) << fx << ": " << c[0] << ", " << c[1] << ", " << c[2];
            }
    }
}

// Bad input: one line naming the fault (and the usage for a bad command line), status 1 for a file, 2 for the
// command line, the latter before any window opens.
TEST(Examples, BadInputGivesOneLineAndAFailingStatus)
{
    TempDir dir;
    const std::string model = VORNAK_MODEL, missing = dir.path() + "/absent.obj";
    const std::string notes = dir.write("notes.obj", "shopping list\nmilk\n");
    const std::string broken = dir.write("broken.obj", "v 0 0 0\nf 1 2 3\n");
    const std::string cfg = dir.write("empty.cfg", "# nothing here\n");
    const std::string frames = std::string(VORNAK_QUAD) + ": --frames wants a whole number from 1 to 100000";
    const struct { const char* program; std::string args; int status; std::string line; bool usage; } cases[] = {
        {VORNAK_QUAD, "--picture nowhere.jpg", 1, "nowhere.jpg: cannot open: No such file or directory", false},
        {VORNAK_MODEL, "--obj " + quoted(missing), 1, missing + ": cannot open: No such file or directory", false},
        {VORNAK_MODEL, "--obj " + quoted(notes), 1, notes + ": no triangles to draw", false},
        // The engine's own summary says it all; the example adds nothing.
        {VORNAK_MODEL, "--obj " + quoted(broken), 1,
         broken + ": 1 face with a position index out of range dropped (first at line 2)", false},
        {VORNAK_REGISTRY, "--config " + quoted(cfg), 1, cfg + ": no shader 'plain' or picture 'christmas'", false},
        {VORNAK_MODEL, "--angle north", 2, model + ": --angle wants a number of degrees, not north", false},
        {VORNAK_QUAD, "--frames x", 2, frames, true}, {VORNAK_QUAD, "--frames 0", 2, frames, true},
        {VORNAK_MODEL, "--size 12x9000", 2, model + ": --size wants WxH, such as 960x540", true},
        {VORNAK_MODEL, "--obj", 2, model + ": unknown option or missing value: --obj", true},
        {VORNAK_REGISTRY, "--obj x.obj", 2, std::string(VORNAK_REGISTRY) + ": unknown option: --obj", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        // DISPLAY unset: reaching the window would fail with status 1 instead.
        Outcome r = run(c.program, c.args, dir, false, c.status == 2 ? "env -u DISPLAY" : "");
        EXPECT_EQ(r.status, c.status);
        const std::string want = c.line + (c.usage ? "\nusage: " : "\n"); // the usage goes on after
        EXPECT_EQ(c.usage ? r.err.substr(0, want.size()) : r.err, want);
    }
}

} // namespace
