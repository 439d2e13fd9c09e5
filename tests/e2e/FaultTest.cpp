// The whole show with damaged data: whatever stands in place of a data file,
// the show starts, runs to its music's end, exits 0 and names each bad file.

#include "support/Process.h"
#include "support/SwapLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr double kShortTrack = 1.54; // tests/fixtures/short.mp3

enum class Fault { Missing, Half, Random, Empty, Directory, Fifo };

const std::pair<Fault, const char*> kKinds[] = {{Fault::Missing, "missing"},     {Fault::Half, "truncated to half"},
                                                {Fault::Random, "random bytes"}, {Fault::Empty, "empty"},
                                                {Fault::Directory, "a directory"}, {Fault::Fifo, "a FIFO"}};

// Two halves of the pictures and shaders (each mixing vertex and fragment shaders,
// JPEGs and the PNG), each shown for the whole track, and the music on its own.
const std::vector<std::vector<std::string>> kGroups = {
    {"sprite.vs", "circle.fs", "religion.fs", "christmas.jpg", "candy.jpg", "title.png", "skipad.jpg"},
    {"default.fs", "doubletex.fs", "easter.jpg", "toys.jpg", "religion.jpg"},
    {"zararorad.mp3"},
};

void damage(const fs::path& file, Fault fault, std::mt19937& random)
{
    std::string bytes = readFile(file.string());
    fs::remove(file);
    if (fault == Fault::Directory)
        fs::create_directory(file);
    if (fault == Fault::Fifo) {
        ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    }
    if (fault == Fault::Missing || fault == Fault::Directory || fault == Fault::Fifo)
        return;
    if (fault == Fault::Half)
        bytes.resize(bytes.size() / 2);
    for (char& c : bytes)
        c = fault == Fault::Random ? static_cast<char>(random()) : c; // unchanged otherwise
    if (fault == Fault::Empty)
        bytes.clear();
    std::ofstream(file, std::ios::binary) << bytes;
}

// One show in a copy of the data with the group's files damaged.
struct Show {
    std::unique_ptr<TempDir> dir = std::make_unique<TempDir>();
    std::unique_ptr<SwapLog> swaps = std::make_unique<SwapLog>();
    std::unique_ptr<Process> show;
};

TEST(Faults, EveryDamagedDataFileIsNamedAndTheShowPlaysOn)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run through scripts/test, which provides a display";
    std::mt19937 random(8);
    for (const auto& [fault, kindName] : kKinds) {
        SCOPED_TRACE(kindName);
        // The groups of one kind play at once, each in its own working directory.
        std::vector<Show> runs(kGroups.size());
        for (std::size_t g = 0; g < kGroups.size(); ++g) {
            const fs::path data = fs::path(runs[g].dir->path()) / "data";
            fs::copy(std::string(VORNAK_SOURCE_DIR) + "/data", data);
            fs::copy_file(std::string(VORNAK_FIXTURES) + "/short.mp3", data / "zararorad.mp3",
                          fs::copy_options::overwrite_existing);
            for (const std::string& name : kGroups[g])
                damage(data / name, fault, random);
            runs[g].show = std::make_unique<Process>(VORNAK_BINARY, runs[g].dir->path(), runs[g].swaps->environment());
        }
        for (std::size_t g = 0; g < kGroups.size(); ++g) {
            const std::vector<std::string>& group = kGroups[g];
            const bool music = group.front() == "zararorad.mp3";
            SCOPED_TRACE(group.front());
            const ProcessResult r = runs[g].show->wait(60);
            ASSERT_TRUE(r.exited) << "timed out: " << r.timedOut << ", signal " << r.signal << "\n" << r.err;
            EXPECT_EQ(r.status, 0) << r.err;
            if (!music || fault == Fault::Half) {
                EXPECT_GE(r.seconds, (music ? kShortTrack / 2 : kShortTrack) - 0.2)
                    << "ended before its music did\n" << r.err;
            }
            // A cut or scrambled track plays what it can, the decoder saying so in
            // its own words: nothing for the show to name.
            if (music && (fault == Fault::Half || fault == Fault::Random))
                continue;
            if (music) {
                EXPECT_EQ(runs[g].swaps->times().size(), 1u) << "without its music: one frame, then the end";
            }
            // Each bad file is named, and every line names a bad file.
            for (const std::string& name : group)
                EXPECT_NE(r.err.find("data/" + name), std::string::npos) << name << " not named in:\n" << r.err;
            std::istringstream lines(r.err);
            for (std::string line; std::getline(lines, line);) {
                bool named = false;
                for (const std::string& name : group)
                    named = named || line.find("data/" + name + ":") != std::string::npos;
                EXPECT_TRUE(named) << "a line that names no damaged file: " << line;
            }
        }
    }
}

} // namespace
