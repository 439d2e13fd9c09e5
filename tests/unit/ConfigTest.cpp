#include "engine/Config.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

using vornak_engine::Config;

void expectEmpty(Config& config)
{
    EXPECT_EQ(config.getMusic(), "");
    for (const char* name : {"", "sprite", "default", "Sprite ", "music", "#"}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(config.getShader(name), std::out_of_range);
        EXPECT_THROW(config.getTexture(name), std::out_of_range);
    }
}

std::string errorsOf(const std::string& path, std::string* music = nullptr)
{
    testing::internal::CaptureStderr();
    Config config(const_cast<char*>(path.c_str()));
    if (music)
        *music = config.getMusic();
    return testing::internal::GetCapturedStderr();
}

TEST(Config, FilesWithoutEntriesGiveTheEmptyRegistry)
{
    TempDir dir;
    const std::string paths[] = {
        dir.path() + "/missing.cfg",
        dir.path(),
        dir.write("empty.cfg", ""),
        dir.write("comments.cfg", "# nothing here\n\n   \n\t# indented comment\r\n"),
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        testing::internal::CaptureStderr();
        Config config(const_cast<char*>(path.c_str()));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        expectEmpty(config);
    }
}

TEST(Config, MusicLine)
{
    TempDir dir;
    std::string music;
    EXPECT_EQ(errorsOf(dir.write("a.cfg", "# the track\nmusic data/zararorad.mp3\r\n"), &music), "");
    EXPECT_EQ(music, "data/zararorad.mp3");
    EXPECT_EQ(errorsOf(dir.write("b.cfg", "\t music \t data/a.mp3   "), &music), "");
    EXPECT_EQ(music, "data/a.mp3");
}

TEST(Config, BadLinesAreReportedAndSkipped)
{
    TempDir dir;
    const std::string path = dir.write("bad.cfg",
                                       "music a.mp3\n"                       // 1
                                       "music b.mp3\n"                       // 2
                                       "musik c.mp3\n"                       // 3
                                       "music\n"                             // 4
                                       "shader sprite data/sprite.vs\n"      // 5
                                       "texture toys data/toys.jpg gif\n"    // 6
                                       "texture toys data/toys.jpg\n"        // 7
                                       "shader s " + dir.path() + "/no.vs " + dir.path() + "/no.fs\n" // 8
                                       "texture t " + dir.path() + "/no.png png\n"                     // 9
                                       "music a.mp3 b.mp3\n");               // 10
    std::string music;
    const std::string p = path + ":";
    EXPECT_EQ(errorsOf(path, &music),
              p + "2: music given twice; the first is kept\n" +
              p + "3: unknown entry 'musik'\n" +
              p + "4: expected: music PATH\n" +
              p + "5: expected: shader NAME VERTEX_PATH FRAGMENT_PATH\n" +
              p + "6: unknown texture kind 'gif' (jpeg, png, tga or 0, 1, 2)\n" +
              p + "7: expected: texture NAME PATH KIND\n" +
              p + "8: cannot open " + dir.path() + "/no.vs\n" +
              p + "9: cannot open " + dir.path() + "/no.png\n" +
              p + "10: expected: music PATH\n");
    EXPECT_EQ(music, "a.mp3");
}

TEST(Config, LineBufferOf200Characters)
{
    TempDir dir;
    std::string music;
    // 199 characters are one whole line; the next is read too.
    const std::string whole = "music " + std::string(193, 'm');
    EXPECT_EQ(errorsOf(dir.write("whole.cfg", "# " + std::string(197, 'c') + "\n" + whole + "\n"), &music), "");
    EXPECT_EQ(music, std::string(193, 'm'));

    // A longer line ends the reading and is not used: it may hold a cut path.
    const std::string path = dir.write("long.cfg", whole + "x\nmusic b.mp3\n");
    EXPECT_EQ(errorsOf(path, &music), path + ":1: line longer than 199 characters; reading stops\n");
    EXPECT_EQ(music, "");
}

} // namespace
