// Whatever stands in place of a data file, the show runs to its music's end, exits 0 and names each bad file.

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
const char* const kKinds[] = {"missing", "truncated to half", "random bytes", "empty", "a directory", "a FIFO"};

// Two halves of the pictures and shaders (each with both shader kinds, JPEGs and the PNG), and the music alone.
const std::vector<std::string> kGroups[] = {
    {"sprite.vs", "circle.fs", "religion.fs", "christmas.jpg", "candy.jpg", "title.png", "skipad.jpg"},
    {"default.fs", "doubletex.fs", "easter.jpg", "toys.jpg", "religion.jpg"},
    {"zararorad.mp3"},
};

void damage(const fs::path& file, Fault fault, std::mt19937& random)
{
    std::string bytes = fault == Fault::Empty ? "" : readFile(file.string());
    fs::remove(file);
    bytes.resize(fault == Fault::Half ? bytes.size() / 2 : bytes.size());
    for (char& c : bytes)
        c = fault == Fault::Random ? static_cast<char>(random()) : c;
    if (fault == Fault::Directory)
        fs::create_directory(file);
    else if (fault == Fault::Fifo)
        ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    else if (fault != Fault::Missing)
        std::ofstream(file, std::ios::binary) << bytes;
}

struct Show { TempDir dir; SwapLog swaps; std::unique_ptr<Process> show; }; // in a copy of the data, one group damaged

TEST(Faults, EveryDamagedDataFileIsNamedAndTheShowPlaysOn)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run through scripts/test, which provides a display";
    std::mt19937 random(8);
    for (std::size_t k = 0; k < std::size(kKinds); ++k) {
        const Fault fault = static_cast<Fault>(k);
        SCOPED_TRACE(kKinds[k]);
        // The groups of one kind play at once, each in its own working directory.
        Show runs[std::size(kGroups)];
        for (std::size_t g = 0; g < std::size(kGroups); ++g) {
            const fs::path data = fs::path(runs[g].dir.path()) / "data";
            fs::copy(std::string(VORNAK_SOURCE_DIR) + "/data", data);
            fs::copy_file(VORNAK_FIXTURES "/short.mp3", data / "zararorad.mp3", fs::copy_options::overwrite_existing);
            for (const std::string& name : kGroups[g])
                damage(data / name, fault, random);
            runs[g].show = std::make_unique<Process>(VORNAK_BINARY, runs[g].dir.path(), runs[g].swaps.environment());
        }
        for (std::size_t g = 0; g < std::size(kGroups); ++g) {
            const std::vector<std::string>& group = kGroups[g];
            const bool music = group.front() == "zararorad.mp3";
            SCOPED_TRACE(group.front());
            const ProcessResult r = runs[g].show->wait(60);
            ASSERT_EQ(r.status, 0) << "timed out: " << r.timedOut << ", signal " << r.signal << "\n" << r.err;
            if (!music || fault == Fault::Half) {
                EXPECT_GE(r.seconds, (music ? kShortTrack / 2 : kShortTrack) - 0.2) << "ended early\n" << r.err;
            }
            // A cut or scrambled track plays what it can; the decoder says so in its own words.
            if (music && (fault == Fault::Half || fault == Fault::Random))
                continue;
            EXPECT_EQ(music ? runs[g].swaps.times().size() : 1u, 1u) << "without its music: one frame, then the end";
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
