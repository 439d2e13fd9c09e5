#include "engine/Sprite.h"
#include "engine/Texture.h"

#include "support/DrawHelpers.h"
#include "support/GLTest.h"
#include "support/ImageFiles.h"

#include <string>
#include <vector>

namespace {

using namespace testimg;
using vornak_engine::IMG_JPEG;
using vornak_engine::IMG_PNG;
using vornak_engine::IMG_TGA;
using vornak_engine::ImgType;
using vornak_engine::ShaderProgram;
using vornak_engine::Sprite;
using vornak_engine::Texture;

class TextureTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        program = draw::makeProgram(dir, draw::kSpriteVS, draw::kTextureFS);
    }

    // Draws the texture over the whole window; showAlpha draws its alpha as grey.
    void drawTexture(GLuint tex, bool showAlpha = false)
    {
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
        program.use();
        draw::setIdentity(program);
        program.addTexture("tex", tex);
        glUniform1i(glGetUniformLocation(program.getProgramID(), "showAlpha"), showAlpha ? 1 : 0);
        sprite.draw();
    }

    std::string file(const std::string& name, const std::string& bytes) { return dir.write(name, bytes); }

    TempDir dir;
    ShaderProgram program;
    Sprite sprite;
};

// Top row first RGB to a TGA's bottom-row-first BGR.
Pixels toTgaOrder(const Pixels& rgbTopFirst, int width)
{
    Pixels bgr = flipRows(rgbTopFirst, static_cast<std::size_t>(width) * 3);
    for (std::size_t i = 0; i < bgr.size(); i += 3)
        std::swap(bgr[i], bgr[i + 2]);
    return bgr;
}

TgaHeader tgaOf(int type, int width, int height, int depth)
{
    TgaHeader h;
    h.imageType = type;
    h.width = width;
    h.height = height;
    h.depth = depth;
    return h;
}

// Expected RGBA level 0, bottom-up, from top-first packed pixels of n channels.
std::vector<std::uint8_t> asRgba(const Pixels& topFirst, int width, int channels)
{
    const Pixels rows = flipRows(topFirst, static_cast<std::size_t>(width * channels));
    std::vector<std::uint8_t> rgba;
    for (std::size_t i = 0; i < rows.size(); i += static_cast<std::size_t>(channels)) {
        rgba.push_back(rows[i]);
        rgba.push_back(channels >= 2 ? rows[i + 1] : 0);
        rgba.push_back(channels >= 3 ? rows[i + 2] : 0);
        rgba.push_back(channels == 4 ? rows[i + 3] : 255);
    }
    return rgba;
}

TEST_F(TextureTest, TopRowOfEveryFormatShowsAtTheTop)
{
    const Pixels q = quadrants(16, 16);
    struct Case {
        const char* label;
        std::string path;
        ImgType type;
        int tolerance;
    };
    const std::vector<Case> cases = {
        {"jpeg", file("q.jpg", encodeJPEG(16, 16, q)), IMG_JPEG, 6},
        {"png", file("q.png", encodePNG(16, 16, q)), IMG_PNG, 0},
        {"tga", file("q.tga", tga(tgaOf(2, 16, 16, 24), toTgaOrder(q, 16))), IMG_TGA, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Texture texture(c.path.c_str(), c.type);
        EXPECT_EQ(texture.getWidth(), 16);
        EXPECT_EQ(texture.getHeight(), 16);
        // t = 1 holds the file's top row: the last row GL stores.
        const std::vector<std::uint8_t> level = textureImage(texture.getTexID());
        ASSERT_EQ(level.size(), 16u * 16u * 4u);
        auto texel = [&](int x, int row) {
            const std::size_t i = (static_cast<std::size_t>(row) * 16 + static_cast<std::size_t>(x)) * 4;
            return Rgba{level[i], level[i + 1], level[i + 2], level[i + 3]};
        };
        EXPECT_TRUE(near(texel(0, 15), {255, 0, 0, 255}, c.tolerance));
        EXPECT_TRUE(near(texel(15, 15), {0, 255, 0, 255}, c.tolerance));
        EXPECT_TRUE(near(texel(0, 0), {0, 0, 255, 255}, c.tolerance));
        EXPECT_TRUE(near(texel(15, 0), {255, 255, 255, 255}, c.tolerance));

        drawTexture(texture.getTexID());
        EXPECT_TRUE(near(pixelAt(0.25, 0.75), {255, 0, 0, 255}, c.tolerance));
        EXPECT_TRUE(near(pixelAt(0.75, 0.75), {0, 255, 0, 255}, c.tolerance));
        EXPECT_TRUE(near(pixelAt(0.25, 0.25), {0, 0, 255, 255}, c.tolerance));
        EXPECT_TRUE(near(pixelAt(0.75, 0.25), {255, 255, 255, 255}, c.tolerance));
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTest, EveryReaderLeavesTheSameTextureState)
{
    const Pixels q = quadrants(8, 8);
    const std::vector<std::pair<std::string, ImgType>> files = {
        {file("s.jpg", encodeJPEG(8, 8, q)), IMG_JPEG},
        {file("s.png", encodePNG(8, 8, q)), IMG_PNG},
        {file("s.tga", tga(tgaOf(2, 8, 8, 24), toTgaOrder(q, 8))), IMG_TGA},
    };
    for (const auto& [path, type] : files) {
        SCOPED_TRACE(path);
        glActiveTexture(GL_TEXTURE3);
        Texture texture(path.c_str(), type);
        ASSERT_NE(texture.getTexID(), 0u);
        // The reader leaves its texture bound on the active unit.
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), texture.getTexID());

        const std::vector<std::pair<GLenum, GLint>> parameters = {
            {GL_TEXTURE_MIN_FILTER, GL_LINEAR},
            {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
            {GL_TEXTURE_WRAP_S, GL_REPEAT},
            {GL_TEXTURE_WRAP_T, GL_REPEAT},
        };
        for (const auto& [name, value] : parameters) {
            GLint got = 0;
            glGetTexParameteriv(GL_TEXTURE_2D, name, &got);
            EXPECT_EQ(got, value) << "parameter 0x" << std::hex << name;
        }
        GLint internal = 0, width = 0, height = 0, secondLevel = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &secondLevel);
        EXPECT_EQ(internal, GL_RGBA);
        EXPECT_EQ(width, 8);
        EXPECT_EQ(height, 8);
        EXPECT_EQ(secondLevel, 0) << "one level, no mipmaps";
    }
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTest, JpegResetsThePixelStore)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 7);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 2);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 3);
    Texture texture(file("p.jpg", encodeJPEG(8, 8, quadrants(8, 8))).c_str(), IMG_JPEG);
    const std::vector<std::pair<GLenum, GLint>> store = {
        {GL_UNPACK_ALIGNMENT, 1}, {GL_UNPACK_ROW_LENGTH, 0}, {GL_UNPACK_SKIP_PIXELS, 0}, {GL_UNPACK_SKIP_ROWS, 0}};
    for (const auto& [name, value] : store) {
        GLint got = -1;
        glGetIntegerv(name, &got);
        EXPECT_EQ(got, value) << "pixel store 0x" << std::hex << name;
    }
    // Uploaded with the reset store: a whole, unshifted picture.
    const std::vector<std::uint8_t> level = textureImage(texture.getTexID());
    ASSERT_EQ(level.size(), 8u * 8u * 4u);
    EXPECT_TRUE(near({level[0], level[1], level[2], level[3]}, {0, 0, 255, 255}, 6));
}

TEST_F(TextureTest, OddRowLengthsUploadWithoutSkew)
{
    // JPEG 10 wide: 30-byte rows. Columns 0-7 red, 8-9 green, in whole 8x8 blocks.
    Pixels stripes;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            stripes.insert(stripes.end(), {std::uint8_t(x < 8 ? 255 : 0), std::uint8_t(x < 8 ? 0 : 255), 0});
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    {
        SCOPED_TRACE("jpeg 10 wide");
        Texture texture(file("odd.jpg", encodeJPEG(10, 8, stripes)).c_str(), IMG_JPEG);
        const std::vector<std::uint8_t> level = textureImage(texture.getTexID());
        ASSERT_EQ(level.size(), 10u * 8u * 4u);
        for (std::size_t row = 0; row < 8; ++row) {
            SCOPED_TRACE("row " + std::to_string(row));
            const std::uint8_t* r = level.data() + row * 40;
            EXPECT_TRUE(near({r[0], r[1], r[2], r[3]}, {255, 0, 0, 255}, 6));
            EXPECT_TRUE(near({r[28], r[29], r[30], r[31]}, {255, 0, 0, 255}, 6));
            EXPECT_TRUE(near({r[36], r[37], r[38], r[39]}, {0, 255, 0, 255}, 6));
        }
    }

    PngOptions rgbaPng;
    rgbaPng.colourType = PNG_COLOR_TYPE_RGBA;
    PngOptions greyPng;
    greyPng.colourType = PNG_COLOR_TYPE_GRAY;
    struct Case {
        const char* label;
        std::string path;
        ImgType type;
        int width, height, channels;
        Pixels topFirst; // as the texture must hold it, top row first
    };
    const Pixels rgb53 = distinct(5, 3, 3);
    const Pixels rgb32 = distinct(3, 2, 3);
    const Pixels grey53 = distinct(5, 3, 1);
    const std::vector<Case> cases = {
        {"rgb png 5 wide", file("odd.png", encodePNG(5, 3, rgb53)), IMG_PNG, 5, 3, 3, rgb53},
        {"grey png 5 wide", file("oddgrey.png", encodePNG(5, 3, grey53, greyPng)), IMG_PNG, 5, 3, 1, grey53},
        {"24-bit tga 3 wide", file("odd.tga", tga(tgaOf(2, 3, 2, 24), toTgaOrder(rgb32, 3))), IMG_TGA, 3, 2, 3, rgb32},
        {"24-bit tga 5 wide", file("odd5.tga", tga(tgaOf(2, 5, 3, 24), toTgaOrder(rgb53, 5))), IMG_TGA, 5, 3, 3, rgb53},
        {"8-bit tga 5 wide", file("oddgrey.tga", tga(tgaOf(3, 5, 3, 8), flipRows(grey53, 5))), IMG_TGA, 5, 3, 1,
         grey53},
    };
    const std::string jpeg = file("first.jpg", encodeJPEG(8, 8, quadrants(8, 8)));
    for (bool jpegFirst : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.label) + (jpegFirst ? ", after a JPEG" : ", no JPEG before"));
            if (jpegFirst)
                Texture before(jpeg.c_str(), IMG_JPEG);
            else
                glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            Texture texture(c.path.c_str(), c.type);
            int w = 0, h = 0;
            // Level 0 as stored, before any swizzle: grey sits in red.
            EXPECT_EQ(textureImage(texture.getTexID(), &w, &h), asRgba(c.topFirst, c.width, c.channels));
            EXPECT_EQ(w, c.width);
            EXPECT_EQ(h, c.height);
        }
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTest, ColourOrderAndAlphaAreKept)
{
    PngOptions rgba;
    rgba.colourType = PNG_COLOR_TYPE_RGBA;
    const Pixels rgba42 = distinct(4, 2, 4);
    Pixels bgra = flipRows(rgba42, 16);
    for (std::size_t i = 0; i < bgra.size(); i += 4)
        std::swap(bgra[i], bgra[i + 2]);
    struct Case {
        const char* label;
        std::string path;
        ImgType type;
        std::vector<std::uint8_t> expected;
    };
    const std::vector<Case> cases = {
        {"rgba png", file("a.png", encodePNG(4, 2, rgba42, rgba)), IMG_PNG, asRgba(rgba42, 4, 4)},
        {"32-bit tga", file("a.tga", tga(tgaOf(2, 4, 2, 32), bgra)), IMG_TGA, asRgba(rgba42, 4, 4)},
        // Stored blue, green, red: shows red.
        {"24-bit tga", file("bgr.tga", tga(tgaOf(2, 1, 1, 24), {10, 20, 200})), IMG_TGA, {200, 20, 10, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Texture texture(c.path.c_str(), c.type);
        EXPECT_EQ(textureImage(texture.getTexID()), c.expected);
    }

    SCOPED_TRACE("jpeg alpha");
    Texture jpeg(file("a.jpg", encodeJPEG(16, 16, quadrants(16, 16))).c_str(), IMG_JPEG);
    const std::vector<std::uint8_t> level = textureImage(jpeg.getTexID());
    ASSERT_FALSE(level.empty());
    for (std::size_t i = 3; i < level.size(); i += 4)
        ASSERT_EQ(level[i], 255) << "texel " << i / 4;
}

// Grey pictures sample as grey through the swizzle, not as red.
TEST_F(TextureTest, GreyAndPalettePicturesSampleTheirTrueColours)
{
    PngOptions grey, greyAlpha, grey2, palette;
    grey.colourType = PNG_COLOR_TYPE_GRAY;
    greyAlpha.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    grey2.colourType = PNG_COLOR_TYPE_GRAY;
    grey2.bitDepth = 2;
    palette.colourType = PNG_COLOR_TYPE_PALETTE;
    palette.palette = {{30, 140, 220}};
    palette.paletteAlpha = {64};
    struct Case {
        const char* label;
        std::string path;
        ImgType type;
        Rgba colour;
        int alpha;
    };
    const std::vector<Case> cases = {
        {"grey png", file("g.png", encodePNG(4, 4, Pixels(16, 90), grey)), IMG_PNG, {90, 90, 90, 255}, 255},
        {"grey+alpha png", file("ga.png", encodePNG(4, 4, [] {
             Pixels p;
             for (int i = 0; i < 16; ++i)
                 p.insert(p.end(), {90, 160});
             return p;
         }(), greyAlpha)),
         IMG_PNG, {90, 90, 90, 255}, 160},
        // Level 2 of 0..3 expands to 170.
        {"2-bit grey png", file("g2.png", encodePNG(4, 4, Pixels(4, 0xAA), grey2)), IMG_PNG, {170, 170, 170, 255}, 255},
        {"palette png", file("p.png", encodePNG(4, 4, Pixels(16, 0), palette)), IMG_PNG, {30, 140, 220, 255}, 64},
        {"grey tga", file("g.tga", tga(tgaOf(3, 4, 4, 8), Pixels(16, 90))), IMG_TGA, {90, 90, 90, 255}, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Texture texture(c.path.c_str(), c.type);
        drawTexture(texture.getTexID());
        EXPECT_TRUE(near(pixelAt(0.5, 0.5), c.colour, 1));
        drawTexture(texture.getTexID(), true);
        EXPECT_TRUE(near(pixelAt(0.5, 0.5), {c.alpha, c.alpha, c.alpha, 255}, 1));
    }
}

struct Unusable {
    const char* label;
    std::string path;
    int kind;
    std::string message; // expected standard error, empty for none
};

// Whatever goes wrong, the texture keeps a generated, never-bound name that samples (0, 0, 0, 1).
TEST_F(TextureTest, UnusableFilesLeaveANameWithoutAnImage)
{
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const std::string missing = dir.path() + "/missing.jpg";
    const std::string wide = file("wide.tga", tga(tgaOf(3, maxSize + 1, 1, 8), Pixels(static_cast<std::size_t>(maxSize) + 1, 7)));
    const std::string good = file("good.png", encodePNG(2, 2, distinct(2, 2, 3)));
    const std::string cut = file("cut.png", encodePNG(16, 16, quadrants(16, 16)).substr(0, 60));
    const std::vector<Unusable> cases = {
        {"kind outside 0..2", good, 3, ""},
        {"negative kind", good, -1, ""},
        {"missing jpeg", missing, IMG_JPEG, missing + ": cannot open: No such file or directory\n"},
        {"missing png", missing, IMG_PNG, missing + ": cannot open: No such file or directory\n"},
        {"cut png", cut, IMG_PNG, cut + ": cannot decode PNG: file ends early\n"},
        {"png read as tga", good, IMG_TGA, good + ": unsupported image type 78\n"},
        {"wider than GL allows", wide, IMG_TGA,
         wide + ": " + std::to_string(maxSize + 1) + "x1 picture is larger than this GL's " + std::to_string(maxSize) +
             "-pixel texture limit\n"},
    };
    for (const Unusable& c : cases) {
        SCOPED_TRACE(c.label);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        Texture texture(c.path.c_str(), static_cast<ImgType>(c.kind));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_NE(texture.getTexID(), 0u);
        EXPECT_FALSE(glIsTexture(texture.getTexID())) << "generated but never bound";
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        drawTexture(texture.getTexID());
        EXPECT_TRUE(near(pixelAt(0.5, 0.5), {0, 0, 0, 255}, 0));
        drawTexture(texture.getTexID(), true);
        EXPECT_TRUE(near(pixelAt(0.5, 0.5), {255, 255, 255, 255}, 0)) << "alpha 1";
    }
}

TEST_F(TextureTest, EachTextureGetsItsOwnName)
{
    const std::string path = file("n.png", encodePNG(2, 2, distinct(2, 2, 3)));
    Texture a(path.c_str(), IMG_PNG);
    Texture b(path.c_str(), IMG_PNG);
    EXPECT_NE(a.getTexID(), 0u);
    EXPECT_NE(a.getTexID(), b.getTexID());
}

} // namespace
