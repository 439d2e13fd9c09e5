// Words on screen, read back: where a caption lies in the frame at two very
// different resolutions, that its outline keeps it readable on white and on
// black, that accented, Greek and Cyrillic letters draw, and the GL state it
// leaves to the scenes after it.

#include "demo/Caption.h"

#include "vornak/Font.h"
#include "vornak/Log.h"
#include "vornak/Text.h"

#include "support/GLTest.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace vornak_engine;

// Window depth of a picture drawn at the scenes' "zscore" 0.1: (0.1 + 1) / 2.
constexpr double kPictureDepth = 0.55;

// An offscreen frame of any size with a depth buffer, bound while it lives.
class Frame {
public:
    Frame(int width, int height) : width_(width), height_(height)
    {
        glGenFramebuffers(1, &fbo_);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glGenRenderbuffers(2, rb_);
        glBindRenderbuffer(GL_RENDERBUFFER, rb_[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rb_[0]);
        glBindRenderbuffer(GL_RENDERBUFFER, rb_[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, rb_[1]);
        glViewport(0, 0, width, height);
    }
    ~Frame()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteRenderbuffers(2, rb_);
        glDeleteFramebuffers(1, &fbo_);
    }

    // A picture as the show leaves it under a caption: its colour, its depth
    // that of a scene's picture, the depth test on.
    void picture(float grey)
    {
        glClearColor(grey, grey, grey, 1);
        glClearDepth(kPictureDepth);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearDepth(1);
        glEnable(GL_DEPTH_TEST);
    }

    // Luma 0-255 of every pixel, rows top-down.
    std::vector<int> luma() const
    {
        std::vector<unsigned char> rgba(static_cast<std::size_t>(width_) * height_ * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        std::vector<int> out(static_cast<std::size_t>(width_) * height_);
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const unsigned char* p = &rgba[(static_cast<std::size_t>(height_ - 1 - y) * width_ + x) * 4];
                out[static_cast<std::size_t>(y) * width_ + x] = (p[0] * 2126 + p[1] * 7152 + p[2] * 722) / 10000;
            }
        }
        return out;
    }

    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_, height_;
    GLuint fbo_ = 0;
    GLuint rb_[2] = {0, 0};
};

// Fractions of the frame: the box of the pixels that pass, left, top, right, bottom.
struct Box {
    double left = 1, top = 1, right = 0, bottom = 0;
    int count = 0;
};

template <typename Pass> Box boxOf(const Frame& frame, const std::vector<int>& luma, Pass pass)
{
    Box b;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            if (!pass(luma[static_cast<std::size_t>(y) * frame.width() + x]))
                continue;
            b.left = std::min(b.left, static_cast<double>(x) / frame.width());
            b.right = std::max(b.right, static_cast<double>(x + 1) / frame.width());
            b.top = std::min(b.top, static_cast<double>(y) / frame.height());
            b.bottom = std::max(b.bottom, static_cast<double>(y + 1) / frame.height());
            ++b.count;
        }
    }
    return b;
}

CaptionStyle styled(CaptionPosition position, const char* colour)
{
    CaptionStyle style;
    style.font = std::string(VORNAK_SOURCE_DIR) + "/data/DejaVuSans-Bold.ttf";
    style.position = position;
    EXPECT_TRUE(parseCaptionColour(colour, style.colour));
    return style;
}

class CaptionTest : public GLTest {};

TEST_F(CaptionTest, WordsLieWherePositionPutsThemAtEveryResolution)
{
    const struct {
        CaptionPosition position;
        const char* name;
        double top, bottom; // where the letters' ink may lie, as shares of the height
    } cases[] = {
        {CaptionPosition::Top, "top", 0.06, 0.30},
        {CaptionPosition::Middle, "middle", 0.38, 0.62},
        {CaptionPosition::Bottom, "bottom", 0.70, 0.94},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Box boxes[2];
        const int sizes[2][2] = {{640, 360}, {3840, 2160}};
        for (int i = 0; i < 2; ++i) {
            SCOPED_TRACE(sizes[i][0]);
            Frame frame(sizes[i][0], sizes[i][1]);
            frame.picture(0);
            Caption caption("Happy holidays\nfrom all of us", styled(c.position, "#ffffff"));
            caption.draw();
            boxes[i] = boxOf(frame, frame.luma(), [](int v) { return v > 128; });
            const Box& b = boxes[i];
            ASSERT_GT(b.count, 0);
            EXPECT_NEAR((b.left + b.right) / 2, 0.5, 0.01) << "centred";
            EXPECT_GE(b.top, c.top);
            EXPECT_LE(b.bottom, c.bottom);
            // Two lines of a tenth of the frame each, less the space above and below the ink.
            EXPECT_NEAR(b.bottom - b.top, 0.17, 0.03);
            EXPECT_NEAR(caption.box().height, 0.2 * frame.height(), 0.01 * frame.height());
        }
        EXPECT_NEAR(boxes[0].left, boxes[1].left, 0.01);
        EXPECT_NEAR(boxes[0].right, boxes[1].right, 0.01);
        EXPECT_NEAR(boxes[0].top, boxes[1].top, 0.01);
        EXPECT_NEAR(boxes[0].bottom, boxes[1].bottom, 0.01);
    }
}

TEST_F(CaptionTest, OutlineKeepsWordsReadableOnWhiteAndOnBlack)
{
    const struct {
        const char* colour;
        float picture;
    } cases[] = {
        {"#ffffff", 1}, {"#000000", 0}, {"#ffffff", 0}, {"#000000", 1}, {"#ffd700", 1}, {"#202060", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.colour) + (c.picture > 0 ? " on white" : " on black"));
        Frame frame(640, 360);
        frame.picture(c.picture);
        Caption caption("Merry Christmas", styled(CaptionPosition::Middle, c.colour));
        caption.draw();
        const int background = c.picture > 0 ? 255 : 0;
        // Pixels far from the picture: the letters, or where they match it, their outline.
        const Box b = boxOf(frame, frame.luma(), [&](int v) { return std::abs(v - background) > 100; });
        const CaptionBox& words = caption.box();
        EXPECT_GT(b.count, words.width * words.height / 10) << "the words stand out";
        EXPECT_GT(b.left, 0.2);
        EXPECT_LT(b.right, 0.8);
    }
}

TEST_F(CaptionTest, AccentedGreekAndCyrillicLettersDrawInk)
{
    Font font((std::string(VORNAK_SOURCE_DIR) + "/data/DejaVuSans-Bold.ttf").c_str(), 40);
    Frame frame(640, 360);
    int missingInk = 0;
    for (const char* words : {"\xee\x80\x80\xee\x80\x80\xee\x80\x80", "ÉÀÇÑ éàçñ őž", "Καλά Χριστούγεννα",
                              "С Новым годом"}) {
        SCOPED_TRACE(words);
        frame.picture(0);
        Text text(font.layout(words));
        text.draw(20, 20);
        const Box b = boxOf(frame, frame.luma(), [](int v) { return v > 128; });
        EXPECT_GT(b.count, 300);
        if (missingInk == 0) {
            missingInk = b.count; // three missing-glyph boxes
            continue;
        }
        // Real letters, not a row of boxes: boxes are hollow and sparse.
        EXPECT_NE(b.count, missingInk);
        EXPECT_GT(b.right - b.left, 0.2);
    }
}

TEST_F(CaptionTest, LeavesTheStateTheScenesExpect)
{
    Frame frame(640, 360);
    frame.picture(0.5f);
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_TRUE);
    Caption caption("Frohe Weihnachten", styled(CaptionPosition::Bottom, "#ffffff"));
    caption.draw();
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &src);
    glGetIntegerv(GL_BLEND_DST_RGB, &dst);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE);
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_TRUE(mask);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // The words drew and left the picture's depth where they are, so the
    // corner overlay (0.09) still passes over them.
    const CaptionBox& b = caption.box();
    const std::vector<int> luma = frame.luma();
    int x = -1, y = -1;
    for (int row = b.y; row < b.y + b.height && x < 0; ++row)
        for (int col = b.x; col < b.x + b.width && x < 0; ++col)
            if (luma[static_cast<std::size_t>(row) * 640 + col] > 240)
                x = col, y = row;
    ASSERT_GE(x, 0) << "a white letter pixel";
    float depth = 0;
    glReadPixels(x, 359 - y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(depth, kPictureDepth, 1e-4);

    // A font that cannot be read: one line naming it, nothing drawn, no GL error.
    std::vector<std::string> lines;
    setLogCallback([](LogLevel, const char* m, void* out) { static_cast<std::vector<std::string>*>(out)->push_back(m); },
                   &lines);
    CaptionStyle missing;
    missing.font = "no-such-font.ttf";
    Caption nothing("Bonnes fêtes", missing);
    setLogCallback(nullptr);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("no-such-font.ttf: ", 0), 0u) << lines[0];
    frame.picture(0.5f);
    const std::vector<int> before = frame.luma();
    nothing.draw();
    EXPECT_EQ(frame.luma(), before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
