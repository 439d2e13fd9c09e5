// The show guide's example stays a show that plays, and a show without music
// is as long as its scenes in a capture too, which learns the length before
// any scene exists.

#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

ProcessResult run(const std::vector<std::string>& args)
{
    Process vornak(VORNAK_BINARY, args, VORNAK_SOURCE_DIR);
    return vornak.wait(60);
}

TEST(ExampleShow, EveryKindOfTheGuideDraws)
{
    TempDir dir;
    const std::string show = std::string(VORNAK_SOURCE_DIR) + "/docs/example-show";
    // One time in each scene the guide shows a frame of.
    for (const char* t : {"1.5", "4", "8.5", "12", "15", "18.5", "22.5"}) {
        SCOPED_TRACE(t);
        const std::string out = dir.path() + "/frame.png";
        const ProcessResult r = run({"--show", show, "--capture", out, "--at", t, "--size", "64x36"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(std::filesystem::exists(out));
        // A warning or a picture that would not load names a file.
        EXPECT_EQ(r.err.find("example-show/"), std::string::npos) << r.err;
    }
}

TEST(ExampleShow, ASilentShowsCaptureEndsWithItsLastScene)
{
    TempDir dir;
    dir.write("show/show.toml", "[[scene]]\nkind = \"still\"\nstart = 0\nend = 0.25\npicture = \"toys.jpg\"\n"
                                "[[scene]]\nkind = \"overlay\"\nstart = 0.1\nend = 0.5\npicture = \"skipad.jpg\"\n");
    const ProcessResult r = run({"--show", dir.path() + "/show", "--capture", dir.path() + "/f%02d.png", "--fps", "10",
                                 "--size", "32x18"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Frames at 0, 0.1, ..., 0.4: up to the overlay's end, not the first scene's.
    EXPECT_TRUE(std::filesystem::exists(dir.path() + "/f04.png"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/f05.png"));
}

} // namespace
