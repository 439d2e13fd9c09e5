// The show core on a real context: the built-in show from its file against the
// schedule made in code, shared pictures, reloads, pictures of any shape, and
// shaders of a show's own.

#include "demo/Christmas.h"
#include "demo/DataFolder.h"
#include "demo/ShowCore.h"
#include "demo/ShowFile.h"
#include "support/GLTest.h"
#include "support/ImageFiles.h"
#include "support/ShowFixture.h"
#include "support/TempDir.h"

#include <cmath>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Frame = std::vector<std::uint8_t>;

class ShowCoreTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_EQ(chdir(VORNAK_SOURCE_DIR), 0);
        setDataFolder("data");
    }

    static Frame drawn(ShowCore& core, double t)
    {
        core.replayTo(t);
        core.frame(t, kWidth, kHeight, true);
        return frame();
    }

    // A show of one file's text, in a folder of its own; null (with a failure) when it does not read.
    std::unique_ptr<ShowCore> showOf(const std::string& text)
    {
        ShowPlan plan;
        std::string error;
        if (!readShowFile(dir.write("show.toml", text), plan, error)) {
            ADD_FAILURE() << error;
            return nullptr;
        }
        auto core = std::make_unique<ShowCore>(plan);
        core->init(kWidth, kHeight);
        return core;
    }

    TempDir dir;
};

// Demos made in code are never deleted; kept here they stay reachable for leak checkers.
std::vector<Christmas*>& kept = *new std::vector<Christmas*>;

TEST_F(ShowCoreTest, TheBuiltInShowFileDrawsTheScheduleMadeInCode)
{
    Christmas* code = loadShowFromSource(kWidth, kHeight);
    ASSERT_NE(code, nullptr);
    kept.push_back(code);
    auto file = loadCoreFromSource(kWidth, kHeight, true);
    ASSERT_NE(file, nullptr);
    // A time inside every scene, and each boundary with the frames either side of it.
    std::vector<double> times = {1, 3.8, 5, 9, 11, 14.5, 16, 19, 21, 23};
    for (double b : file->boundaries()) {
        for (double d : {-1.0 / 60, 0.0, 1.0 / 60})
            times.push_back(b + d);
    }
    for (double t : times) {
        if (t < 0)
            continue;
        SCOPED_TRACE(t);
        code->replayTo(t, ShowCore::kReplayFps);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        code->show(t);
        const Frame expected = frame();
        EXPECT_TRUE(drawn(*file, t) == expected) << "differs from the scenes made in code";
    }
    // What the shells used to say of it: names, boundaries and length.
    EXPECT_EQ(file->namesAt(1), "title");
    EXPECT_EQ(file->namesAt(9), "wipe + overlay");
    EXPECT_EQ(file->namesAt(14), "candy + overlay");
    EXPECT_EQ(file->namesAt(18), "church + overlay");
    EXPECT_EQ(file->namesAt(11), "toys + overlay");
    EXPECT_EQ(file->namesAt(10), "overlay");
    EXPECT_EQ(file->namesAt(23), "no scene");
    EXPECT_EQ(file->boundaries(), (std::vector<double>{0, 2.6, 8, 10, 13, 16.7, 20.3, 22}));
    EXPECT_EQ(file->length(), 22) << "without its music's length, the last scene's end";
    file->setMusicLength(24.1);
    EXPECT_EQ(file->length(), 24.1);
    EXPECT_TRUE(file->warnings(24.1).empty());
    EXPECT_EQ(file->warnings(21).size(), 2u) << "the second wipe and the overlay end after 21 s";
    EXPECT_EQ(file->innermostAt(14)->name(), "candy") << "the scene, not the overlay that spans it";
}

TEST_F(ShowCoreTest, OnePictureOneTextureAndAReloadReachesEveryScene)
{
    auto core = loadCoreFromSource(kWidth, kHeight);
    ASSERT_NE(core, nullptr);
    Resources& resources = core->show().resources();
    // Seven picture files, five programs (the sprite with default, doubletex, circle, religion, religion-light).
    EXPECT_EQ(resources.pictureCount(), 7u);
    EXPECT_EQ(resources.programCount(), 5u);
    EXPECT_EQ(resources.pictureBytes(), 6u * 1920 * 1080 * 4 + 480u * 194 * 4);

    // The title and both wipes draw christmas.jpg: a red one reaches all three.
    TempDir data;
    for (const char* name : {"sprite.vs", "default.fs", "doubletex.fs", "circle.fs", "religion.fs",
                             "religion-light.fs", "title.png", "easter.jpg", "toys.jpg", "candy.jpg", "religion.jpg",
                             "skipad.jpg", "christmas.jpg", "show.toml"})
        data.copy(std::string("data/") + name, name);
    ShowPlan plan;
    std::string error;
    ASSERT_TRUE(readShowFile(data.path() + "/show.toml", plan, error)) << error;
    ShowCore copy(plan);
    copy.init(kWidth, kHeight);
    const testimg::Pixels red = [] {
        testimg::Pixels p;
        for (int i = 0; i < 64 * 36; ++i)
            p.insert(p.end(), {255, 0, 0});
        return p;
    }();
    data.write("christmas.jpg", testimg::encodeJPEG(64, 36, red));
    copy.reload({data.path() + "/christmas.jpg"});
    for (double t : {1.0, 2.7, 20.35}) {
        SCOPED_TRACE(t);
        drawn(copy, t);
        EXPECT_TRUE(near(pixelAt(0.1, 0.5), {255, 0, 0, 255}, 40)) << "the scene still draws the old picture";
    }
}

// Pictures of 4:3 and portrait shape: blue across their top quarter, red below.
std::string twoTone(int width, int height)
{
    testimg::Pixels p;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (y < height / 4)
                p.insert(p.end(), {0, 0, 255});
            else
                p.insert(p.end(), {255, 0, 0});
        }
    }
    return testimg::encodePNG(width, height, p);
}

TEST_F(ShowCoreTest, PicturesOfAnyShapeFillOrFitTheFrame)
{
    dir.write("wide.png", twoTone(160, 120));
    dir.write("tall.png", twoTone(120, 160));
    auto core = showOf("[[scene]]\nkind = \"still\"\nstart = 0\nend = 1\npicture = \"wide.png\"\n"
                       "[[scene]]\nkind = \"still\"\nstart = 1\nend = 2\npicture = \"wide.png\"\nfit = \"contain\"\n"
                       "[[scene]]\nkind = \"still\"\nstart = 2\nend = 3\npicture = \"tall.png\"\nfit = \"contain\"\n"
                       "[[scene]]\nkind = \"zoom\"\nstart = 3\nend = 4\npicture = \"tall.png\"\n");
    ASSERT_NE(core, nullptr);
    const Rgba blue{0, 0, 255, 255}, red{255, 0, 0, 255}, black{0, 0, 0, 255};
    // Cover, 4:3: the full width, a strip cut from top and bottom: the blue is a sixth of the height.
    drawn(*core, 0.5);
    EXPECT_TRUE(near(pixelAt(0.02, 0.95), blue, 8));
    EXPECT_TRUE(near(pixelAt(0.98, 0.88), blue, 8));
    EXPECT_TRUE(near(pixelAt(0.5, 0.78), red, 8));
    EXPECT_TRUE(near(pixelAt(0.5, 0.02), red, 8));
    // Contain, 4:3: all of it, centred, black bars of an eighth of the width each side.
    drawn(*core, 1.5);
    EXPECT_TRUE(near(pixelAt(0.06, 0.5), black, 8));
    EXPECT_TRUE(near(pixelAt(0.94, 0.5), black, 8));
    EXPECT_TRUE(near(pixelAt(0.2, 0.9), blue, 8)) << "the top quarter, uncut";
    EXPECT_TRUE(near(pixelAt(0.2, 0.7), red, 8));
    // Contain, portrait: a narrow picture in the middle.
    drawn(*core, 2.5);
    EXPECT_TRUE(near(pixelAt(0.25, 0.5), black, 8));
    EXPECT_TRUE(near(pixelAt(0.5, 0.9), blue, 8));
    EXPECT_TRUE(near(pixelAt(0.5, 0.5), red, 8));
    // Cover, portrait, on another kind: the middle of the picture, red edge to edge.
    drawn(*core, 3.01);
    EXPECT_TRUE(near(pixelAt(0.02, 0.98), red, 8));
    EXPECT_TRUE(near(pixelAt(0.98, 0.02), red, 8));
    // One file in two framings is two textures; in one framing one, however many scenes draw it.
    EXPECT_EQ(core->show().resources().pictureCount(), 4u);
}

TEST_F(ShowCoreTest, APhotoIsHeldNoLargerThanTheFrameItFills)
{
    // A 4:3 photo of 2880x2160 behind a name that says PNG: read by its content, reduced to
    // cover a 1920x1080 frame (the least a show holds), then cut to it.
    testimg::Pixels grey(static_cast<std::size_t>(2880) * 2160 * 3, 128);
    dir.write("photo.png", testimg::encodeJPEG(2880, 2160, grey));
    auto core = showOf("[[scene]]\nkind = \"still\"\nstart = 0\nend = 1\npicture = \"photo.png\"\n");
    ASSERT_NE(core, nullptr);
    drawn(*core, 0.5);
    EXPECT_TRUE(near(pixelAt(0.5, 0.5), {128, 128, 128, 255}, 3));
    EXPECT_EQ(core->show().resources().pictureBytes(), 1920u * 1080 * 4);
}

// How much of the frame's band of rows (fractions from the bottom) differs between two frames.
double changedIn(const Frame& a, const Frame& b, double from, double to)
{
    int changed = 0, all = 0;
    for (int y = static_cast<int>(from * GLTest::kHeight); y < static_cast<int>(to * GLTest::kHeight); ++y) {
        for (int x = 0; x < GLTest::kWidth; ++x, ++all) {
            const std::size_t i = (static_cast<std::size_t>(y) * GLTest::kWidth + x) * 4;
            changed += std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]) > 24;
        }
    }
    return static_cast<double>(changed) / all;
}

TEST_F(ShowCoreTest, WordsLieWherePlacedAndATitlesWordsStandInForItsOverlay)
{
    auto core = showOf("[[scene]]\nkind = \"still\"\nstart = 0\nend = 1\npicture = \"christmas.jpg\"\n"
                       "[[scene]]\nkind = \"title\"\nstart = 1\nend = 2\npicture = \"christmas.jpg\"\n"
                       "text = \"Joyeux Noël\"\nposition = \"middle\"\n"
                       "[[scene]]\nkind = \"still\"\nstart = 2\nend = 3\npicture = \"christmas.jpg\"\n"
                       "text = \"Καλά Χριστούγεννα\\nС Рождеством\"\nposition = \"top\"\ncolour = \"#ffd700\"\n");
    ASSERT_NE(core, nullptr);
    const Frame plain = drawn(*core, 0.5), title = drawn(*core, 1.5), top = drawn(*core, 2.5);
    // The title's words in the middle band, nothing laid over the rest of its picture.
    EXPECT_GT(changedIn(title, plain, 0.4, 0.6), 0.05);
    EXPECT_EQ(changedIn(title, plain, 0.0, 0.3), 0.0);
    EXPECT_EQ(changedIn(title, plain, 0.7, 1.0), 0.0);
    // Two lines at the top, Greek and Cyrillic in ink.
    EXPECT_GT(changedIn(top, plain, 0.8, 0.94), 0.05);
    EXPECT_GT(changedIn(top, plain, 0.7, 0.8), 0.02) << "the second line";
    EXPECT_EQ(changedIn(top, plain, 0.0, 0.5), 0.0);
}

TEST_F(ShowCoreTest, AShowsOwnShaderGetsTheKindsUniformsAndIsDrawnWhole)
{
    dir.write("green.fs", "#version 410 core\nin vec2 uv;\nuniform sampler2D img;\nuniform float zscore;\n"
                          "out vec4 color;\nvoid main() { color = vec4(texture(img, uv).r * 0.0, zscore * 10.0, "
                          "0.0, 1.0); }\n");
    dir.write("half.fs", "#version 410 core\nin vec2 uv;\nuniform sampler2D chrimg;\nuniform sampler2D easimg;\n"
                         "uniform float degree;\nout vec4 color;\n"
                         "void main() { color = uv.x * 6.28 < degree ? texture(easimg, uv) : texture(chrimg, uv); }\n");
    auto core = showOf("[[scene]]\nkind = \"still\"\nstart = 0\nend = 1\npicture = \"toys.jpg\"\nshader = \"green.fs\"\n"
                       "[[scene]]\nkind = \"wipe\"\nstart = 1\nend = 3\ncomplete = 2\nfrom = \"christmas.jpg\"\n"
                       "to = \"toys.jpg\"\nshader = \"half.fs\"\n");
    ASSERT_NE(core, nullptr);
    drawn(*core, 0.5);
    EXPECT_TRUE(near(pixelAt(0.3, 0.3), {0, 255, 0, 255}, 2)) << "zscore 0.1 reaches the show's shader";
    // Past the kind's own ceiling the show's shader is still drawn: its left part shows "to", its right "from".
    const Frame wipe = drawn(*core, 2.9);
    auto toys = showOf("[[scene]]\nkind = \"still\"\nstart = 0\nend = 1\npicture = \"toys.jpg\"\n"
                       "[[scene]]\nkind = \"still\"\nstart = 1\nend = 2\npicture = \"christmas.jpg\"\n");
    ASSERT_NE(toys, nullptr);
    const Frame toysFrame = drawn(*toys, 0.5);
    const Frame christmasFrame = drawn(*toys, 1.5);
    const auto at = [](const Frame& f, int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * kWidth + x) * 4;
        return Rgba{f[i], f[i + 1], f[i + 2], f[i + 3]};
    };
    EXPECT_TRUE(near(at(wipe, 100, 180), at(toysFrame, 100, 180), 2));
    EXPECT_TRUE(near(at(wipe, 630, 180), at(christmasFrame, 630, 180), 2));
}

} // namespace
