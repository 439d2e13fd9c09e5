#include "vornak/Texture.h"

#include "support/GLTest.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

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
    std::string file(const std::string& name, const std::string& bytes) { return dir.write(name, bytes); }
    TempDir dir;
};

// Level 0 as GL must hold it (RGBA, bottom row first) from a PNG's top-first RGB(A) or a TGA's bottom-first BGR(A).
Pixels asRgba(const Pixels& stored, int width, int channels, bool tga)
{
    const Pixels rows = tga ? stored : flipRows(stored, static_cast<std::size_t>(width * channels));
    Pixels rgba;
    for (std::size_t i = 0; i < rows.size(); i += static_cast<std::size_t>(channels))
        rgba.insert(rgba.end(), {rows[i + (tga ? 2 : 0)], rows[i + 1], rows[i + (tga ? 0 : 2)],
                                 channels == 4 ? rows[i + 3] : std::uint8_t(255)});
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
    const struct {
        const char* label; std::string path; ImgType type; int width, height, tolerance; Pixels expected;
    } cases[] = {
        {"jpeg", file("a.jpg", encodeJPEG(10, 16, quarters)), IMG_JPEG, 10, 16, 6, asRgba(quarters, 10, 3, false)},
        {"rgb png", file("a.png", encodePNG(5, 3, rgb)), IMG_PNG, 5, 3, 0, asRgba(rgb, 5, 3, false)},
        {"rgba png", file("b.png", encodePNG(5, 3, rgba, PNG_COLOR_TYPE_RGBA)), IMG_PNG, 5, 3, 0,
         asRgba(rgba, 5, 4, false)},
        {"24-bit tga", file("a.tga", tga(2, 5, 3, 24, rgb)), IMG_TGA, 5, 3, 0, asRgba(rgb, 5, 3, true)},
        {"32-bit tga", file("b.tga", tga(2, 5, 3, 32, rgba)), IMG_TGA, 5, 3, 0, asRgba(rgba, 5, 4, true)},
    };
    // A caller's own unpack state, then a bound unpack buffer, which would make GL read the pointer as an offset.
    // The buffer alone leaves the default alignment of 4, which skews odd-width rows too.
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer);
    glBufferData(GL_PIXEL_UNPACK_BUFFER, 1 << 16, nullptr, GL_STATIC_DRAW);
    const GLenum names[] = {GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS,
                            GL_UNPACK_ALIGNMENT,  GL_UNPACK_IMAGE_HEIGHT, GL_PIXEL_UNPACK_BUFFER_BINDING};
    const std::vector<std::vector<GLint>> callers = {{4096, 3, 2, 8, 7, 0}, {0, 0, 0, 4, 0, GLint(buffer)}};
    for (const auto& c : cases) {
        for (const auto& caller : callers) {
            SCOPED_TRACE(std::string(c.label) + ", caller's buffer " + std::to_string(caller[5]));
            for (int i = 0; i < 5; ++i)
                glPixelStorei(names[i], caller[i]);
            glBindBuffer(GL_PIXEL_UNPACK_BUFFER, GLuint(caller[5]));
            // The reader binds on whatever unit is active.
            glActiveTexture(GL_TEXTURE3);
            Texture texture(c.path.c_str(), c.type);
            for (int i = 0; i < 6; ++i) {
                GLint got = -1;
                glGetIntegerv(names[i], &got);
                // A JPEG leaves its own four pixel-store values, as it always has.
                EXPECT_EQ(got, c.type == IMG_JPEG && i < 4 ? GLint(i == 3) : caller[i]) << "state " << names[i];
            }
            EXPECT_EQ(std::make_pair(texture.getWidth(), texture.getHeight()), std::make_pair(c.width, c.height));
            // Bound on the active unit; linear filters, repeat wrap, internal RGBA, one level (no mipmaps).
            std::vector<GLint> state;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &state.emplace_back(0));
            for (GLenum name : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T})
                glGetTexParameteriv(GL_TEXTURE_2D, name, &state.emplace_back(0));
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &state.emplace_back(0));
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &state.emplace_back(-1));
            EXPECT_EQ(state, (std::vector<GLint>{GLint(texture.getTexID()), GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT,
                                                 GL_RGBA, 0}));
            int w = 0, h = 0, worst = 0;
            const Pixels level = textureImage(texture.getTexID(), &w, &h);
            ASSERT_EQ(std::make_pair(w, h), std::make_pair(c.width, c.height));
            for (std::size_t i = 0; i < level.size(); ++i)
                worst = std::max(worst, std::abs(level[i] - c.expected[i]));
            EXPECT_LE(worst, c.tolerance);
        }
    }
    glDeleteBuffers(1, &buffer); // which unbinds it: the rest is GL's default again
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Whatever goes wrong, the texture keeps a generated, never-bound name: it samples (0, 0, 0, 1).
TEST_F(TextureTest, UnusableFilesLeaveANameWithoutAnImage)
{
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const std::string wide = file("wide.tga", tga(3, maxSize + 1, 1, 8, Pixels(std::size_t(maxSize) + 1, 7)));
    const std::string good = file("good.png", encodePNG(2, 2, distinct(2, 2, 3)));
    const std::string cut = file("cut.png", encodePNG(16, 16, distinct(16, 16, 3)).substr(0, 60));
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {good, 9, ""}, // 3-5 are the photo kinds now
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
    }
}

// Grey+alpha reads (g, g, g, a) through its swizzle; the same name reloaded with a colour picture drops it.
// How a swizzled texture samples: WebGLSubstitutesTest.
TEST_F(TextureTest, GreySamplesAsGreyAndAColourReloadDropsTheSwizzle)
{
    Texture texture(file("ga.png", encodePNG(1, 1, {90, 160}, PNG_COLOR_TYPE_GRAY_ALPHA)).c_str(), IMG_PNG);
    using Swizzle = std::vector<GLint>;
    const auto readBack = [&] {
        Swizzle swizzle(4, 0);
        const Pixels level = textureImage(texture.getTexID()); // which binds it
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle.data());
        return std::make_pair(level, swizzle);
    };
    EXPECT_EQ(readBack(), std::make_pair(Pixels{90, 160, 0, 255}, Swizzle{GL_RED, GL_RED, GL_RED, GL_GREEN}));
    texture.loadTGA(file("c.tga", tga(2, 1, 1, 24, {120, 40, 200})).c_str(), texture.getTexID());
    EXPECT_EQ(readBack(), std::make_pair(Pixels{200, 40, 120, 255}, Swizzle{GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}));
}

} // namespace
