#include "vornak/GL.h"
#include "vornak/GlslEs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vornak_engine::toGlslEs;

// The body also holds what ES takes beside refused constructs (placed vertex inputs: WebGLSubstitutes).
TEST(GlslEsRule, VersionBecomesEsWithPrecisionsAndTheFilesLineNumbers)
{
    const std::string body = "// a comment that says double and noperspective\nlayout(location = 0) out vec4 c;\n"
                             "uniform float doubled;\nlayout(std140) uniform Block { mat4 m; };\n"
                             "uniform float a; float b = 1.0;\nuniform usampler2DArray sampler1DData;\n";
    std::string out, error;
    ASSERT_TRUE(toGlslEs("a.fs", "#version 410 core\r\n" + body, GL_FRAGMENT_SHADER, out, error)) << error;
    // ES declares no precision for most sampler types; shaders using them compile on
    // Mesa as ES (WebGLSubstitutes.EverySamplerTypeCompilesAsEs).
    EXPECT_EQ(out, "#version 300 es\nprecision highp float;\nprecision highp int;\n"
                   "precision highp sampler2D;\nprecision highp sampler3D;\nprecision highp samplerCube;\n"
                   "precision highp sampler2DShadow;\nprecision highp samplerCubeShadow;\n"
                   "precision highp sampler2DArray;\nprecision highp sampler2DArrayShadow;\n"
                   "precision highp isampler2D;\nprecision highp isampler3D;\nprecision highp isamplerCube;\n"
                   "precision highp isampler2DArray;\nprecision highp usampler2D;\nprecision highp usampler3D;\n"
                   "precision highp usamplerCube;\nprecision highp usampler2DArray;\n"
                   "#line 2\n" + body);
}

// Each refusal names the file and the line of the construct ES has no form for.
TEST(GlslEsRule, RefusesWhatEsCannotTakeNamingFileAndLine)
{
    struct Case { const char* source; unsigned stage; const char* expected; } cases[] = {
        {"#version 330\nvoid main() {}\n", GL_FRAGMENT_SHADER, "shader.glsl:1: the first line"},
        {"\n#version 410 core\n", GL_FRAGMENT_SHADER, "shader.glsl:1: the first line"},
        {"#version 450 core\n", GL_FRAGMENT_SHADER, "shader.glsl:1: the first line"},
        {"#version 410 core\n#extension GL_ARB_foo : enable\n", GL_FRAGMENT_SHADER, "shader.glsl:2: \"#extension\""},
        {"#version 410 core\n\nuniform double d;\n", GL_FRAGMENT_SHADER, "shader.glsl:3: doubles"},
        {"#version 410 core\n/* x\n y */ uniform dvec3 d;\n", GL_VERTEX_SHADER, "shader.glsl:3: doubles"},
        {"#version 410 core\nnoperspective in vec2 uv;\n", GL_FRAGMENT_SHADER, "shader.glsl:2: \"noperspective\""},
        {"#version 410 core\nuniform sampler1D s;\n", GL_FRAGMENT_SHADER, "shader.glsl:2: 1D samplers"},
        {"#version 410 core\nuniform isampler1DArray s;\n", GL_FRAGMENT_SHADER, "shader.glsl:2: 1D samplers"},
        {"#version 410 core\nuniform usampler2DRect s;\n", GL_VERTEX_SHADER, "shader.glsl:2: rectangle samplers"},
        {"#version 410 core\nuniform sampler2DMSArray s;\n", GL_FRAGMENT_SHADER, "shader.glsl:2: multisample"},
        {"#version 410 core\nuniform samplerCubeArrayShadow s;\n", GL_FRAGMENT_SHADER, "shader.glsl:2: cube-array"},
        {"#version 410 core\nuniform isamplerBuffer s;\n", GL_FRAGMENT_SHADER, "shader.glsl:2: buffer samplers"},
        {"#version 410 core\nuniform float f = 1.0;\n", GL_FRAGMENT_SHADER, "shader.glsl:2: uniforms with initial"},
        {"#version 410 core\nlayout(location = 1) out vec2 uv;\n", GL_VERTEX_SHADER, "shader.glsl:2: a layout location"},
        {"#version 410 core\nlayout(location = 0) in vec2 uv;\n", GL_FRAGMENT_SHADER, "shader.glsl:2: a layout location"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        std::string out, error;
        EXPECT_FALSE(toGlslEs("shader.glsl", c.source, c.stage, out, error));
        EXPECT_EQ(error.rfind(c.expected, 0), 0u) << error;
    }
}

} // namespace
