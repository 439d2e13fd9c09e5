#include "vornak/Config.h"
#include "support/GLTest.h"
#include "support/TempDir.h"

#include <sys/stat.h>

#include <memory>
#include <stdexcept>
#include <iterator>
#include <string>
#include <utility>

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
    const std::string paths[] = {dir.path() + "/missing.cfg", dir.path(), fifo, dir.write("empty.cfg", "")};
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

// Each line with what it prints, if anything. A directory or a FIFO opened plainly would pass or hang.
TEST_F(ConfigTest, BadLinesAreReportedAndSkipped)
{
    const std::string no = dir.path() + "/no", path = dir.path() + "/bad.cfg", fifo = dir.path() + "/fifo.tga";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> lines[] = {
        {"\t# the track", ""},
        {"\t music \t data/a.mp3   \r", ""},
        {"music b.mp3", "music given twice; the first is kept"},
        {"musik c.mp3", "unknown entry 'musik'"},
        {"music", "expected: music PATH"},
        {"shader sprite data/sprite.vs", "expected: shader NAME VERTEX_PATH FRAGMENT_PATH"},
        {"texture toys data/toys.jpg gif", "unknown texture kind 'gif' (jpeg, png, tga or 0, 1, 2)"},
        {"texture toys data/toys.jpg", "expected: texture NAME PATH KIND"},
        {"music a.mp3 b.mp3", "expected: music PATH"},
        {"shader d " + dir.path() + " " + no, dir.path() + ": is a directory"},
        {"texture f " + fifo + " tga", fifo + ": is a FIFO"},
    };
    std::string text, expected, music;
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        text += lines[i].first + "\n";
        if (!lines[i].second.empty())
            expected += path + ":" + std::to_string(i + 1) + ": " + lines[i].second + "\n";
    }
    EXPECT_EQ(errorsOf(dir.write("bad.cfg", text), &music), expected);
    EXPECT_EQ(music, "data/a.mp3");
    // 199 characters are one whole line; a longer one ends the reading unused, as it may hold a cut path.
    const std::string whole = "music " + std::string(193, 'm');
    EXPECT_EQ(errorsOf(dir.write("whole.cfg", "# " + std::string(197, 'c') + "\n" + whole + "\n"), &music), "");
    EXPECT_EQ(music, std::string(193, 'm'));
    const std::string cut = dir.write("long.cfg", whole + "x\nmusic b.mp3\n");
    EXPECT_EQ(errorsOf(cut, &music), cut + ":1: line longer than 199 characters; reading stops\n");
    EXPECT_EQ(music, "");
}

TEST_F(ConfigTest, EntriesAndHandedOutProgramsOutliveTheRegistry)
{
    const std::string shader = kData + "sprite.vs " + kData + "default.fs\n", skipAd = kData + "skipad.jpg";
    const std::string text = "shader sprite " + shader + "shader other " + shader + "texture skip " + skipAd +
                             " jpeg\ntexture again " + skipAd + " 0\n";
    auto config = std::make_unique<Config>(dir.write("registry.cfg", text).c_str());
    const GLuint skip = config->getTexture("skip");
    EXPECT_NE(config->getTexture("again"), skip);
    EXPECT_THROW(config->getTexture("sprite"), std::out_of_range);
    EXPECT_THROW(config->getShader("Sprite"), std::out_of_range);
    GLuint program = 0;
    {
        ShaderProgram first = config->getShader("sprite");
        program = first.getProgramID();
        const GLuint other = config->getShader("other").getProgramID();
        EXPECT_NE(other, program);
        // Copies come and go while the registry holds the entry.
        EXPECT_EQ(config->getShader("sprite").getProgramID(), program);
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
