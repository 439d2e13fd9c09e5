#include "vornak/Texture.h"
#include "vornak/Sprite.h"

#include "support/DrawHelpers.h"
#include "support/GLTest.h"
#include "support/ImageFiles.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace testimg;
using namespace vornak_engine;

class TextureTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        program = draw::makeProgram(dir, draw::kSpriteVS, draw::kTextureFS);
        // Grey, so an undrawn quad shows.
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    }

    // The colour, then the alpha, sampled at the middle of the texture.
    std::pair<Rgba, Rgba> sample(GLuint tex)
    {
        std::pair<Rgba, Rgba> got;
        for (int showAlpha : {0, 1}) {
            glClear(GL_COLOR_BUFFER_BIT);
            draw::useWithIdentity(program);
            program.addTexture("tex", tex);
            glUniform1i(glGetUniformLocation(program.getProgramID(), "showAlpha"), showAlpha);
            sprite.draw();
            (showAlpha ? got.second : got.first) = pixelAt(0.5, 0.5);
        }
        return got;
    }

    std::string file(const std::string& name, const std::string& bytes) { return dir.write(name, bytes); }

    TempDir dir;
    ShaderProgram program;
    Sprite sprite;
};

// Top-first pixels of 3 or 4 channels to a TGA's bottom-first BGR(A).
Pixels tgaOrder(const Pixels& topFirst, int width, int channels)
{
    Pixels p = flipRows(topFirst, static_cast<std::size_t>(width * channels));
    for (std::size_t i = 0; i < p.size(); i += static_cast<std::size_t>(channels))
        std::swap(p[i], p[i + 2]);
    return p;
}

// Level 0 as GL must hold it, bottom row first, from top-first RGB(A) pixels.
Pixels asRgba(const Pixels& topFirst, int width, int channels)
{
    const Pixels rows = flipRows(topFirst, static_cast<std::size_t>(width * channels));
    Pixels rgba;
    for (std::size_t i = 0; i < rows.size(); i += static_cast<std::size_t>(channels))
        rgba.insert(rgba.end(), {rows[i], rows[i + 1], rows[i + 2], channels == 4 ? rows[i + 3] : std::uint8_t(255)});
    return rgba;
}

int largestDifference(const Pixels& a, const Pixels& b)
{
    int most = a.size() == b.size() ? 0 : 256;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        most = std::max(most, std::abs(a[i] - b[i]));
    return most;
}

// Every reader uploads its file top row last (t = 1), rows unskewed whatever
// the pixel store held, with the same texture state.
TEST_F(TextureTest, EveryReaderUploadsItsRowsInPlace)
{
    // JPEG 10 wide (30-byte rows) in flat 8x8 blocks: red | green over blue | white.
    Pixels quarters;
    for (int i = 0; i < 10 * 16; ++i) {
        const bool top = i / 10 < 8, left = i % 10 < 8;
        quarters.insert(quarters.end(), {std::uint8_t(top == left ? 255 : 0), std::uint8_t(left ? 0 : 255),
                                         std::uint8_t(top ? 0 : 255)});
    }
    const Pixels rgb = distinct(5, 3, 3), rgba = distinct(5, 3, 4);
    struct Case {
        const char* label;
        std::string path;
        ImgType type;
        int width, height, tolerance;
        Pixels expected;
    };
    const std::vector<Case> cases = {
        {"jpeg", file("a.jpg", encodeJPEG(10, 16, quarters)), IMG_JPEG, 10, 16, 6, asRgba(quarters, 10, 3)},
        {"rgb png", file("a.png", encodePNG(5, 3, rgb)), IMG_PNG, 5, 3, 0, asRgba(rgb, 5, 3)},
        {"rgba png", file("b.png", encodePNG(5, 3, rgba, PNG_COLOR_TYPE_RGBA)), IMG_PNG, 5, 3, 0, asRgba(rgba, 5, 4)},
        {"24-bit tga", file("a.tga", tga(2, 5, 3, 24, tgaOrder(rgb, 5, 3))), IMG_TGA, 5, 3, 0, asRgba(rgb, 5, 3)},
        {"32-bit tga", file("b.tga", tga(2, 5, 3, 32, tgaOrder(rgba, 5, 4))), IMG_TGA, 5, 3, 0, asRgba(rgba, 5, 4)},
    };
    const std::string jpeg = file("first.jpg", encodeJPEG(8, 8, distinct(8, 8, 3)));
    for (bool jpegFirst : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.label) + (jpegFirst ? ", after a JPEG" : ", no JPEG before"));
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            if (jpegFirst) {
                // A JPEG resets the whole unpack store, not just the alignment.
                glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
                glPixelStorei(GL_UNPACK_ROW_LENGTH, 7);
                glPixelStorei(GL_UNPACK_SKIP_PIXELS, 2);
                glPixelStorei(GL_UNPACK_SKIP_ROWS, 3);
                Texture before(jpeg.c_str(), IMG_JPEG);
                for (GLenum name :
                     {GL_UNPACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS}) {
                    GLint got = -1;
                    glGetIntegerv(name, &got);
                    EXPECT_EQ(got, name == GL_UNPACK_ALIGNMENT ? 1 : 0) << "pixel store 0x" << std::hex << name;
                }
            }
            // The reader binds on whatever unit is active.
            glActiveTexture(GL_TEXTURE3);
            Texture texture(c.path.c_str(), c.type);
            GLint bound = 0;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
            EXPECT_EQ(static_cast<GLuint>(bound), texture.getTexID());
            EXPECT_EQ(std::make_pair(texture.getWidth(), texture.getHeight()), std::make_pair(c.width, c.height));

            const std::vector<std::pair<GLenum, GLint>> state = {
                {GL_TEXTURE_MIN_FILTER, GL_LINEAR}, {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                {GL_TEXTURE_WRAP_S, GL_REPEAT}, {GL_TEXTURE_WRAP_T, GL_REPEAT}};
            for (const auto& [name, value] : state) {
                GLint got = 0;
                glGetTexParameteriv(GL_TEXTURE_2D, name, &got);
                EXPECT_EQ(got, value) << "parameter 0x" << std::hex << name;
            }
            GLint internal = 0, secondLevel = -1;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &secondLevel);
            EXPECT_EQ(internal, GL_RGBA);
            EXPECT_EQ(secondLevel, 0) << "one level, no mipmaps";
            glActiveTexture(GL_TEXTURE0);

            int w = 0, h = 0;
            const Pixels level = textureImage(texture.getTexID(), &w, &h);
            EXPECT_EQ(std::make_pair(w, h), std::make_pair(c.width, c.height));
            EXPECT_LE(largestDifference(level, c.expected), c.tolerance);
        }
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Grey pictures sample as grey through the swizzle, not as red; palettes keep their alpha.
TEST_F(TextureTest, GreyAndPalettePicturesSampleTheirTrueColours)
{
    struct Case {
        const char* label;
        std::string path;
        ImgType type;
        Rgba colour;
        int alpha;
    };
    const std::vector<Case> cases = {
        {"grey png", file("g.png", encodePNG(1, 1, {90}, PNG_COLOR_TYPE_GRAY)), IMG_PNG, {90, 90, 90, 255}, 255},
        {"grey+alpha png", file("ga.png", encodePNG(1, 1, {90, 160}, PNG_COLOR_TYPE_GRAY_ALPHA)), IMG_PNG,
         {90, 90, 90, 255}, 160},
        {"palette png", file("p.png", encodePNG(1, 1, {0}, PNG_COLOR_TYPE_PALETTE, 8, false, {{30, 140, 220}}, {64})),
         IMG_PNG, {30, 140, 220, 255}, 64},
        {"grey tga", file("g.tga", tga(3, 1, 1, 8, {90})), IMG_TGA, {90, 90, 90, 255}, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Texture texture(c.path.c_str(), c.type);
        const auto [colour, alpha] = sample(texture.getTexID());
        EXPECT_TRUE(near(colour, c.colour, 1));
        EXPECT_TRUE(near(alpha, {c.alpha, c.alpha, c.alpha, 255}, 1));
    }
}

// Whatever goes wrong, the texture keeps a generated, never-bound name that samples (0, 0, 0, 1).
TEST_F(TextureTest, UnusableFilesLeaveANameWithoutAnImage)
{
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const std::string missing = dir.path() + "/missing.jpg";
    const std::string wide = file("wide.tga", tga(3, maxSize + 1, 1, 8, Pixels(std::size_t(maxSize) + 1, 7)));
    const std::string good = file("good.png", encodePNG(2, 2, distinct(2, 2, 3)));
    const std::string cut = file("cut.png", encodePNG(16, 16, distinct(16, 16, 3)).substr(0, 60));
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {good, 3, ""},
        {missing, IMG_JPEG, missing + ": cannot open: No such file or directory\n"},
        {cut, IMG_PNG, cut + ": cannot decode PNG: file ends early\n"},
        {good, IMG_TGA, good + ": unsupported image type 78\n"},
        {wide, IMG_TGA,
         wide + ": " + std::to_string(maxSize + 1) + "x1 picture is larger than this GL's " + std::to_string(maxSize) +
             "-pixel texture limit\n"},
    };
    for (const auto& [path, kind, message] : cases) {
        SCOPED_TRACE(path + " as kind " + std::to_string(kind));
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        Texture texture(path.c_str(), static_cast<ImgType>(kind));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), message);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_NE(texture.getTexID(), 0u);
        EXPECT_FALSE(glIsTexture(texture.getTexID())) << "generated but never bound";
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        const auto [colour, alpha] = sample(texture.getTexID());
        EXPECT_TRUE(near(colour, {0, 0, 0, 255}, 0));
        EXPECT_TRUE(near(alpha, {255, 255, 255, 255}, 0)) << "alpha 1";
    }
}

} // namespace
