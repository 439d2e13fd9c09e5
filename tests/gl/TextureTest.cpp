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
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f); // grey, so an undrawn quad shows
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

// Every reader uploads its file top row last (t = 1) into one RGBA level with the same texture state,
// rows unskewed whatever unpack state the caller set, and gives that state back.
TEST_F(TextureTest, EveryReaderUploadsItsRowsInPlaceWhateverTheCallersUnpackState)
{
    Pixels quarters; // JPEG 10 wide (30-byte rows) in flat 8x8 blocks: red | green over blue | white
    for (int i = 0; i < 10 * 16; ++i) {
        const bool top = i / 10 < 8, left = i % 10 < 8;
        for (int v : {top == left ? 255 : 0, left ? 0 : 255, top ? 0 : 255})
            quarters.push_back(static_cast<std::uint8_t>(v));
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
    // A bound unpack buffer would make GL read the pixel pointer as an offset into it.
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer);
    glBufferData(GL_PIXEL_UNPACK_BUFFER, 1 << 16, nullptr, GL_STATIC_DRAW);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    // The buffer alone leaves the default alignment of 4, which skews odd-width rows too.
    const std::vector<std::vector<std::pair<GLenum, GLint>>> callers = {
        {{GL_UNPACK_ROW_LENGTH, 4096}, {GL_UNPACK_SKIP_PIXELS, 3}, {GL_UNPACK_SKIP_ROWS, 2},
         {GL_UNPACK_IMAGE_HEIGHT, 7}, {GL_UNPACK_ALIGNMENT, 8}},
        {{GL_PIXEL_UNPACK_BUFFER_BINDING, static_cast<GLint>(buffer)}},
    };
    for (const Case& c : cases) {
        for (const auto& caller : callers) {
            SCOPED_TRACE(std::string(c.label) + ", caller's " + std::to_string(caller[0].first));
            for (const auto& [name, value] : caller) {
                if (name == GL_PIXEL_UNPACK_BUFFER_BINDING)
                    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(value));
                else
                    glPixelStorei(name, value);
            }
            // The reader binds on whatever unit is active.
            glActiveTexture(GL_TEXTURE3);
            Texture texture(c.path.c_str(), c.type);
            for (const auto& [name, value] : caller) {
                GLint got = -1;
                glGetIntegerv(name, &got);
                // A JPEG leaves its own four pixel-store values, as it always has.
                const bool jpegOwn = c.type == IMG_JPEG && name != GL_PIXEL_UNPACK_BUFFER_BINDING &&
                                     name != GL_UNPACK_IMAGE_HEIGHT;
                EXPECT_EQ(got, jpegOwn ? (name == GL_UNPACK_ALIGNMENT ? 1 : 0) : value) << "state " << name;
            }
            glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
            for (GLenum name : {GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS, GL_UNPACK_IMAGE_HEIGHT})
                glPixelStorei(name, 0);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            GLint bound = 0;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
            EXPECT_EQ(static_cast<GLuint>(bound), texture.getTexID());
            EXPECT_EQ(std::make_pair(texture.getWidth(), texture.getHeight()), std::make_pair(c.width, c.height));
            std::vector<GLint> state;
            for (GLenum name : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T})
                glGetTexParameteriv(GL_TEXTURE_2D, name, &state.emplace_back(0));
            EXPECT_EQ(state, (std::vector<GLint>{GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT}));
            GLint internal = 0, secondLevel = -1;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &secondLevel);
            EXPECT_EQ(internal, GL_RGBA);
            EXPECT_EQ(secondLevel, 0) << "one level, no mipmaps";
            glActiveTexture(GL_TEXTURE0);
            int w = 0, h = 0, worst = 0;
            const Pixels level = textureImage(texture.getTexID(), &w, &h);
            ASSERT_EQ(std::make_pair(w, h), std::make_pair(c.width, c.height));
            for (std::size_t i = 0; i < level.size(); ++i)
                worst = std::max(worst, std::abs(level[i] - c.expected[i]));
            EXPECT_LE(worst, c.tolerance);
        }
    }
    glDeleteBuffers(1, &buffer);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Whatever goes wrong, the texture keeps a generated, never-bound name that samples (0, 0, 0, 1).
TEST_F(TextureTest, UnusableFilesLeaveANameWithoutAnImage)
{
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const std::string wide = file("wide.tga", tga(3, maxSize + 1, 1, 8, Pixels(std::size_t(maxSize) + 1, 7)));
    const std::string good = file("good.png", encodePNG(2, 2, distinct(2, 2, 3)));
    const std::string cut = file("cut.png", encodePNG(16, 16, distinct(16, 16, 3)).substr(0, 60));
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {good, 3, ""},
        {cut, IMG_PNG, cut + ": cannot decode PNG: file ends early\n"},
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

// Grey pictures sample as grey through the swizzle, not as red, keeping their
// alpha; the same name loaded again with a colour picture drops the swizzle.
TEST_F(TextureTest, GreySamplesAsGreyAndAColourReloadDropsTheSwizzle)
{
    using Load = void (Texture::*)(const char*, unsigned int);
    const struct {
        std::string grey;
        ImgType greyType;
        int alpha;
        std::string colour;
        Load load;
        Rgba expected;
    } cases[] = {
        {file("g.png", encodePNG(1, 1, {90}, PNG_COLOR_TYPE_GRAY)), IMG_PNG, 255,
         file("c.png", encodePNG(1, 1, {200, 40, 120})), &Texture::loadPNG, {200, 40, 120, 255}},
        {file("g.tga", tga(3, 1, 1, 8, {90})), IMG_TGA, 255, file("c.tga", tga(2, 1, 1, 24, {120, 40, 200})),
         &Texture::loadTGA, {200, 40, 120, 255}},
        {file("ga.png", encodePNG(1, 1, {90, 160}, PNG_COLOR_TYPE_GRAY_ALPHA)), IMG_PNG, 160,
         file("c.jpg", encodeJPEG(8, 8, Pixels(8 * 8 * 3, 0))), &Texture::loadJPEG, {0, 0, 0, 255}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.grey + ", then " + c.colour);
        Texture texture(c.grey.c_str(), c.greyType);
        const auto [grey, alpha] = sample(texture.getTexID());
        EXPECT_TRUE(near(grey, {90, 90, 90, 255}, 1));
        EXPECT_TRUE(near(alpha, {c.alpha, c.alpha, c.alpha, 255}, 1));
        (texture.*c.load)(c.colour.c_str(), texture.getTexID());
        const auto [colour, opaque] = sample(texture.getTexID());
        EXPECT_TRUE(near(colour, c.expected, 2));
        EXPECT_TRUE(near(opaque, {255, 255, 255, 255}, 2));
    }
}

} // namespace
