// The whole show with damaged data: whatever stands in place of a data file,
// the show starts, runs to its music's end, exits 0 and names each bad file.

#include "support/Process.h"
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

const std::string kBinary = VORNAK_BINARY;
constexpr double kShortTrack = 1.54; // tests/fixtures/short.mp3

enum class Fault { Missing, Half, Random, Empty, Directory, Fifo };

struct Kind {
    Fault fault;
    const char* name;
};

const Kind kKinds[] = {{Fault::Missing, "missing"}, {Fault::Half, "truncated to half"},
                       {Fault::Random, "random bytes"}, {Fault::Empty, "empty"},
                       {Fault::Directory, "a directory"}, {Fault::Fifo, "a FIFO"}};

// Every data file is damaged in each kind of way: the pictures and shaders in two
// halves, each shown for the whole track, and the music on its own (the show then
// draws one frame). A half mixes vertex and fragment shaders, JPEGs and the PNG.
const std::vector<std::vector<std::string>> kGroups = {
    {"sprite.vs", "circle.fs", "religion.fs", "christmas.jpg", "candy.jpg", "title.png", "skipad.jpg"},
    {"default.fs", "doubletex.fs", "easter.jpg", "toys.jpg", "religion.jpg"},
    {"zararorad.mp3"},
};

void damage(const fs::path& file, Fault fault, std::mt19937& random)
{
    std::string bytes = readFile(file.string());
    fs::remove(file);
    switch (fault) {
    case Fault::Missing:
        return;
    case Fault::Half:
        bytes.resize(bytes.size() / 2);
        break;
    case Fault::Random:
        for (char& c : bytes)
            c = static_cast<char>(random());
        break;
    case Fault::Empty:
        bytes.clear();
        break;
    case Fault::Directory:
        fs::create_directory(file);
        return;
    case Fault::Fifo:
        ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
        return;
    }
    std::ofstream(file, std::ios::binary) << bytes;
}

// One show in a copy of the data with the group's files damaged.
struct Show {
    std::unique_ptr<TempDir> dir = std::make_unique<TempDir>();
    std::unique_ptr<Process> show;
    const std::vector<std::string>* group = nullptr;
};

TEST(Faults, EveryDamagedDataFileIsNamedAndTheShowPlaysOn)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run through scripts/test, which provides a display";
    std::mt19937 random(8);
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        // The groups of one kind play at once; each has its own working directory.
        std::vector<Show> runs(kGroups.size());
        for (std::size_t g = 0; g < kGroups.size(); ++g) {
            Show& run = runs[g];
            run.group = &kGroups[g];
            const fs::path data = fs::path(run.dir->path()) / "data";
            fs::copy(std::string(VORNAK_SOURCE_DIR) + "/data", data);
            fs::copy_file(std::string(VORNAK_FIXTURES) + "/short.mp3", data / "zararorad.mp3",
                          fs::copy_options::overwrite_existing);
            for (const std::string& name : *run.group)
                damage(data / name, kind.fault, random);
            run.show = std::make_unique<Process>(kBinary, run.dir->path());
        }
        for (Show& run : runs) {
            const bool music = run.group->front() == "zararorad.mp3";
            SCOPED_TRACE(run.group->front());
            const ProcessResult r = run.show->wait(60);
            ASSERT_TRUE(r.exited) << "timed out: " << r.timedOut << ", signal " << r.signal << "\n" << r.err;
            EXPECT_EQ(r.status, 0) << r.err;
            if (!music || kind.fault == Fault::Half) {
                EXPECT_GE(r.seconds, (music ? kShortTrack / 2 : kShortTrack) - 0.2)
                    << "ended before its music did\n" << r.err;
            }
            // The MP3 decoder takes a cut or scrambled track, plays what it can and
            // says so in its own words; there is nothing for the show to name.
            if (music && (kind.fault == Fault::Half || kind.fault == Fault::Random))
                continue;
            // Each bad file is named, and every line names a bad file.
            for (const std::string& name : *run.group) {
                EXPECT_NE(r.err.find("data/" + name), std::string::npos) << name << " not named in:\n" << r.err;
            }
            std::istringstream lines(r.err);
            for (std::string line; std::getline(lines, line);) {
                bool named = false;
                for (const std::string& name : *run.group)
                    named = named || line.find("data/" + name + ":") != std::string::npos;
                EXPECT_TRUE(named) << "a line that names no damaged file: " << line;
            }
        }
    }
}

} // namespace
