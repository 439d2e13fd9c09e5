#include "vornak/Config.h"
#include "support/GLTest.h"
#include "support/TempDir.h"

#include <sys/stat.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace {

using vornak_engine::Config;
using vornak_engine::ShaderProgram;

const std::string kData = VORNAK_SOURCE_DIR "/data/";

class ConfigTest : public GLTest {
protected:
    // What reading the file prints; its music entry goes to *music.
    static std::string errorsOf(const std::string& path, std::string* music)
    {
        testing::internal::CaptureStderr();
        *music = Config(path.c_str()).getMusic();
        return testing::internal::GetCapturedStderr();
    }

    TempDir dir;
};

TEST_F(ConfigTest, FilesWithoutEntriesGiveTheEmptyRegistry)
{
    const std::string fifo = dir.path() + "/fifo.cfg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // None of these is reported, and the FIFO, which has no writer, is not waited on.
    const std::string paths[] = {dir.path() + "/missing.cfg", dir.path(), fifo, dir.write("empty.cfg", ""),
                                 dir.write("comments.cfg", "# nothing here\n\n   \n\t# indented comment\r\n")};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        testing::internal::CaptureStderr();
        Config config(path.c_str());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(config.getMusic(), "");
        for (const char* name : {"", "sprite", "music", "#"}) {
            EXPECT_THROW(config.getShader(name), std::out_of_range) << name;
            EXPECT_THROW(config.getTexture(name), std::out_of_range) << name;
        }
    }
}

TEST_F(ConfigTest, BadLinesAreReportedAndSkipped)
{
    const std::string no = dir.path() + "/no";
    const std::string fifo = dir.path() + "/fifo.tga";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string path = dir.write("bad.cfg", "# the track\n"                          // 1
                                                  "\t music \t data/a.mp3   \r\n"          // 2
                                                  "music b.mp3\n"                          // 3
                                                  "musik c.mp3\n"                          // 4
                                                  "music\n"                                // 5
                                                  "shader sprite data/sprite.vs\n"         // 6
                                                  "texture toys data/toys.jpg gif\n"       // 7
                                                  "texture toys data/toys.jpg\n"           // 8
                                                  "shader s " + no + ".vs " + no + ".fs\n" // 9
                                                  "texture t " + no + ".png png\n"         // 10
                                                  "music a.mp3 b.mp3\n"                    // 11
                                                  "shader d " + dir.path() + " " + no + "\n" // 12
                                                  "texture f " + fifo + " tga\n");         // 13
    std::string music;
    const std::string p = path + ":";
    EXPECT_EQ(errorsOf(path, &music), p + "3: music given twice; the first is kept\n" +
                                          p + "4: unknown entry 'musik'\n" +
                                          p + "5: expected: music PATH\n" +
                                          p + "6: expected: shader NAME VERTEX_PATH FRAGMENT_PATH\n" +
                                          p + "7: unknown texture kind 'gif' (jpeg, png, tga or 0, 1, 2)\n" +
                                          p + "8: expected: texture NAME PATH KIND\n" +
                                          p + "9: " + no + ".vs: cannot open: No such file or directory\n" +
                                          p + "10: " + no + ".png: cannot open: No such file or directory\n" +
                                          p + "11: expected: music PATH\n" +
                                          p + "12: " + dir.path() + ": is a directory\n" +
                                          p + "13: " + fifo + ": is a FIFO\n");
    EXPECT_EQ(music, "data/a.mp3");

    // 199 characters are one whole line and the next is read too; a longer line ends the
    // reading and is not used: it may hold a cut path.
    const std::string whole = "music " + std::string(193, 'm');
    EXPECT_EQ(errorsOf(dir.write("whole.cfg", "# " + std::string(197, 'c') + "\n" + whole + "\n"), &music), "");
    EXPECT_EQ(music, std::string(193, 'm'));
    const std::string cut = dir.write("long.cfg", whole + "x\nmusic b.mp3\n");
    EXPECT_EQ(errorsOf(cut, &music), cut + ":1: line longer than 199 characters; reading stops\n");
    EXPECT_EQ(music, "");
}

TEST_F(ConfigTest, EntriesAndHandedOutProgramsOutliveTheRegistry)
{
    const std::string shader = kData + "sprite.vs " + kData + "default.fs\n";
    const std::string path = dir.write("registry.cfg", "shader sprite " + shader + "shader other " + shader +
                                                           "texture skip " + kData + "skipad.jpg jpeg\ntexture again " +
                                                           kData + "skipad.jpg 0\n");
    auto config = std::make_unique<Config>(path.c_str());
    const GLuint skip = config->getTexture("skip");
    EXPECT_NE(config->getTexture("again"), skip);
    int width = 0, height = 0;
    textureImage(skip, &width, &height);
    EXPECT_EQ(width * 1000 + height, 480194) << "the size of skipad.jpg";
    EXPECT_THROW(config->getTexture("sprite"), std::out_of_range);
    EXPECT_THROW(config->getShader("Sprite"), std::out_of_range);
    EXPECT_THROW(config->getShader(""), std::out_of_range);

    GLuint program = 0;
    {
        ShaderProgram first = config->getShader("sprite");
        program = first.getProgramID();
        const GLuint other = config->getShader("other").getProgramID();
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
        EXPECT_NE(other, program);
        // Copies come and go while the registry holds the entry.
        EXPECT_EQ(config->getShader("sprite").getProgramID(), program);
        EXPECT_TRUE(glIsProgram(program));

        config.reset();
        EXPECT_FALSE(glIsProgram(other)) << "the registry's only holder went with it";
        EXPECT_TRUE(glIsProgram(program));
        first.use();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        glUseProgram(0);
    }
    EXPECT_FALSE(glIsProgram(program)) << "the last copy deletes it";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
