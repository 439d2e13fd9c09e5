// The show file reader: what a good file becomes, and one line naming
// FILE:LINE:COLUMN for every way a file can be wrong.

#include "demo/DataFolder.h"
#include "demo/ShowFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <sys/stat.h>

namespace {

// A show folder with a few pictures and a built-in data folder beside it.
class ShowFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"show/a.jpg", "show/b.png", "show/song.ogg", "show/mine.fs", "data/built.jpg",
                                 "data/default.fs"})
            dir.write(name, "x");
        setDataFolder(dir.path() + "/data");
    }
    void TearDown() override { setDataFolder("data"); }

    // Reads the text as show/show.toml; "" when it reads, else its one line.
    std::string problem(const std::string& text)
    {
        const std::string path = dir.write("show/show.toml", text);
        ShowPlan plan;
        std::string error;
        if (readShowFile(path, plan, error)) {
            last = plan;
            return "";
        }
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line";
        return error.substr(error.find("show.toml"));
    }

    TempDir dir;
    ShowPlan last;
};

const char* const kStill = "[[scene]]\nkind = \"still\"\nstart = 1\nend = 2\npicture = \"a.jpg\"\n";

TEST_F(ShowFileTest, AGoodFileBecomesItsPlan)
{
    ASSERT_EQ(problem("music = \"song.ogg\"\nfit = \"contain\"\n"
                      "[[scene]]\nkind = \"wipe\"\nstart = 0.5\nend = 4\ncomplete = 3\nfrom = \"a.jpg\"\n"
                      "to = \"built.jpg\"\nname = \"hello\"\nshader = \"mine.fs\"\n"
                      "[[scene]]\nkind = \"title\"\nstart = 4\nend = 6\npicture = \"a.jpg\"\noverlay = \"b.png\"\n"
                      "fit = \"cover\"\n"
                      "[[scene]]\nkind = \"overlay\"\nstart = 0\nend = 6\npicture = \"a.jpg\"\n"),
              "");
    EXPECT_EQ(last.music, dir.path() + "/show/song.ogg");
    ASSERT_EQ(last.scenes.size(), 3u);
    const SceneValues& wipe = last.scenes[0].values;
    EXPECT_EQ(last.scenes[0].kind, SceneKind::Wipe);
    EXPECT_EQ(wipe.start, 0.5);
    EXPECT_EQ(wipe.end, 4);
    EXPECT_EQ(wipe.complete, 3);
    EXPECT_EQ(wipe.name, "hello");
    EXPECT_EQ(wipe.shader, dir.path() + "/show/mine.fs");
    // The folder's own file, else the built-in one.
    EXPECT_EQ(wipe.pictures, (std::vector<std::string>{dir.path() + "/show/a.jpg", dir.path() + "/data/built.jpg"}));
    EXPECT_EQ(wipe.fit, Fit::Contain) << "the top's fit";
    EXPECT_EQ(last.scenes[1].values.fit, Fit::Cover) << "the scene's own fit wins";
    EXPECT_EQ(last.scenes[1].values.pictures.size(), 2u);
    EXPECT_EQ(last.scenes[2].kind, SceneKind::Overlay);
    // Pictures in the order the show first draws them.
    EXPECT_EQ(last.picturesInOrder(), (std::vector<std::string>{dir.path() + "/show/a.jpg",
                                                                 dir.path() + "/data/built.jpg",
                                                                 dir.path() + "/show/b.png"}));
    // Words, and a title whose words stand in for its overlay.
    dir.write("show/my.ttf", "x");
    ASSERT_EQ(problem("[[scene]]\nkind = \"title\"\nstart = 0\nend = 2\npicture = \"a.jpg\"\n"
                      "text = \"Frohe Weihnachten\\nvon uns allen\"\nfont = \"my.ttf\"\nsize = 0.08\n"
                      "colour = \"#FFD700\"\nposition = \"top\"\n"),
              "");
    const SceneValues& title = last.scenes.at(0).values;
    EXPECT_EQ(title.pictures.size(), 1u);
    EXPECT_EQ(title.text, "Frohe Weihnachten\nvon uns allen");
    EXPECT_EQ(title.caption.font, dir.path() + "/show/my.ttf");
    EXPECT_EQ(title.caption.size, 0.08);
    EXPECT_EQ(title.caption.colour[0], 1.0f);
    EXPECT_NEAR(title.caption.colour[1], 215 / 255.0, 1e-6);
    EXPECT_EQ(title.caption.position, CaptionPosition::Top);
    EXPECT_EQ(problem("[[scene]]\nkind = \"title\"\nstart = 0\nend = 2\npicture = \"a.jpg\"\n"),
              "show.toml:1:1: scene 1 (title) has no \"overlay\"; give a picture file, or text");
    // Without music the show is silent; a wipe's completion defaults to its end.
    ASSERT_EQ(problem("[[scene]]\nkind = \"wipe\"\nstart = 1\nend = 3\nfrom = \"a.jpg\"\nto = \"a.jpg\"\n"), "");
    EXPECT_EQ(last.music, "");
    EXPECT_EQ(last.scenes[0].values.complete, 3);
}

// Where each file name stands, counted in characters whatever the line holds,
// quotes included and the end one past them: a copy of the file names a file
// anew there (the web build's HEIC given as a JPEG).
TEST_F(ShowFileTest, EveryFileNameIsKeptWithWhereItStands)
{
    dir.write("show/\u00e4.jpg", "x");
    ASSERT_EQ(problem("music = 'song.ogg'\n[[scene]]\nkind = \"title\"\nstart = 0\nend = 1\n"
                      "picture  =  \"\u00e4.jpg\" # \u00f6\noverlay = \"built.jpg\"\nshader = \"mine.fs\"\n"),
              "");
    struct Expected {
        std::string given, path;
        int line, column, endColumn;
    };
    const Expected expected[] = {
        {"song.ogg", dir.path() + "/show/song.ogg", 1, 9, 19},
        {"\u00e4.jpg", dir.path() + "/show/\u00e4.jpg", 6, 13, 20},
        {"built.jpg", dir.path() + "/data/built.jpg", 7, 11, 22},
        {"mine.fs", dir.path() + "/show/mine.fs", 8, 10, 19},
    };
    ASSERT_EQ(last.fileNames.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const ShowPlan::FileName& name = last.fileNames[i];
        SCOPED_TRACE(expected[i].given);
        EXPECT_EQ(name.given, expected[i].given);
        EXPECT_EQ(name.path, expected[i].path);
        EXPECT_EQ(name.line, expected[i].line);
        EXPECT_EQ(name.endLine, expected[i].line);
        EXPECT_EQ(name.column, expected[i].column);
        EXPECT_EQ(name.endColumn, expected[i].endColumn);
    }
}

TEST_F(ShowFileTest, EveryMistakeIsOneLineAtItsPlace)
{
    const struct {
        std::string text;
        std::string line;
    } cases[] = {
        {"music = \n", "show.toml:1:9: not a TOML file"},
        {"start =n\n", "show.toml:1:9: not a TOML file: Error while parsing floating-point: expected 'nan', saw 'n\\n'"},
        {"\x01\x02\xff\xfe", "show.toml:1:2: not a TOML file"},
        {"music = \"song.ogg\"\n", "show.toml:1:1: the show has no scenes"},
        {"colour = 1\n", "show.toml:1:1: unknown key \"colour\" at the top of the show"},
        {"scene = 3\n", "show.toml:1:9: \"scene\" must be [[scene]] tables"},
        {"[[scene]]\nstart = 1\n", "show.toml:1:1: scene 1 has no \"kind\""},
        {"[[scene]]\nkind = \"stil\"\n", "show.toml:2:8: unknown kind \"stil\" in scene 1 (did you mean \"still\"?)"},
        {"[[scene]]\nkind = 4\n", "show.toml:2:8: \"kind\" in scene 1 must be a string, not a number"},
        {std::string(kStill) + "[[scene]]\nkind = \"still\"\nstrat = 1\n",
         "show.toml:8:1: unknown key \"strat\" in scene 2 (still) (did you mean \"start\"?)"},
        {"[[scene]]\nkind = \"still\"\nend = 2\npicture = \"a.jpg\"\n", "show.toml:1:1: scene 1 has no \"start\""},
        {"[[scene]]\nkind = \"still\"\nstart = \"one\"\nend = 2\n",
         "show.toml:3:9: \"start\" in scene 1 must be a number of seconds, not a string"},
        {"[[scene]]\nkind = \"still\"\nstart = 3\nend = 2\npicture = \"a.jpg\"\n",
         "show.toml:4:7: \"end\" in scene 1 must be later than its \"start\" (3 s)"},
        {"[[scene]]\nkind = \"still\"\nstart = -1\nend = 2\n",
         "show.toml:3:9: \"start\" in scene 1 must be a time of 0 seconds or more, not -1"},
        {"[[scene]]\nkind = \"still\"\nstart = 0\nend = inf\n",
         "show.toml:4:7: \"end\" in scene 1 must be a time of 0 seconds or more, not inf"},
        {"[[scene]]\nkind = \"still\"\nstart = 0\nend = nan\n", "show.toml:4:7: \"end\" in scene 1 must be a time"},
        {"[[scene]]\nkind = \"wipe\"\nstart = 1\nend = 3\ncomplete = 4\nfrom = \"a.jpg\"\nto = \"a.jpg\"\n",
         "show.toml:5:12: \"complete\" in scene 1 must lie within the scene"},
        {"[[scene]]\nkind = \"title\"\nstart = 1\nend = 3\npicture = \"a.jpg\"\n",
         "show.toml:1:1: scene 1 (title) has no \"overlay\""},
        {"[[scene]]\nkind = \"still\"\nstart = 1\nend = 3\npicture = \"gone.jpg\"\n",
         "show.toml:5:11: \"picture\" in scene 1: no file \"gone.jpg\""},
        {"music = \"gone.mp3\"\n" + std::string(kStill), "show.toml:1:9: \"music\": no file \"gone.mp3\""},
        {std::string(kStill) + "shader = \"gone.fs\"\n", "show.toml:6:10: \"shader\" in scene 1: no file \"gone.fs\""},
        {std::string(kStill) + "fit = \"fill\"\n",
         "show.toml:6:7: \"fit\" in scene 1 must be \"cover\" or \"contain\", not \"fill\""},
        {std::string(kStill) + "name = 3\n", "show.toml:6:8: \"name\" in scene 1 must be a string, not a number"},
        {std::string(kStill) + "complete = 1.5\n", "show.toml:6:1: unknown key \"complete\" in scene 1 (still)"},
        {std::string(kStill) + "colour = \"#fff\"\n",
         "show.toml:6:10: \"colour\" in scene 1 is for words: give the scene a \"text\" too"},
        {std::string(kStill) + "text = \"Hi\"\ncolour = \"gold\"\n",
         "show.toml:7:10: \"colour\" in scene 1 must be \"#rrggbb\", such as \"#ffd700\", not \"gold\""},
        {std::string(kStill) + "text = \"Hi\"\nsize = 2\n", "show.toml:7:8: \"size\" in scene 1 must be the line's height"},
        {std::string(kStill) + "text = \"Hi\"\nposition = \"left\"\n",
         "show.toml:7:12: \"position\" in scene 1 must be \"top\", \"middle\" or \"bottom\", not \"left\""},
        {std::string(kStill) + "text = \" \\n \"\n", "show.toml:6:8: \"text\" in scene 1 is empty"},
        {std::string(kStill) + "text = \"Hi\"\nfont = \"gone.ttf\"\n", "show.toml:7:8: \"font\" in scene 1: no file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string line = problem(c.text);
        EXPECT_EQ(line.substr(0, c.line.size()), c.line) << line;
    }
}

TEST_F(ShowFileTest, TextOutsideAsciiReadsAsWrittenAndIsQuotedBackAsWritten)
{
    // Accented, Greek, CJK and emoji, in every kind of string and in a comment.
    dir.write("show/Noël.jpg", "x");
    ASSERT_EQ(problem("# Joyeux Noël, Καλά Χριστούγεννα\n[[scene]]\nkind = \"still\"\nstart = 1\nend = 2\n"
                      "picture = 'Noël.jpg'\nname = \"\"\"Καλά ⺀ ﰀ 🎄\"\"\"\n"),
              "");
    EXPECT_EQ(last.scenes.at(0).values.name, "Καλά ⺀ ﰀ 🎄");
    EXPECT_EQ(last.scenes.at(0).values.pictures.at(0), dir.path() + "/show/Noël.jpg");
    // Columns count characters, and what the file says is quoted as it says it.
    EXPECT_EQ(problem(std::string(kStill) + "naïve = 1\n"),
              "show.toml:6:3: not a TOML file: Error while parsing key-value pair: expected '=', saw 'ï'");
    EXPECT_EQ(problem(std::string(kStill) + "\"naïve\" = \"é\"\n").substr(0, 54),
              "show.toml:6:1: unknown key \"naïve\" in scene 1 (still)");
    EXPECT_EQ(problem("[[scene]]\nkind = \"é\" x\n").substr(0, 16), "show.toml:2:12: ");
}

TEST_F(ShowFileTest, WhatIsNoShowFileIsRefusedWithoutReadingIt)
{
    ShowPlan plan;
    std::string error;
    // A folder means its show.toml.
    dir.write("show/show.toml", kStill);
    EXPECT_EQ(showFileIn(dir.path() + "/show"), dir.path() + "/show/show.toml");
    EXPECT_TRUE(readShowFile(showFileIn(dir.path() + "/show"), plan, error)) << error;
    // A folder without one, a FIFO and a file over the limit.
    EXPECT_FALSE(readShowFile(showFileIn(dir.path() + "/data"), plan, error));
    EXPECT_NE(error.find("data/show.toml"), std::string::npos) << error;
    const std::string fifo = dir.path() + "/fifo.toml";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(readShowFile(fifo, plan, error));
    EXPECT_NE(error.find("fifo.toml"), std::string::npos) << error;
    const std::string big = dir.path() + "/big.toml";
    std::filesystem::resize_file(dir.write("big.toml", ""), 100u << 20);
    EXPECT_FALSE(readShowFile(big, plan, error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    // The built-in show plays on without a file it lacks: the plan names it where it was looked for.
    dir.write("show/show.toml", "[[scene]]\nkind = \"still\"\nstart = 1\nend = 2\npicture = \"gone.jpg\"\n");
    ASSERT_TRUE(readShowFile(dir.path() + "/show/show.toml", plan, error, false)) << error;
    EXPECT_EQ(plan.scenes.at(0).values.pictures.at(0), dir.path() + "/show/gone.jpg");
}

} // namespace
