// The real Christmas demo drawn at chosen times, probed against its own pictures.

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
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Look = std::function<Rgba(double, double)>; // the expected colour at window fractions

// A texture's image on the CPU in 0..255 units (the church light's half floats
// go past 255), sampled the way GL_LINEAR with repeat does.
struct Picture {
    explicit Picture(GLuint texture)
    {
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        values.resize(static_cast<std::size_t>(width) * height * 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, values.data());
    }

    double at(double u, double v, int c) const
    {
        const double x = u * width - 0.5, y = v * height - 0.5, fx = x - std::floor(x), fy = y - std::floor(y);
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        const auto texel = [&](int i, int j) { // wrapped, as GL_REPEAT does
            return values[(std::size_t((j % height + height) % height) * width + (i % width + width) % width) * 4 + c];
        };
        const auto row = [&](int j) { return texel(x0, j) * (1 - fx) + texel(x0 + 1, j) * fx; };
        return (row(y0) * (1 - fy) + row(y0 + 1) * fy) * 255.0;
    }

    Rgba sample(double u, double v) const
    {
        const auto c = [&](int k) { return static_cast<int>(std::lround(at(u, v, k))); };
        return {c(0), c(1), c(2), c(3)};
    }

    int width = 0, height = 0;
    std::vector<float> values;
};

// Mean absolute colour difference between the frame and an expectation over
// a grid of probe points (window fractions) inside the given box.
double meanError(const Look& expected, double x0 = 0.02, double y0 = 0.02, double x1 = 0.98, double y1 = 0.98,
                 int steps = 9)
{
    double total = 0;
    for (int i = 0; i < steps * steps; ++i) {
        const int px = static_cast<int>((x0 + (x1 - x0) * (i % steps) / (steps - 1)) * GLTest::kWidth);
        const int py = static_cast<int>((y0 + (y1 - y0) * (i / steps) / (steps - 1)) * GLTest::kHeight);
        const Rgba got = GLTest::pixel(px, py);
        const Rgba want = expected((px + 0.5) / GLTest::kWidth, (py + 0.5) / GLTest::kHeight);
        for (int c = 0; c < 3; ++c)
            total += std::abs(got[c] - want[c]);
    }
    return total / (3.0 * steps * steps);
}

Look of(const std::unique_ptr<Picture>& p)
{
    return [&p](double u, double v) { return p->sample(u, v); };
}

class ChristmasShow : public GLTest {
protected:
    static void SetUpTestSuite()
    {
        GLTest::SetUpTestSuite();
        demo = loadShowFromSource(kWidth, kHeight);
        ASSERT_NE(demo, nullptr);
        ASSERT_EQ(demo->scenes.size(), 7u);
        firstWipe = find<CircleTrans>(0), secondWipe = find<CircleTrans>(1), candy = find<CandyScene>();
        religion = find<ReligionScene>();
        SpriteTest* title = find<SpriteTest>();
        ToyScene* toys = find<ToyScene>();
        SkipAdOverlay* overlay = find<SkipAdOverlay>();
        ASSERT_TRUE(firstWipe && secondWipe && candy && title && toys && religion && overlay);
        if (firstWipe->start > secondWipe->start)
            std::swap(firstWipe, secondWipe);
        const auto load = [](vornak_engine::Texture* t) { return std::make_unique<Picture>(t->getTexID()); };
        christmas = load(title->picture), titlePicture = load(title->title), easter = load(firstWipe->easterPicture);
        toysPicture = load(toys->texture), candyPicture = load(candy->texture);
        religionPicture = load(religion->texture), skipAd = load(overlay->texture);
    }

    // Found by kind, so a wrong order fails the tests instead of crashing them.
    template <class Kind> static Kind* find(int skip = 0)
    {
        for (vornak_engine::Scene* scene : demo->scenes)
            if (auto* found = dynamic_cast<Kind*>(scene); found && skip-- == 0)
                return found;
        return nullptr;
    }

    // Drawn over a colour no scene draws, so "nothing cleared" shows.
    static void showAt(double t)
    {
        glEnable(GL_DEPTH_TEST); // the demo's own state, which the fixture's reset undid
        glClearColor(1, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
        demo->show(t);
        glFinish();
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "at t = " << t;
    }

    // The overlay picture over its rectangle: x 0.765 to 1.015, y -0.89 to -0.71 in device coordinates.
    static Rgba overlayLook(double u, double v)
    {
        return skipAd->sample((u * 2 - 1 - 0.765) / 0.25, (v * 2 - 1 + 0.89) / 0.18);
    }

    // The title blended over the Christmas picture, opaque.
    static Rgba titleLook(double u, double v)
    {
        const Rgba below = christmas->sample(u, v), letters = titlePicture->sample(u, v);
        Rgba out{0, 0, 0, 255};
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<int>(std::lround(below[c] + (letters[c] - below[c]) * (letters[3] / 255.0)));
        return out;
    }

    static float uniform(GLuint program, const char* name)
    {
        float value = -1;
        glGetUniformfv(program, glGetUniformLocation(program, name), &value);
        return value;
    }

    static inline Christmas* demo = nullptr;
    static inline CircleTrans *firstWipe = nullptr, *secondWipe = nullptr;
    static inline CandyScene* candy = nullptr;
    static inline ReligionScene* religion = nullptr;
    static inline std::unique_ptr<Picture> christmas, titlePicture, easter, toysPicture, candyPicture,
        religionPicture, skipAd;
};

TEST_F(ChristmasShow, TitleLiesOverTheChristmasPicture)
{
    showAt(1.0);
    const double overBoth = meanError(titleLook, 0.02, 0.02, 0.98, 0.98, 15);
    EXPECT_LT(overBoth, 4.0);
    // The title really is there: the bare picture differs where letters are.
    EXPECT_GT(meanError(of(christmas), 0.02, 0.02, 0.98, 0.98, 15), overBoth + 1.0);
}

TEST_F(ChristmasShow, WipeTurnsLikeAClockHand)
{
    // Drawn in scissored parts, leaving the caller's scissor as it was.
    glScissor(1, 2, 3, 4);
    showAt(3.8); // half way through the first sweep
    GLint box[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(std::vector<GLint>(box, box + 4), (std::vector<GLint>{1, 2, 3, 4}));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    // Right of twelve o'clock the Easter picture has come in; left of it, not yet.
    EXPECT_LT(meanError(of(easter), 0.55, 0.2, 0.98, 0.9, 6), 4.0);
    EXPECT_LT(meanError(of(christmas), 0.02, 0.1, 0.45, 0.9, 6), 4.0);
    for (double t : {5.0, 9.0}) {
        showAt(t); // probes kept off the overlay's corner
        EXPECT_LT(meanError(of(easter), 0.02, 0.2), 4.0) << "at its ceiling (t = " << t << ") the wipe has finished";
    }
    const std::tuple<CircleTrans*, double, float> angles[] = {
        {firstWipe, 3.8, 3.14f}, {firstWipe, 4.904, 6.0288f}, {secondWipe, 21.15, 3.14f}, {secondWipe, 21.9, 5.9106f}};
    for (auto [wipe, t, degree] : angles) {
        wipe->show(t);
        EXPECT_NEAR(uniform(wipe->program->getProgramID(), "degree"), degree, 1e-3) << "t = " << t;
    }
}

// The overlay lies in the lower-right rectangle over whatever is below; between two full-screen scenes only
// the overlay, which never clears, draws.
TEST_F(ChristmasShow, OverlayAndBoundaryInstants)
{
    const Rgba sentinel{255, 0, 255, 255};
    // t, the Easter picture below (else the sentinel), the overlay drawn
    for (auto [t, wipe, overlaid] : {std::tuple{9.0, true, true}, {21.0, true, true}, {8.0, true, false},
                                     {2.6, false, false}, {22.0, false, false}, {22.5, false, false},
                                     {30.0, false, false}, {10.0, false, true}, {13.0, false, true},
                                     {16.7, false, true}, {20.3, false, true}}) {
        SCOPED_TRACE(t);
        showAt(t);
        const Look below = wipe ? of(easter) : Look([&](double, double) { return sentinel; });
        EXPECT_LT(meanError(overlaid ? Look(overlayLook) : below, 0.89, 0.06, 0.99, 0.14, 7), overlaid ? 6.0 : 4.0);
        // Just outside the rectangle, below and left of it.
        EXPECT_LT(meanError(below, 0.89, 0.005, 0.99, 0.045, 5), 6.0);
        EXPECT_LT(meanError(below, 0.80, 0.06, 0.87, 0.14, 5), 6.0);
        if (!wipe) {
            for (auto [u, v] :
                 {std::pair{0.5, 0.5}, {0.05, 0.05}, {0.95, 0.95}, {0.8, 0.1}, {0.95, overlaid ? 0.5 : 0.1}})
                EXPECT_TRUE(near(pixelAt(u, v), sentinel, 0)) << u << ", " << v;
        }
    }
}

TEST_F(ChristmasShow, PicturesMetTexelForTexelShowTheirOwnTexels)
{
    // A 1920x1080 viewport puts the pictures texel for texel on the window, which holds its bottom-left corner.
    glViewport(0, 0, 1920, 1080);
    const std::pair<double, Look> cases[] = {{1.0, titleLook}, {9.0, of(easter)}, {11.0, of(toysPicture)}};
    for (const auto& [t, expected] : cases) {
        SCOPED_TRACE(t);
        showAt(t);
        for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {17, 33}, {320, 200}, {639, 359}})
            EXPECT_TRUE(near(pixel(x, y), expected((x + 0.5) / 1920, (y + 0.5) / 1080), 1)) << x << ", " << y;
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
}

TEST_F(ChristmasShow, ChurchLightIsDrawnIntoItsTextureAndFadedIn)
{
    // Drawn offscreen, leaving the caller's framebuffer, viewport and scissor test as they were.
    glViewport(3, 4, 100, 50);
    religion->computeLight();
    GLint state[5] = {-1, 0, 0, 0, 0}; // the framebuffer, then the viewport
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, state);
    glGetIntegerv(GL_VIEWPORT, state + 1);
    EXPECT_EQ(std::vector<GLint>(state, state + 5), (std::vector<GLint>{0, 3, 4, 100, 50}));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    glViewport(0, 0, kWidth, kHeight);
    const Picture light(religion->light);
    ASSERT_EQ(std::pair(light.width, light.height), std::pair(religionPicture->width, religionPicture->height));
    // Spread over calls, band by band, it comes out the same.
    static ReligionScene* const fresh = new ReligionScene; // reachable to the end, for leak checkers
    int calls = 1;
    while (!fresh->computeLightPart() && calls < 100)
        ++calls;
    EXPECT_GT(calls, 1);
    EXPECT_TRUE(fresh->computeLightPart()) << "done stays done";
    EXPECT_EQ(Picture(fresh->light).values, light.values);
    EXPECT_GT(*std::max_element(light.values.begin(), light.values.end()), 0.3f) << "bright glass must cast light";
    // As the mix rate grows, the dark grey picture takes its colours and then its light.
    const auto smooth = [](double a, double b, double x) {
        const double k = std::clamp((x - a) / (b - a), 0.0, 1.0);
        return k * k * (3 - 2 * k);
    };
    for (double t : {18.0, 20.29}) {
        SCOPED_TRACE(t);
        const double m = (t - 16.7) / 3.6, colour = smooth(0, 0.75, m), weight = smooth(0.2, 1, m);
        showAt(t);
        EXPECT_NEAR(uniform(religion->program->getProgramID(), "mixrate"), m, 1e-6);
        EXPECT_LT(meanError([&](double u, double v) {
            const Rgba c = religionPicture->sample(u, v);
            const double grey = 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2];
            Rgba out{0, 0, 0, 255};
            for (int k = 0; k < 3; ++k) // the grey base turning to colour, plus the light
                out[k] = std::min(255, static_cast<int>(std::lround(grey * 0.3 * (1 - colour) + c[k] * colour +
                                                                    light.at(u, v, k) * weight)));
            return out;
        }, 0.02, 0.2), 2.0);
    }
}

// Every full-screen scene clears the frame before, depth included, or could not draw over it.
TEST_F(ChristmasShow, EachSceneDrawsOverTheFrameBefore)
{
    // Each scene after the one before it, and the title and candy after themselves.
    const std::pair<double, double> steps[] = {{21.0, 1.0}, {1.0, 1.1},   {1.0, 9.0},   {9.0, 11.0},
                                               {11.0, 14.0}, {14.0, 14.1}, {14.0, 18.0}, {18.0, 21.5}};
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
        const std::vector<std::uint8_t> after = frame();
        double total = 0;
        for (std::size_t i = 0; i < after.size(); ++i)
            total += std::abs(int(after[i]) - int(fresh[i]));
        // A candy frame after another has zoomed a fraction of a pixel further.
        EXPECT_LT(total / static_cast<double>(after.size()), 1.0);
    }
}

TEST_F(ChristmasShow, CandyZoomGrowsOnEveryFrame)
{
    // Every frame through the schedule, a repeated time included, multiplies the zoom by 1 + (t - 13) / 3000.
    candy->matrix.translate(0, 0, 0);
    double grown = 1;
    for (double t : {13.5, 13.5, 14.0, 15.0, 16.5}) {
        showAt(t);
        grown *= 1 + (t - 13) / 3000;
    }
    const float* z = candy->matrix.m;
    EXPECT_NEAR(z[0], grown, 2e-7);
    EXPECT_EQ(std::vector<float>(z, z + 16), (std::vector<float>{z[0], 0, 0, 0, 0, z[0], 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    // What the viewer sees is the picture scaled about the centre by as much.
    EXPECT_LT(meanError([](double u, double v) {
        return candyPicture->sample(0.5 + (u - 0.5) / 1.0025021, 0.5 + (v - 0.5) / 1.0025021);
    }, 0.05, 0.2, 0.95, 0.95, 15), 3.0);
}

// The state the whole show runs under comes from the demo's constructor, not the fixtures.
TEST_F(ChristmasShow, ConstructorSetsClearColourAndDepthTest)
{
    glDisable(GL_DEPTH_TEST);
    glClearColor(0.3f, 0.6f, 0.9f, 1.0f);
    Christmas demo(GLTest::kWidth, GLTest::kHeight);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat clear[4] = {-1, -1, -1, -1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(std::vector<GLfloat>(clear, clear + 4), (std::vector<GLfloat>{0, 0, 0, 0}));
}

} // namespace
