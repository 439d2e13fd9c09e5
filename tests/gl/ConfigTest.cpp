#include "engine/Config.h"
#include "support/GLTest.h"
#include "support/TempDir.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace {

using vornak_engine::Config;
using vornak_engine::ShaderProgram;

class ConfigTest : public GLTest {
protected:
    std::string shaderLine(const std::string& name)
    {
        const std::string vs = dir.write(name + ".vs", "#version 410 core\n"
                                                       "layout(location = 0) in vec3 position;\n"
                                                       "void main() { gl_Position = vec4(position, 1.0); }\n");
        const std::string fs = dir.write(name + ".fs", "#version 410 core\n"
                                                       "out vec4 colour;\n"
                                                       "void main() { colour = vec4(1.0); }\n");
        return "shader " + name + " " + vs + " " + fs + "\n";
    }

    std::unique_ptr<Config> load(const std::string& text)
    {
        const std::string path = dir.write("registry.cfg", text);
        return std::make_unique<Config>(const_cast<char*>(path.c_str()));
    }

    TempDir dir;
};

TEST_F(ConfigTest, HandedOutProgramsOutliveTheRegistry)
{
    auto config = load(shaderLine("sprite") + shaderLine("other"));
    ShaderProgram first = config->getShader("sprite");
    const GLuint program = first.getProgramID();
    ASSERT_TRUE(glIsProgram(program));
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_TRUE);
    EXPECT_NE(config->getShader("other").getProgramID(), program);
    EXPECT_THROW(config->getShader("Sprite"), std::out_of_range);
    EXPECT_THROW(config->getShader(""), std::out_of_range);

    {
        // Copies come and go while the registry holds the entry.
        ShaderProgram second = config->getShader("sprite");
        EXPECT_EQ(second.getProgramID(), program);
    }
    EXPECT_TRUE(glIsProgram(program));

    const GLuint other = config->getShader("other").getProgramID();
    auto copy = std::make_unique<ShaderProgram>(first);
    config.reset();
    EXPECT_FALSE(glIsProgram(other)) << "the registry's only holder went with it";
    EXPECT_TRUE(glIsProgram(program));
    first.use();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glUseProgram(0);

    first = ShaderProgram(*copy); // assignment keeps the count right as well
    copy.reset();
    EXPECT_TRUE(glIsProgram(program));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ConfigTest, LastCopyDeletesTheProgram)
{
    GLuint program = 0;
    {
        auto config = load(shaderLine("sprite"));
        ShaderProgram kept = config->getShader("sprite");
        program = kept.getProgramID();
        config.reset();
        EXPECT_TRUE(glIsProgram(program));
    }
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ConfigTest, TextureAndMusicEntries)
{
    // A 2x1 uncompressed true-colour TGA: blue-green-red order, bottom row first.
    std::string tga(18, '\0');
    tga[2] = 2;
    tga[12] = 2;
    tga[14] = 1;
    tga[16] = 24;
    tga += std::string("\x00\x00\xff\x00\xff\x00", 6);
    const std::string picture = dir.write("two.tga", tga);
    auto config = load("music data/zararorad.mp3\ntexture two " + picture + " tga\ntexture again " + picture + " 2\n");
    EXPECT_EQ(config->getMusic(), "data/zararorad.mp3");
    const GLuint two = config->getTexture("two");
    EXPECT_TRUE(glIsTexture(two));
    EXPECT_NE(config->getTexture("again"), two);
    int width = 0, height = 0;
    textureImage(two, &width, &height);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 1);
    EXPECT_THROW(config->getTexture("music"), std::out_of_range);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
