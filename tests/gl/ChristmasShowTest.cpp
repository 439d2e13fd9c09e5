// The show as a viewer sees it: the real Christmas demo drawn into the
// fixture's window at chosen times, probed against its own pictures.

#include "demo/CandyScene.h"
#include "demo/Christmas.h"
#include "demo/CircleTrans.h"
#include "demo/ReligionScene.h"
#include "demo/SkipAdOverlay.h"
#include "demo/SpriteTest.h"
#include "demo/ToyScene.h"
#include "support/GLTest.h"
#include "support/ShowFixture.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using vornak_engine::Texture;

// A texture's image on the CPU, sampled the way GL_LINEAR with repeat does.
struct Picture {
    explicit Picture(Texture* texture) { bytes = GLTest::textureImage(texture->getTexID(), &width, &height); }

    Rgba sample(double u, double v) const
    {
        const double x = u * width - 0.5, y = v * height - 0.5;
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        const double fx = x - x0, fy = y - y0;
        Rgba out{};
        for (int c = 0; c < 4; ++c) {
            const double top = texel(x0, y0 + 1, c) * (1 - fx) + texel(x0 + 1, y0 + 1, c) * fx;
            const double bottom = texel(x0, y0, c) * (1 - fx) + texel(x0 + 1, y0, c) * fx;
            out[c] = static_cast<int>(std::lround(bottom * (1 - fy) + top * fy));
        }
        return out;
    }

    int texel(int x, int y, int c) const
    {
        x = ((x % width) + width) % width;
        y = ((y % height) + height) % height;
        return bytes[(static_cast<std::size_t>(y) * width + x) * 4 + c];
    }

    int width = 0, height = 0;
    std::vector<std::uint8_t> bytes;
};

// Mean absolute colour difference between the frame and an expectation over
// a grid of probe points (window fractions) inside the given box.
double meanError(const std::function<Rgba(double, double)>& expected, double x0 = 0.02, double y0 = 0.02,
                 double x1 = 0.98, double y1 = 0.98, int steps = 9)
{
    double total = 0;
    int count = 0;
    for (int i = 0; i < steps; ++i) {
        for (int j = 0; j < steps; ++j) {
            const int px = static_cast<int>((x0 + (x1 - x0) * i / (steps - 1)) * GLTest::kWidth);
            const int py = static_cast<int>((y0 + (y1 - y0) * j / (steps - 1)) * GLTest::kHeight);
            const Rgba got = GLTest::pixel(px, py);
            const Rgba want = expected((px + 0.5) / GLTest::kWidth, (py + 0.5) / GLTest::kHeight);
            for (int c = 0; c < 3; ++c)
                total += std::abs(got[c] - want[c]);
            count += 3;
        }
    }
    return total / count;
}

// Probes kept off the overlay's corner (x > 0.88, y < 0.15).
double fullScreenError(const Picture& p)
{
    return meanError([&](double u, double v) { return p.sample(u, v); }, 0.02, 0.2, 0.98, 0.98);
}

class ChristmasShow : public GLTest {
protected:
    static void SetUpTestSuite()
    {
        GLTest::SetUpTestSuite();
        demo = loadShowFromSource(kWidth, kHeight);
        ASSERT_NE(demo, nullptr);
        ASSERT_EQ(demo->scenes.size(), 7u);
        // Find each scene by its kind, so a wrong order fails the tests instead of crashing them.
        for (vornak_engine::Scene* scene : demo->scenes) {
            if (auto* wipe = dynamic_cast<CircleTrans*>(scene))
                (firstWipe ? secondWipe : firstWipe) = wipe;
            candy = candy ? candy : dynamic_cast<CandyScene*>(scene);
            title = title ? title : dynamic_cast<SpriteTest*>(scene);
            toys = toys ? toys : dynamic_cast<ToyScene*>(scene);
            religion = religion ? religion : dynamic_cast<ReligionScene*>(scene);
            overlay = overlay ? overlay : dynamic_cast<SkipAdOverlay*>(scene);
        }
        ASSERT_TRUE(firstWipe && secondWipe && candy && title && toys && religion && overlay);
        if (firstWipe->start > secondWipe->start)
            std::swap(firstWipe, secondWipe);
        christmas = std::make_unique<Picture>(title->picture);
        titlePicture = std::make_unique<Picture>(title->title);
        easter = std::make_unique<Picture>(firstWipe->easterPicture);
        toysPicture = std::make_unique<Picture>(toys->texture);
        candyPicture = std::make_unique<Picture>(candy->texture);
        religionPicture = std::make_unique<Picture>(religion->texture);
        skipAd = std::make_unique<Picture>(overlay->texture);
    }

    void SetUp() override
    {
        GLTest::SetUp();
        // The demo's own state, which the fixture's reset undid.
        glClearColor(0, 0, 0, 0);
        glEnable(GL_DEPTH_TEST);
    }

    // Fills the frame with a colour no scene draws, so "nothing cleared" shows.
    static void fillSentinel()
    {
        glClearColor(1, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
    }

    static void showAt(double t)
    {
        fillSentinel();
        demo->show(t);
        glFinish();
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "at t = " << t;
    }

    static float uniform(GLuint program, const char* name)
    {
        float value = -1;
        glGetUniformfv(program, glGetUniformLocation(program, name), &value);
        return value;
    }

    static inline Christmas* demo = nullptr;
    static inline CircleTrans* firstWipe = nullptr;
    static inline CircleTrans* secondWipe = nullptr;
    static inline CandyScene* candy = nullptr;
    static inline SpriteTest* title = nullptr;
    static inline ToyScene* toys = nullptr;
    static inline ReligionScene* religion = nullptr;
    static inline SkipAdOverlay* overlay = nullptr;
    static inline std::unique_ptr<Picture> christmas, titlePicture, easter, toysPicture, candyPicture,
        religionPicture, skipAd;
};

TEST_F(ChristmasShow, ScheduleInListOrder)
{
    const std::vector<vornak_engine::Scene*> expected = {firstWipe, candy, title, toys, secondWipe, religion, overlay};
    EXPECT_EQ(demo->scenes, expected);
    const double windows[7][2] = {{2.6, 10}, {13, 16.7}, {0, 2.6}, {10, 13}, {20.3, 22}, {16.7, 20.3}, {8, 22}};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(expected[i]->start, windows[i][0]) << "entry " << i;
        EXPECT_EQ(expected[i]->end, windows[i][1]) << "entry " << i;
    }
    EXPECT_EQ(firstWipe->transitionEnd, 5);
    EXPECT_EQ(secondWipe->transitionEnd, 22);
}

TEST_F(ChristmasShow, TitleLiesOverTheChristmasPicture)
{
    showAt(1.0);
    const double overBoth = meanError([](double u, double v) {
        const Rgba p = christmas->sample(u, v), t = titlePicture->sample(u, v);
        Rgba out{};
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<int>(std::lround(p[c] + (t[c] - p[c]) * (t[3] / 255.0)));
        return out;
    }, 0.02, 0.02, 0.98, 0.98, 15);
    EXPECT_LT(overBoth, 4.0);
    // The title really is there: the bare picture differs where letters are.
    EXPECT_GT(meanError([](double u, double v) { return christmas->sample(u, v); }, 0.02, 0.02, 0.98, 0.98, 15),
              overBoth + 1.0);
}

TEST_F(ChristmasShow, WipeTurnsLikeAClockHand)
{
    showAt(3.8); // half way through the first sweep
    // Right of twelve o'clock the Easter picture has come in; left of it, not yet.
    EXPECT_LT(meanError([](double u, double v) { return easter->sample(u, v); }, 0.55, 0.2, 0.98, 0.9, 6), 4.0);
    EXPECT_LT(meanError([](double u, double v) { return christmas->sample(u, v); }, 0.02, 0.1, 0.45, 0.9, 6), 4.0);

    for (double t : {5.0, 9.0}) {
        SCOPED_TRACE(t);
        showAt(t);
        EXPECT_LT(fullScreenError(*easter), 4.0) << "at its ceiling the wipe has finished";
        EXPECT_NEAR(uniform(firstWipe->program->getProgramID(), "degree"), 6.28 * 0.96, 1e-5);
    }
}

TEST_F(ChristmasShow, OverlaySitsInTheLowerRightOverThePicture)
{
    // x from 0.765 to 1.015 and y from -0.89 to -0.71 in device coordinates.
    const auto inside = [](double u, double v) {
        const double x = u * 2 - 1, y = v * 2 - 1;
        return skipAd->sample((x - 0.765) / 0.25, (y + 0.89) / 0.18);
    };
    for (double t : {9.0, 21.0}) {
        SCOPED_TRACE(t);
        showAt(t);
        EXPECT_LT(meanError(inside, 0.89, 0.06, 0.99, 0.14, 7), 6.0);
        // Just outside the rectangle the full-screen picture is untouched.
        // Just outside the rectangle the wipe's picture (Easter there, at both times) is untouched.
        EXPECT_LT(meanError([](double u, double v) { return easter->sample(u, v); }, 0.89, 0.005, 0.99, 0.045, 5),
                  6.0);
        EXPECT_LT(meanError([](double u, double v) { return easter->sample(u, v); }, 0.80, 0.06, 0.87, 0.14, 5),
                  6.0);
    }
    float m[16];
    glGetUniformfv(overlay->program->getProgramID(),
                   glGetUniformLocation(overlay->program->getProgramID(), "pmatrix"), m);
    const float expected[16] = {0.125f, 0, 0, 0, 0, 0.09f, 0, 0, 0, 0, 0.125f, 0, 0.89f, -0.8f, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m[i], expected[i]) << "element " << i;
    EXPECT_FLOAT_EQ(uniform(overlay->program->getProgramID(), "zscore"), 0.09f);
}

TEST_F(ChristmasShow, ToysCandyAndChurchInTurn)
{
    showAt(11.0);
    EXPECT_LT(fullScreenError(*toysPicture), 4.0);

    showAt(14.0);
    // The zoom has barely begun in its first frame.
    EXPECT_LT(meanError([](double u, double v) { return candyPicture->sample(u, v); }, 0.3, 0.3, 0.7, 0.7), 6.0);

    showAt(18.0);
    // The church window comes from its picture, recoloured by the light: compare shapes, not colours.
    double sxy = 0, sxx = 0, syy = 0, sx = 0, sy = 0;
    int n = 0;
    for (int i = 0; i < 20; ++i) {
        for (int j = 0; j < 12; ++j) {
            const double u = 0.03 + 0.94 * i / 19, v = 0.2 + 0.78 * j / 11;
            const Rgba got = pixelAt(u, v), want = religionPicture->sample(u, v);
            const double a = got[0] + got[1] + got[2], b = want[0] + want[1] + want[2];
            sx += a, sy += b, sxx += a * a, syy += b * b, sxy += a * b, ++n;
        }
    }
    const double correlation = (sxy - sx * sy / n) / std::sqrt((sxx - sx * sx / n) * (syy - sy * sy / n));
    EXPECT_GT(correlation, 0.8);
    const float mix = uniform(religion->program->getProgramID(), "mixrate");
    EXPECT_NEAR(mix, (18.0 - 16.7) / 3.6, 1e-6);
}

TEST_F(ChristmasShow, BoundaryInstantsNeitherDrawNorClear)
{
    const Rgba sentinel{255, 0, 255, 255};
    for (double t : {2.6, 22.0, 22.5, 30.0}) {
        SCOPED_TRACE(t);
        showAt(t);
        for (auto [u, v] : {std::pair{0.5, 0.5}, {0.05, 0.05}, {0.95, 0.1}, {0.95, 0.95}})
            EXPECT_TRUE(near(pixelAt(u, v), sentinel, 0));
    }
    // Between two full-screen scenes only the overlay, which never clears, draws.
    for (double t : {10.0, 13.0, 16.7, 20.3}) {
        SCOPED_TRACE(t);
        showAt(t);
        for (auto [u, v] : {std::pair{0.5, 0.5}, {0.05, 0.05}, {0.95, 0.95}, {0.8, 0.1}})
            EXPECT_TRUE(near(pixelAt(u, v), sentinel, 0));
        EXPECT_LT(meanError([](double u, double v) {
            return skipAd->sample((u * 2 - 1 - 0.765) / 0.25, (v * 2 - 1 + 0.89) / 0.18);
        }, 0.89, 0.06, 0.99, 0.14, 5), 6.0);
    }
}

TEST_F(ChristmasShow, WipeAnglesAndMixRate)
{
    struct Case {
        CircleTrans* wipe;
        double t;
        float degree;
    };
    const Case cases[] = {{firstWipe, 3.8, 3.14f}, {firstWipe, 4.904, 6.0288f}, {firstWipe, 7.0, 6.0288f},
                          {firstWipe, 9.99, 6.0288f}, {secondWipe, 21.15, 3.14f}, {secondWipe, 21.9, 5.9106f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.t);
        fillSentinel();
        c.wipe->show(c.t);
        EXPECT_NEAR(uniform(c.wipe->program->getProgramID(), "degree"), c.degree, 1e-3);
    }
    for (double t : {16.7001, 17.0, 19.0, 20.2999}) {
        religion->show(t);
        const float mix = uniform(religion->program->getProgramID(), "mixrate");
        EXPECT_GT(mix, 0.0f) << t;
        EXPECT_LT(mix, 1.0f) << t;
    }
}

TEST_F(ChristmasShow, CandyZoomGrowsOnEveryFrame)
{
    float previous = candy->matrix.m[0];
    for (double t : {13.5, 13.5, 14.0, 16.0, 16.0}) {
        candy->show(t);
        EXPECT_GT(candy->matrix.m[0], previous) << "t = " << t;
        EXPECT_EQ(candy->matrix.m[0], candy->matrix.m[5]);
        EXPECT_EQ(candy->matrix.m[10], 1.0f);
        previous = candy->matrix.m[0];
    }
}

TEST_F(ChristmasShow, PicturesMetTexelForTexelShowTheirOwnTexels)
{
    // A 1920x1080 viewport puts the show's pictures texel for texel on the
    // window, which then holds its bottom-left corner.
    glViewport(0, 0, 1920, 1080);
    struct Case {
        double t;
        std::function<Rgba(int, int)> expected;
    };
    const Case cases[] = {
        {1.0, [](int x, int y) {
             Rgba out{0, 0, 0, 255};
             const int a = titlePicture->texel(x, y, 3);
             for (int c = 0; c < 3; ++c)
                 out[c] = (christmas->texel(x, y, c) * (255 - a) + titlePicture->texel(x, y, c) * a + 127) / 255;
             return out;
         }},
        {9.0, [](int x, int y) { return Rgba{easter->texel(x, y, 0), easter->texel(x, y, 1), easter->texel(x, y, 2), 255}; }},
        {11.0, [](int x, int y) {
             return Rgba{toysPicture->texel(x, y, 0), toysPicture->texel(x, y, 1), toysPicture->texel(x, y, 2), 255};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.t);
        showAt(c.t);
        for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {17, 33}, {320, 200}, {639, 359}})
            EXPECT_TRUE(near(pixel(x, y), c.expected(x, y), 1)) << "pixel " << x << ", " << y;
        // Whatever draws next samples as its textures say.
        for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
            GLint sampler = -1;
            glActiveTexture(unit);
            glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
            EXPECT_EQ(sampler, 0) << "unit " << unit - GL_TEXTURE0;
        }
        glActiveTexture(GL_TEXTURE0);
    }
    glViewport(0, 0, kWidth, kHeight);

    // The moving wipe draws in scissored parts and leaves the caller's scissor as it was.
    glScissor(1, 2, 3, 4);
    showAt(3.8);
    GLint box[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(std::vector<GLint>(box, box + 4), (std::vector<GLint>{1, 2, 3, 4}));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    glScissor(0, 0, kWidth, kHeight);
}

TEST_F(ChristmasShow, ChurchLightIsDrawnIntoItsTextureAndFadedIn)
{
    glViewport(3, 4, 100, 50);
    religion->computeLight();
    GLint viewport[4] = {0, 0, 0, 0}, framebuffer = -1;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{3, 4, 100, 50}));
    EXPECT_EQ(framebuffer, 0);
    glViewport(0, 0, kWidth, kHeight);

    int width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, religion->light);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    ASSERT_EQ(width, religionPicture->width);
    ASSERT_EQ(height, religionPicture->height);
    std::vector<float> light(static_cast<std::size_t>(width) * height * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, light.data());
    const auto lightAt = [&](double u, double v, int c) {
        // Linear filtering, clamped at the edges.
        const double x = std::clamp(u * width - 0.5, 0.0, width - 1.0), y = std::clamp(v * height - 0.5, 0.0, height - 1.0);
        const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
        const int x1 = std::min(x0 + 1, width - 1), y1 = std::min(y0 + 1, height - 1);
        const auto at = [&](int xx, int yy) { return light[(static_cast<std::size_t>(yy) * width + xx) * 4 + c]; };
        const double fx = x - x0, fy = y - y0;
        return (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) + (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
    };
    // Spread over calls, band by band, it comes out the same.
    // Scenes are never deleted; held in a static, it stays reachable for leak checkers.
    static ReligionScene* const made = new ReligionScene;
    ReligionScene& fresh = *made;
    int calls = 1;
    while (!fresh.computeLightPart() && calls < 100)
        ++calls;
    EXPECT_GT(calls, 1);
    EXPECT_TRUE(fresh.computeLightPart()) << "done stays done";
    std::vector<float> banded(light.size());
    glBindTexture(GL_TEXTURE_2D, fresh.light);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, banded.data());
    EXPECT_EQ(banded, light);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, kWidth, kHeight}));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));

    double peak = 0;
    for (float value : light)
        peak = std::max(peak, static_cast<double>(value));
    EXPECT_GT(peak, 0.3) << "bright glass must cast light";

    // Near the end the picture is in full colour with all of its light added.
    const double t = 20.29, m = (t - 16.7) / 3.6, fade = (m - 0.2) / 0.8;
    const double weight = fade * fade * (3 - 2 * fade);
    showAt(t);
    EXPECT_LT(meanError([&](double u, double v) {
        const Rgba c = religionPicture->sample(u, v);
        Rgba out{0, 0, 0, 255};
        for (int k = 0; k < 3; ++k)
            out[k] = std::min(255, static_cast<int>(std::lround(c[k] + 255 * lightAt(u, v, k) * weight)));
        return out;
    }, 0.02, 0.2, 0.98, 0.98), 2.0);
}

double meanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    double total = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        total += std::abs(int(a[i]) - int(b[i]));
    return total / static_cast<double>(a.size());
}

// Frames follow each other with nothing in between, as in the running show:
// every full-screen scene clears what the frame before left, depth included,
// or it could not draw over it. Each scene's frame after another's must look
// as it does on a fresh frame.
TEST_F(ChristmasShow, EachSceneDrawsOverTheFrameBefore)
{
    const std::pair<double, double> steps[] = {
        {21.0, 1.0},  // second wipe, then the title
        {1.0, 1.1},   // the title twice
        {1.0, 9.0},   // then the first wipe
        {9.0, 11.0},  // toys
        {11.0, 14.0}, // candy
        {14.0, 14.1}, // candy twice
        {14.0, 18.0}, // the church
        {18.0, 21.5}, // the second wipe
    };
    for (auto [before, t] : steps) {
        SCOPED_TRACE(testing::Message() << before << " then " << t);
        // The zoom grows on every frame; start it afresh for both runs.
        candy->matrix.translate(0, 0, 0);
        showAt(t);
        const std::vector<std::uint8_t> fresh = frame();
        candy->matrix.translate(0, 0, 0);
        showAt(before);
        demo->show(t); // no clear of our own between the frames
        glFinish();
        // A candy frame after another has zoomed a fraction of a pixel further.
        EXPECT_LT(meanDifference(frame(), fresh), 1.0);
    }
}

// The zoom multiplies its matrix by 1 + (t - 13) / 3000 on every frame: after
// frames at these times it has grown by their product.
TEST_F(ChristmasShow, CandyZoomAfterAKnownRunOfFrames)
{
    candy->matrix.translate(0, 0, 0);
    for (double t : {13.5, 14.0, 15.0, 16.5})
        candy->show(t);
    const double grown = 1.00016666667 * 1.00033333333 * 1.00066666667 * 1.00116666667;
    EXPECT_NEAR(candy->matrix.m[0], grown, 2e-7);
    EXPECT_EQ(candy->matrix.m[5], candy->matrix.m[0]);
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 11, 12, 13, 14})
        EXPECT_EQ(candy->matrix.m[i], 0.0f) << "element " << i;
    EXPECT_EQ(candy->matrix.m[10], 1.0f);
    EXPECT_EQ(candy->matrix.m[15], 1.0f);
    // What the viewer sees is the picture scaled about the centre by as much.
    glFinish();
    const double scaled = meanError([](double u, double v) {
        return candyPicture->sample(0.5 + (u - 0.5) / 1.0023352, 0.5 + (v - 0.5) / 1.0023352);
    }, 0.05, 0.2, 0.95, 0.95, 15);
    EXPECT_LT(scaled, 3.0);
}

// The demo's constructor sets the state the whole show runs under; nothing of
// the test fixture's may stand in for it.
class ChristmasState : public GLTest {};

TEST_F(ChristmasState, ConstructorSetsClearColourAndDepthTest)
{
    glDisable(GL_DEPTH_TEST);
    glClearColor(0.3f, 0.6f, 0.9f, 1.0f);
    Christmas demo(GLTest::kWidth, GLTest::kHeight);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat clear[4] = {-1, -1, -1, -1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(std::vector<GLfloat>(clear, clear + 4), (std::vector<GLfloat>{0, 0, 0, 0}));
    GLint function = 0;
    GLfloat depth = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &function);
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depth);
    EXPECT_EQ(function, GL_LESS);
    EXPECT_EQ(depth, 1.0f);
    EXPECT_TRUE(demo.scenes.empty()) << "scenes come with init()";
}

} // namespace
