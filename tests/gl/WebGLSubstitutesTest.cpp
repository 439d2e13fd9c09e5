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

#include <algorithm>
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

// Mesa's desktop context compiles "#version 300 es" text by ES rules (ARB_ES3_compatibility),
// precision checks included: without the rule's declaration every sampler type but the two
// ES gives a default fails here as it would in a browser, which shows this test can fail.
TEST_F(WebGLSubstitutes, EverySamplerTypeCompilesAsEs)
{
    if (!GLEW_ARB_ES3_compatibility)
        GTEST_SKIP() << "this GL compiles no GLSL ES 3.00";
    const struct { const char* type; const char* coordinate; bool esDefault; } samplers[] = {
        {"sampler2D", "vec2(0.5)", true},        {"sampler3D", "vec3(0.5)", false},
        {"samplerCube", "vec3(0.5)", true},      {"sampler2DShadow", "vec3(0.5)", false},
        {"samplerCubeShadow", "vec4(0.5)", false}, {"sampler2DArray", "vec3(0.5)", false},
        {"sampler2DArrayShadow", "vec4(0.5)", false}, {"isampler2D", "vec2(0.5)", false},
        {"isampler3D", "vec3(0.5)", false},      {"isamplerCube", "vec3(0.5)", false},
        {"isampler2DArray", "vec3(0.5)", false}, {"usampler2D", "vec2(0.5)", false},
        {"usampler3D", "vec3(0.5)", false},      {"usamplerCube", "vec3(0.5)", false},
        {"usampler2DArray", "vec3(0.5)", false},
    };
    auto compiles = [](GLenum stage, const std::string& text, std::string& log) {
        const GLuint shader = glCreateShader(stage);
        const char* source = text.c_str();
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        GLint status = GL_FALSE, length = 0;
        glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
        log.assign(static_cast<std::size_t>(std::max(length, 1)), '\0');
        glGetShaderInfoLog(shader, length, nullptr, log.data());
        glDeleteShader(shader);
        return status == GL_TRUE;
    };
    for (const auto& sampler : samplers) {
        for (const GLenum stage : {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER}) {
            const bool vertex = stage == GL_VERTEX_SHADER;
            SCOPED_TRACE(std::string(sampler.type) + (vertex ? " in a vertex shader" : " in a fragment shader"));
            const std::string use = std::string("vec4(texture(s, ") + sampler.coordinate + "))";
            const std::string desktop = std::string("#version 410 core\nuniform ") + sampler.type + " s;\n" +
                                        (vertex ? "" : "out vec4 colour;\n") + "void main() { " +
                                        (vertex ? "gl_Position = " : "colour = ") + use + "; }\n";
            std::string es, error, log;
            ASSERT_TRUE(toGlslEs("s.glsl", desktop, stage, es, error)) << error;
            EXPECT_TRUE(compiles(stage, es, log)) << es << log;
            // The same text without the rule's line for this type.
            const std::string line = std::string("precision highp ") + sampler.type + ";\n";
            const std::size_t at = es.find(line);
            ASSERT_NE(at, std::string::npos);
            es.erase(at, line.size());
            EXPECT_EQ(compiles(stage, es, log), sampler.esDefault) << es << log;
        }
    }
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
