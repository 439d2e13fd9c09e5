// The engine's substitutes for what WebGL2 lacks, checked against desktop GL: ES shader forms compile
// here (ARB_ES3_compatibility), and CPU-expanded RGBA equals what the desktop texture samples.

#include "vornak/GlslEs.h"
#include "vornak/ImageDecoder.h"
#include "vornak/Shader.h"
#include "vornak/Sprite.h"
#include "vornak/Texture.h"

#include "support/DrawHelpers.h"
#include "support/GLTest.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace testimg;
using namespace vornak_engine;
namespace fs = std::filesystem;

class WebGLSubstitutes : public GLTest {};

TEST_F(WebGLSubstitutes, EveryShaderOfTheShowAndTheExamplesCompilesInItsEsForm)
{
    if (!GLEW_ARB_ES3_compatibility)
        GTEST_SKIP() << "this GL compiles no GLSL ES 3.00";
    TempDir dir;
    int seen = 0;
    for (const char* folder : {"data", "examples/shaders"}) {
        for (const auto& entry : fs::directory_iterator(fs::path(VORNAK_SOURCE_DIR) / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".vs" && ext != ".fs")
                continue;
            SCOPED_TRACE(entry.path().string());
            ++seen;
            const GLenum stage = ext == ".vs" ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER;
            std::string es, error;
            ASSERT_TRUE(toGlslEs(entry.path().c_str(), readFile(entry.path().string()), stage, es, error)) << error;
            testing::internal::CaptureStdout(); // where a failed compile prints "Shader error" and the log
            Shader compiled(dir.write("es" + ext, es).c_str(), stage);
            EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        }
    }
    EXPECT_GE(seen, 10);
}

// Every layout a reader gives: grey and grey-alpha (swizzled on the desktop), RGB, RGBA, BGR(A) and JPEG's RGBA.
TEST_F(WebGLSubstitutes, CpuExpansionHoldsWhatTheDesktopTextureSamples)
{
    TempDir dir;
    const int w = 7, h = 5;
    const struct { const char* name; std::string bytes; ImgType type; } kinds[] = {
        {"grey.png", encodePNG(w, h, distinct(w, h, 1), PNG_COLOR_TYPE_GRAY), IMG_PNG},
        {"grey-alpha.png", encodePNG(w, h, distinct(w, h, 2), PNG_COLOR_TYPE_GRAY_ALPHA), IMG_PNG},
        {"rgb.png", encodePNG(w, h, distinct(w, h, 3)), IMG_PNG},
        {"rgba.png", encodePNG(w, h, distinct(w, h, 4), PNG_COLOR_TYPE_RGBA), IMG_PNG},
        {"bgr.tga", tga(2, w, h, 24, distinct(w, h, 3)), IMG_TGA},
        {"bgra.tga", tga(2, w, h, 32, distinct(w, h, 4), 8), IMG_TGA},
        {"rgb.jpg", encodeJPEG(w, h, distinct(w, h, 3)), IMG_JPEG},
    };
    ShaderProgram program = draw::makeProgram(dir, draw::kSpriteVS, draw::kTextureFS);
    Sprite sprite;
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.name);
        const std::string path = dir.write(kind.name, kind.bytes);
        DecodedImage image;
        ASSERT_TRUE(Texture::decode(path.c_str(), kind.type, image));
        DecodedImage rgba;
        ASSERT_TRUE(expandToRgba(image, kind.name, rgba));
        ASSERT_EQ(rgba.format, static_cast<unsigned>(GL_RGBA));
        ASSERT_EQ(rgba.size, static_cast<std::size_t>(w * h * 4));
        // The desktop texture drawn texel for texel: colour, then alpha as grey.
        Texture texture(path.c_str(), kind.type);
        glViewport(0, 0, w, h);
        for (int showAlpha : {0, 1}) {
            SCOPED_TRACE(showAlpha ? "alpha" : "colour");
            glClear(GL_COLOR_BUFFER_BIT);
            draw::useWithIdentity(program);
            program.addTexture("tex", &texture);
            program.setUniform("showAlpha", showAlpha);
            sprite.draw();
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const std::uint8_t* cpu = rgba.pixels + (y * w + x) * 4;
                    const Rgba want = showAlpha ? Rgba{cpu[3], cpu[3], cpu[3], 255} : Rgba{cpu[0], cpu[1], cpu[2], 255};
                    ASSERT_TRUE(near(pixel(x, y), want, 0)) << "at " << x << "," << y;
                }
            }
        }
    }
}

} // namespace
