#include "vornak/Log.h"
#include "vornak/Matrix.h"
#include "vornak/ShaderError.h"
#include "vornak/ShaderProgram.h"
#include "vornak/Texture.h"

#include "support/DrawHelpers.h"
#include "support/GLTest.h"

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace vornak_engine;

class ShaderTest : public GLTest {
protected:
    TempDir dir;
};

const char* const kBrokenFS = "#version 410 core\nout vec4 colour;\nvoid main() { colour = vec4(1.0) +; }\n";

const char* const kTwoSamplerFS = "#version 410 core\nin vec2 uv;\nuniform sampler2D first, second;\nout vec4 colour;\n"
                                   "void main() { colour = texture(first, uv) + texture(second, uv); }\n";

std::string infoLog(GLuint id, bool program)
{
    GLint length = 0;
    (program ? glGetProgramiv : glGetShaderiv)(id, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(length), '\0');
    (program ? glGetProgramInfoLog : glGetShaderInfoLog)(id, length, nullptr, log.data());
    return log.c_str();
}

GLint samplerUnit(ShaderProgram& program, const char* name)
{
    GLint unit = -1;
    glGetUniformiv(program.getProgramID(), glGetUniformLocation(program.getProgramID(), name), &unit);
    return unit;
}

GLint boundOnUnit(int unit)
{
    GLint name = 0;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

// The failed compile's heading, source and log, then the failed link and validation, each with its log.
TEST_F(ShaderTest, FailedFragmentShaderPrintsShaderLinkAndValidateBlocks)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ShaderProgram program = draw::makeProgram(dir, draw::kSpriteVS, kBrokenFS);
    EXPECT_FALSE(program.isLinked()) << "and asking prints nothing more";
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    // One line on standard error names the file.
    EXPECT_EQ(err.rfind(dir.path() + "/", 0), 0u) << err;
    // The only newline is the tail's own, so found is at the end.
    EXPECT_NE(err.find(".fs: does not compile (\"Shader error\" on standard output)\n"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    GLuint attached[4] = {};
    GLsizei count = 0;
    glGetAttachedShaders(program.getProgramID(), 4, &count, attached);
    ASSERT_EQ(count, 2) << "both shaders stay attached";
    const std::string head =
        "Shader error\n" + std::string(kBrokenFS) + "\n" + infoLog(attached[1], false) + "\nLink error\n";
    ASSERT_EQ(out.substr(0, head.size()), head) << out;
    const std::size_t validate = out.find("\nValidate error\n", head.size());
    ASSERT_NE(validate, std::string::npos) << out;
    EXPECT_GT(validate, head.size()) << "the link log comes between";
    EXPECT_EQ(out.substr(validate), "\nValidate error\n" + infoLog(program.getProgramID(), true) + "\n");
}

// With a callback set, the same lines reach it, each with its level, and nothing is printed.
TEST_F(ShaderTest, AMessageCallbackTakesEveryLineWithItsLevel)
{
    std::vector<std::pair<LogLevel, std::string>> lines;
    setLogCallback([](LogLevel level, const char* message, void* user) {
        static_cast<std::vector<std::pair<LogLevel, std::string>>*>(user)->emplace_back(level, message);
    }, &lines);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ShaderProgram program = draw::makeProgram(dir, draw::kSpriteVS, kBrokenFS);
    Texture missing((dir.path() + "/missing.png").c_str(), IMG_PNG);
    setLogCallback(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0].first, LogLevel::Error);
    EXPECT_NE(lines[0].second.find(".fs: does not compile"), std::string::npos) << lines[0].second;
    // The system's own block, as it appears on standard output, one Info line per puts.
    const std::pair<LogLevel, std::string> block[] = {{LogLevel::Info, "Shader error"},
                                                      {LogLevel::Info, kBrokenFS}};
    EXPECT_EQ(lines[1], block[0]);
    EXPECT_EQ(lines[2], block[1]);
    EXPECT_EQ(lines[4], std::make_pair(LogLevel::Info, std::string("Link error")));
    EXPECT_EQ(lines.back().first, LogLevel::Error);
    EXPECT_EQ(lines.back().second.rfind(dir.path() + "/missing.png: ", 0), 0u) << lines.back().second;
    // Back to the default: printed again.
    testing::internal::CaptureStderr();
    Texture again((dir.path() + "/missing.png").c_str(), IMG_PNG);
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind(dir.path() + "/missing.png: ", 0), 0u);
}

// Shaders that compile but do not link are named together, once.
TEST_F(ShaderTest, LinkFailureNamesTheFilesOnce)
{
    const std::string vs = dir.write("cut.vs", draw::kSpriteVS);
    const std::string fs = dir.write("cut.fs", "#version 410 core\nout vec4 colour;\n");
    ShaderProgram program;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    program.addShader(vs.c_str(), GL_VERTEX_SHADER);
    program.addShader(fs.c_str(), GL_FRAGMENT_SHADER);
    program.compile();
    const std::string why = ": program does not link (\"Link error\" on standard output)\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), vs + ", " + fs + why);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("Link error\n", 0), 0u) << out;
}

TEST_F(ShaderTest, EmptyInfoLogPrintsAnEmptyLine)
{
    const GLuint shader = glCreateShader(GL_VERTEX_SHADER), program = glCreateProgram();
    testing::internal::CaptureStdout();
    ShaderError::errorStr(shader, SHADER_LOG);
    ShaderError::errorStr(program, PROGRAM_LOG);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n\n");
    glDeleteShader(shader);
    glDeleteProgram(program);
}

// One program used, then copied, assigned and moved.
TEST_F(ShaderTest, AValidProgramPrintsNothingTexturesTakeUnitsInOrderAndCopiesShareIt)
{
    GLuint id = 0;
    {
        testing::internal::CaptureStdout();
        ShaderProgram program = draw::makeProgram(dir, draw::kSpriteVS, kTwoSamplerFS);
        EXPECT_TRUE(program.isLinked());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        id = program.getProgramID();
        // Bare names: an unknown kind generates one without an image.
        Texture a(dir.path().c_str(), static_cast<ImgType>(9)), b(dir.path().c_str(), static_cast<ImgType>(9));
        program.use();
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
        {
            ShaderProgram copy = program;
            ShaderProgram assigned;
            const GLuint replaced = assigned.getProgramID();
            assigned = copy;
            EXPECT_FALSE(glIsProgram(replaced)) << "an overwritten program is deleted";
            EXPECT_EQ(assigned.getProgramID(), id);
            // Each copy counts its own units.
            program.use();
            program.addTexture("first", 0u);
            copy.use();
            copy.addTexture("second", 0u);
            program.addTexture("second", 0u);
            EXPECT_EQ(samplerUnit(copy, "second"), 1);
        }
        glUseProgram(0);
        EXPECT_TRUE(glIsProgram(id)) << "the original still holds it";
        ShaderProgram moved = std::move(program);
        EXPECT_EQ(moved.getProgramID(), id);
    }
    EXPECT_FALSE(glIsProgram(id));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Every uniform kind, set on a program that is not current without disturbing the one that is.
TEST_F(ShaderTest, SetUniformReachesEachTypeOfAProgramThatIsNotCurrent)
{
    ShaderProgram target = draw::makeProgram(dir, draw::kSpriteVS,
        "#version 410 core\nuniform float f; uniform int i; uniform vec2 v2; uniform vec3 v3; uniform vec4 v4;\n"
        "uniform mat4 m;\nout vec4 colour;\nvoid main() { colour = vec4(f + float(i) + v2.x + v3.y + v4.w) + m[1]; }");
    ShaderProgram other = draw::makeProgram(dir, draw::kSpriteVS, draw::kTextureFS);
    other.use();
    Matrix m;
    for (int k = 0; k < 16; ++k)
        m.m[k] = static_cast<float>(k) + 0.5f; // not symmetric: a transposed upload shows
    const std::tuple<const char*, std::function<void()>, std::vector<float>> cases[] = {
        {"f", [&] { target.setUniform("f", 0.25f); }, {0.25f}},
        {"f", [&] { target.setUniform("f", 0.75); }, {0.75f}},
        {"i", [&] { target.setUniform("i", -7); }, {-7}}, // read back converted
        {"v2", [&] { target.setUniform("v2", 1.0f, -2.0f); }, {1, -2}},
        {"v3", [&] { target.setUniform("v3", 3.0f, 4.0f, 5.0f); }, {3, 4, 5}},
        {"v4", [&] { target.setUniform("v4", 6.0f, 7.0f, 8.0f, 9.0f); }, {6, 7, 8, 9}},
        {"m", [&] { target.setUniform("m", m); }, std::vector<float>(m.m, m.m + 16)},
    };
    const GLuint id = target.getProgramID();
    for (const auto& [name, set, expected] : cases) {
        SCOPED_TRACE(name);
        set();
        float got[16] = {};
        glGetUniformfv(id, glGetUniformLocation(id, name), got);
        EXPECT_EQ(std::vector<float>(got, got + expected.size()), expected);
    }
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, static_cast<GLint>(other.getProgramID()));
    // A name the program lacks is ignored, as GL ignores location -1.
    target.setUniform("absent", 1.0f);
    target.setUniform("absent", m);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
