// Shows of a person's own on the real binary: a bad show file ends before any
// window with its one line, and a new show plays as the built-in one.

#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::string kBinary = VORNAK_BINARY;

ProcessResult run(const std::vector<std::string>& args, const std::string& workdir = VORNAK_SOURCE_DIR)
{
    Process vornak(kBinary, args, workdir);
    return vornak.wait(60);
}

TEST(ShowFiles, ABadShowFileEndsWithItsLineBeforeAnyWindowInEveryMode)
{
    TempDir dir;
    dir.write("pic.jpg", "x");
    const struct {
        std::string text;
        std::string line;
    } cases[] = {
        {"[[scene]\n", "show.toml:1:9: not a TOML file"},
        {"[[scene]]\nkind = \"still\"\nstrat = 1\n", "show.toml:3:1: unknown key \"strat\" in scene 1 (still) (did you mean \"start\"?)"},
        {"[[scene]]\nkind = \"still\"\nstart = 1\nend = 2\npicture = \"gone.jpg\"\n",
         "show.toml:5:11: \"picture\" in scene 1: no file \"gone.jpg\""},
    };
    const std::vector<std::vector<std::string>> modes = {
        {}, {"--preview"}, {"--capture", dir.path() + "/out.png", "--at", "1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string file = dir.write("show.toml", c.text);
        for (const auto& mode : modes) {
            std::vector<std::string> args = {"--show", dir.path()};
            args.insert(args.end(), mode.begin(), mode.end());
            // Status 2 and the line alone: a window opened first would have said more.
            const ProcessResult r = run(args);
            EXPECT_EQ(r.status, 2) << r.err;
            EXPECT_EQ(r.err.rfind(dir.path() + "/" + c.line, 0), 0u) << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
    }
}

TEST(ShowFiles, ANewShowIsTheBuiltInShowToEdit)
{
    TempDir dir;
    const std::string folder = dir.path() + "/greeting";
    ProcessResult r = run({"--new-show", folder});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(folder + "/show.toml"), std::string::npos) << r.out;
    // Never over an existing show.
    const std::string written = readFile(folder + "/show.toml");
    r = run({"--new-show", folder});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("already exists"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(folder + "/show.toml"), written);
    // Its frames are the built-in show's.
    for (const char* t : {"1", "9", "14.5", "19"}) {
        SCOPED_TRACE(t);
        const std::string own = dir.path() + "/own.png", builtIn = dir.path() + "/built-in.png";
        r = run({"--show", folder, "--capture", own, "--at", t, "--size", "320x180"});
        ASSERT_EQ(r.status, 0) << r.err;
        r = run({"--capture", builtIn, "--at", t, "--size", "320x180"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(readFile(own) == readFile(builtIn));
    }
}

} // namespace
