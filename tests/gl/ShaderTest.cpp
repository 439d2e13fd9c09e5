#include "engine/Shader.h"
#include "engine/ShaderError.h"
#include "engine/ShaderProgram.h"
#include "engine/Texture.h"

#include "support/DrawHelpers.h"
#include "support/GLTest.h"

#include <string>
#include <vector>

namespace {

using vornak_engine::ERROR_TYPE;
using vornak_engine::ImgType;
using vornak_engine::PROGRAM_LOG;
using vornak_engine::Shader;
using vornak_engine::SHADER_LOG;
using vornak_engine::ShaderError;
using vornak_engine::ShaderProgram;
using vornak_engine::Texture;

class ShaderTest : public GLTest {};

const char* const kBrokenFS = "#version 410 core\nout vec4 colour;\nvoid main() { colour = vec4(1.0) +; }\n";

std::string shaderLog(GLuint shader)
{
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(length), '\0');
    glGetShaderInfoLog(shader, length, nullptr, &log[0]);
    return log.c_str();
}

std::string programLog(GLuint program)
{
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(length), '\0');
    glGetProgramInfoLog(program, length, nullptr, &log[0]);
    return log.c_str();
}

TEST_F(ShaderTest, SyntaxErrorPrintsHeadingSourceAndLogInOrder)
{
    TempDir dir;
    const std::string path = dir.write("broken.fs", kBrokenFS);
    testing::internal::CaptureStdout();
    Shader shader(path.c_str(), GL_FRAGMENT_SHADER);
    const std::string out = testing::internal::GetCapturedStdout();

    GLint status = GL_TRUE;
    glGetShaderiv(shader.getShaderId(), GL_COMPILE_STATUS, &status);
    EXPECT_EQ(status, GL_FALSE);
    EXPECT_TRUE(glIsShader(shader.getShaderId()));
    const std::string log = shaderLog(shader.getShaderId());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(out, "Shader error\n" + std::string(kBrokenFS) + "\n" + log + "\n");
}

TEST_F(ShaderTest, ValidSourcesPrintNothing)
{
    TempDir dir;
    testing::internal::CaptureStdout();
    {
        Shader vertex(dir.write("ok.vs", draw::kSpriteVS).c_str(), GL_VERTEX_SHADER);
        ShaderProgram program = draw::makeProgram(dir, draw::kSpriteVS, draw::kTextureFS);
        GLint linked = GL_FALSE;
        glGetProgramiv(program.getProgramID(), GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(ShaderTest, FailedFragmentShaderPrintsShaderLinkAndValidateBlocks)
{
    TempDir dir;
    testing::internal::CaptureStdout();
    ShaderProgram program = draw::makeProgram(dir, draw::kSpriteVS, kBrokenFS);
    const std::string out = testing::internal::GetCapturedStdout();

    GLuint attached[4] = {};
    GLsizei count = 0;
    glGetAttachedShaders(program.getProgramID(), 4, &count, attached);
    ASSERT_EQ(count, 2) << "both shaders stay attached";
    const std::string compileLog = shaderLog(attached[1]);
    const std::string head = "Shader error\n" + std::string(kBrokenFS) + "\n" + compileLog + "\nLink error\n";
    ASSERT_EQ(out.substr(0, head.size()), head) << out;
    const std::size_t validate = out.find("\nValidate error\n", head.size());
    ASSERT_NE(validate, std::string::npos) << out;
    EXPECT_GT(validate, head.size()) << "the link log comes between";
    // The validate block ends the output with the program's current log.
    EXPECT_EQ(out.substr(validate), "\nValidate error\n" + programLog(program.getProgramID()) + "\n");
}

TEST_F(ShaderTest, UnreadableFileCompilesAnEmptySource)
{
    TempDir dir;
    const std::string path = dir.path() + "/absent.fs";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Shader shader(path.c_str(), GL_FRAGMENT_SHADER);
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(err, path + ": cannot open: No such file or directory\n");
    EXPECT_NE(shader.getShaderId(), 0u);
    GLint length = -1;
    glGetShaderiv(shader.getShaderId(), GL_SHADER_SOURCE_LENGTH, &length);
    EXPECT_LE(length, 1) << "an empty source (a lone NUL at most)";
    // A core context refuses an empty source, so the usual block follows.
    EXPECT_EQ(out, "Shader error\n\n" + shaderLog(shader.getShaderId()) + "\n");
}

TEST_F(ShaderTest, EmptyInfoLogPrintsAnEmptyLine)
{
    const GLuint shader = glCreateShader(GL_VERTEX_SHADER);
    const GLuint program = glCreateProgram();
    struct Case {
        const char* label;
        GLuint id;
        ERROR_TYPE type;
    };
    for (const Case& c : {Case{"shader", shader, SHADER_LOG}, Case{"program", program, PROGRAM_LOG}}) {
        SCOPED_TRACE(c.label);
        testing::internal::CaptureStdout();
        ShaderError::errorStr(c.id, c.type);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n");
    }
    glDeleteShader(shader);
    glDeleteProgram(program);
}

const char* const kTwoSamplerFS = R"(#version 410 core
in vec2 uv;
uniform sampler2D first;
uniform sampler2D second;
out vec4 colour;
void main() { colour = texture(first, uv) + texture(second, uv); }
)";

GLint boundOnUnit(int unit)
{
    GLint name = 0;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

GLint samplerUnit(ShaderProgram& program, const char* name)
{
    GLint unit = -1;
    glGetUniformiv(program.getProgramID(), glGetUniformLocation(program.getProgramID(), name), &unit);
    return unit;
}

TEST_F(ShaderTest, TexturesTakeUnitsInOrderAndUseRestarts)
{
    TempDir dir;
    ShaderProgram program = draw::makeProgram(dir, draw::kSpriteVS, kTwoSamplerFS);
    Texture a(dir.path().c_str(), static_cast<ImgType>(9));
    Texture b(dir.path().c_str(), static_cast<ImgType>(9));

    program.use();
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(current), program.getProgramID());
    program.addTexture("first", a.getTexID());
    program.addTexture("second", &b);
    EXPECT_EQ(boundOnUnit(0), static_cast<GLint>(a.getTexID()));
    EXPECT_EQ(boundOnUnit(1), static_cast<GLint>(b.getTexID()));
    EXPECT_EQ(samplerUnit(program, "first"), 0);
    EXPECT_EQ(samplerUnit(program, "second"), 1);

    // A new frame: use() hands out unit 0 again.
    program.use();
    program.addTexture("second", &a);
    EXPECT_EQ(boundOnUnit(0), static_cast<GLint>(a.getTexID()));
    EXPECT_EQ(samplerUnit(program, "second"), 0);
    // A name that is not a sampler is ignored by GL but still takes a unit.
    program.addTexture("nothing", b.getTexID());
    EXPECT_EQ(boundOnUnit(1), static_cast<GLint>(b.getTexID()));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ShaderTest, CopiesShareOneProgramUntilTheLastGoes)
{
    TempDir dir;
    GLuint id = 0;
    GLuint replaced = 0;
    {
        ShaderProgram original = draw::makeProgram(dir, draw::kSpriteVS, kTwoSamplerFS);
        id = original.getProgramID();
        ASSERT_TRUE(glIsProgram(id));
        {
            ShaderProgram copy = original;
            ShaderProgram assigned;
            replaced = assigned.getProgramID();
            assigned = copy;
            EXPECT_FALSE(glIsProgram(replaced)) << "an overwritten program is deleted";
            EXPECT_EQ(copy.getProgramID(), id);
            EXPECT_EQ(assigned.getProgramID(), id);

            // Each copy counts its own units.
            original.use();
            original.addTexture("first", 0u);
            copy.use();
            copy.addTexture("second", 0u);
            original.addTexture("second", 0u);
            EXPECT_EQ(samplerUnit(copy, "second"), 1);
        }
        glUseProgram(0);
        EXPECT_TRUE(glIsProgram(id)) << "the original still holds it";
        ShaderProgram moved = std::move(original);
        EXPECT_EQ(original.getProgramID(), 0u);
        EXPECT_EQ(moved.getProgramID(), id);
        EXPECT_TRUE(glIsProgram(id));
    }
    EXPECT_FALSE(glIsProgram(id));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
