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

// A caller's unpack state never bends an upload, and comes back afterwards.
TEST_F(TextureTest, CallersUnpackStateIsNeitherUsedNorLost)
{
    const Pixels rgb = distinct(5, 3, 3), rgba = distinct(5, 3, 4);
    const Pixels smooth(8 * 8 * 3, 128);
    struct File {
        const char* label;
        std::string path;
        ImgType type;
        Pixels expected;
        int tolerance;
    };
    const std::vector<File> files = {
        {"png", file("s.png", encodePNG(5, 3, rgba, PNG_COLOR_TYPE_RGBA)), IMG_PNG, asRgba(rgba, 5, 4), 0},
        {"tga", file("s.tga", tga(2, 5, 3, 24, tgaOrder(rgb, 5, 3))), IMG_TGA, asRgba(rgb, 5, 3), 0},
        {"jpeg", file("s.jpg", encodeJPEG(8, 8, smooth)), IMG_JPEG, asRgba(smooth, 8, 3), 2},
    };
    // A bound unpack buffer would make GL read the pixel pointer as an offset into it.
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer);
    glBufferData(GL_PIXEL_UNPACK_BUFFER, 1 << 16, nullptr, GL_STATIC_DRAW);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    struct Setting {
        GLenum name;
        GLint value;
    };
    const std::vector<std::vector<Setting>> callers = {
        {{GL_UNPACK_ROW_LENGTH, 4096}},
        {{GL_UNPACK_SKIP_PIXELS, 3}},
        {{GL_UNPACK_SKIP_ROWS, 2}, {GL_UNPACK_IMAGE_HEIGHT, 7}},
        {{GL_UNPACK_ALIGNMENT, 8}},
        {{GL_PIXEL_UNPACK_BUFFER_BINDING, static_cast<GLint>(buffer)}},
    };
    for (const File& f : files) {
        for (const std::vector<Setting>& caller : callers) {
            SCOPED_TRACE(std::string(f.label) + ", caller's 0x" + [&] {
                char hex[16];
                std::snprintf(hex, sizeof hex, "%x", caller[0].name);
                return std::string(hex);
            }());
            for (const Setting& s : caller) {
                if (s.name == GL_PIXEL_UNPACK_BUFFER_BINDING)
                    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(s.value));
                else
                    glPixelStorei(s.name, s.value);
            }
            Texture texture(f.path.c_str(), f.type);
            for (const Setting& s : caller) {
                GLint got = -1;
                glGetIntegerv(s.name, &got);
                // A JPEG leaves its own four pixel-store values, as it always has.
                const bool jpegOwn = f.type == IMG_JPEG && s.name != GL_PIXEL_UNPACK_BUFFER_BINDING &&
                                     s.name != GL_UNPACK_IMAGE_HEIGHT;
                EXPECT_EQ(got, jpegOwn ? (s.name == GL_UNPACK_ALIGNMENT ? 1 : 0) : s.value)
                    << "state 0x" << std::hex << s.name;
            }
            glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
            for (GLenum name : {GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS, GL_UNPACK_IMAGE_HEIGHT})
                glPixelStorei(name, 0);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            EXPECT_LE(largestDifference(textureImage(texture.getTexID()), f.expected), f.tolerance);
        }
    }
    glDeleteBuffers(1, &buffer);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// One name loaded again with a colour picture after a grey one shows the colours.
TEST_F(TextureTest, ColourAfterGreyInOneNameDropsTheGreySwizzle)
{
    const std::string grey = file("g.png", encodePNG(1, 1, {90}, PNG_COLOR_TYPE_GRAY));
    const std::string greyTga = file("g.tga", tga(3, 1, 1, 8, {90}));
    const std::string colourPng = file("c.png", encodePNG(1, 1, {200, 40, 120}));
    const std::string colourTga = file("c.tga", tga(2, 1, 1, 24, {120, 40, 200}));
    const std::string colourJpeg = file("c.jpg", encodeJPEG(8, 8, Pixels(8 * 8 * 3, 0)));
    struct Case {
        const char* label;
        const std::string& first;
        ImgType firstType;
        const std::string& second;
        ImgType secondType;
        Rgba expected;
    };
    const Case cases[] = {
        {"grey png, then colour png", grey, IMG_PNG, colourPng, IMG_PNG, {200, 40, 120, 255}},
        {"grey tga, then colour tga", greyTga, IMG_TGA, colourTga, IMG_TGA, {200, 40, 120, 255}},
        {"grey png, then black jpeg", grey, IMG_PNG, colourJpeg, IMG_JPEG, {0, 0, 0, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Texture texture(c.first.c_str(), c.firstType);
        ASSERT_TRUE(near(sample(texture.getTexID()).first, {90, 90, 90, 255}, 1));
        if (c.secondType == IMG_PNG)
            texture.loadPNG(c.second.c_str(), texture.getTexID());
        else if (c.secondType == IMG_TGA)
            texture.loadTGA(c.second.c_str(), texture.getTexID());
        else
            texture.loadJPEG(c.second.c_str(), texture.getTexID());
        EXPECT_TRUE(near(sample(texture.getTexID()).first, c.expected, 2));
    }
}

} // namespace
