// Polling a folder for changed files: edits, new and deleted files, sub-folders, the interval.

#include "app/preview/FileWatcher.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <utime.h>

namespace {

using Paths = std::vector<std::string>;

TEST(FileWatcher, ReportsEditsNewAndDeletedFilesOnce)
{
    TempDir dir;
    const std::string data = dir.path() + "/data";
    const std::string shader = dir.write("data/religion.fs", "void main() {}");
    const std::string picture = dir.write("data/toys.jpg", "jpeg");
    FileWatcher watcher(data);
    EXPECT_EQ(watcher.check(), Paths{}) << "nothing changed since it started";
    // Same size, and a time set apart, so only the stamp can tell.
    const auto touchLater = [](const std::string& path, long s) {
        utimbuf t = {s, s};
        ASSERT_EQ(utime(path.c_str(), &t), 0);
    };

    struct Step { const char* what; std::function<void()> change; Paths expected; } steps[] = {
        {"same size, new time", [&] { touchLater(shader, 1000); }, {shader}},
        {"replaced by rename, as editors save",
         [&] {
             dir.write("data/.religion.fs.tmp", "void main() {}");
             std::filesystem::rename(data + "/.religion.fs.tmp", shader);
             touchLater(shader, 1000);
         },
         {shader}},
        {"new file in a sub-folder", [&] { dir.write("data/more/extra.png", "png"); }, {data + "/more/extra.png"}},
        {"deleted", [&] { std::filesystem::remove(picture); }, {picture}},
        {"two at once", [&] { touchLater(shader, 2000); dir.write("data/toys.jpg", "back"); }, {shader, picture}},
    };
    for (Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(watcher.check(), step.expected);
        EXPECT_EQ(watcher.check(), Paths{}) << "a change is reported once";
    }
}

TEST(FileWatcher, AMissingFolderIsQuietAndPollsWaitTheInterval)
{
    TempDir dir;
    FileWatcher watcher(dir.path() + "/data", 0.25);
    EXPECT_EQ(watcher.poll(10.0), Paths{}) << "no folder yet";
    const std::string file = dir.write("data/a.fs", "a");
    EXPECT_EQ(watcher.poll(10.1), Paths{}) << "too soon";
    EXPECT_EQ(watcher.poll(10.3), Paths{file});
}

} // namespace
