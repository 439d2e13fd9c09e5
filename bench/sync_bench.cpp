// Sound and picture together: runs the real program in a window with SDL's
// `disk` audio driver, which writes the mixed sound at the pace a sound card
// would play it, into a FIFO read here, so each stretch of sound gets the
// moment it was written. The music is a track of short clicks, one at each
// cut of the show (2.6, 10, 13, 16.7 and 20.3 s), made with ffmpeg. The
// program logs each swap (VORNAK_SWAP_LOG: when it returned and the show time
// it drew); for each cut the figure is how far the swap of the new scene's
// first frame lies from the moment its click was played (positive: the
// picture came late). Both sides read the same monotonic clock. The figure
// judged is the worst cut of the median run.
//
//   sync_bench [--runs N] [--offset MS] [--program PATH]
//
// --program runs another build of vornak (one without --audio-offset when
// the offset is 0), e.g. an older one to compare with.
//
// Needs a display with a window manager (scripts/bench starts one) and ffmpeg.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100; // the rate and the 16-bit stereo the program opens its device with
constexpr double kCuts[] = {2.6, 10, 13, 16.7, 20.3};
constexpr double kLength = 24;
constexpr double kFrame = 1000.0 / 60; // ms

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A 10 ms, 1 kHz burst at each cut, silence elsewhere, mono.
bool makeClickTrack(const fs::path& out)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(kLength * kRate));
    for (double cut : kCuts) {
        const auto first = static_cast<std::size_t>(std::lround(cut * kRate));
        for (int i = 0; i < kRate / 100; ++i)
            samples[first + i] = static_cast<std::int16_t>(30000 * std::sin(2 * M_PI * 1000 * i / kRate));
    }
    const std::string command = "ffmpeg -v error -y -f s16le -ar 44100 -ac 1 -i - -c:a libmp3lame -b:a 64k '" +
                                out.string() + "'";
    std::FILE* ffmpeg = popen(command.c_str(), "w");
    if (!ffmpeg)
        return false;
    std::fwrite(samples.data(), sizeof samples[0], samples.size(), ffmpeg);
    return pclose(ffmpeg) == 0;
}

struct Chunk {
    double at;       // when it arrived
    long firstFrame; // its first sample frame in the stream
};

struct Swap {
    double at;
    double t;
};

struct Capture {
    std::vector<std::int16_t> sound; // interleaved stereo
    std::vector<Chunk> chunks;
    std::vector<Swap> swaps;
};

const char* program = VORNAK_BINARY;

bool runOnce(const fs::path& dir, double offsetMs, Capture& c)
{
    const fs::path fifo = dir / "sound";
    const fs::path swaps = dir / "swaps";
    fs::remove(swaps);
    const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const pid_t child = fork();
    if (child == 0) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", fifo.c_str(), 1);
        setenv("VORNAK_SWAP_LOG", swaps.c_str(), 1);
        const std::string offset = std::to_string(offsetMs);
        if (offsetMs != 0)
            execl(program, program, "--window", "640x360", "--data", dir.c_str(), "--audio-offset",
                  offset.c_str(), static_cast<char*>(nullptr));
        else
            execl(program, program, "--window", "640x360", "--data", dir.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (child < 0) {
        close(fd);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[1 << 16];
    const double deadline = now() + kLength + 60;
    bool exited = false;
    int status = 0;
    while (now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, 50);
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            // A write larger than the pipe's atomic size can come in pieces:
            // pieces moments apart are one stretch, played from its start.
            const double at = now();
            if (c.chunks.empty() || at - c.chunks.back().at > 0.01)
                c.chunks.push_back({at, static_cast<long>(bytes.size() / 4)});
            bytes.insert(bytes.end(), buffer, buffer + n);
            continue;
        }
        if (exited)
            break;
        exited = waitpid(child, &status, WNOHANG) == child;
    }
    close(fd);
    if (!exited) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        std::fprintf(stderr, "sync_bench: vornak did not end with its music\n");
        return false;
    }
    c.sound.resize(bytes.size() / 2);
    std::memcpy(c.sound.data(), bytes.data(), c.sound.size() * 2);
    std::FILE* log = std::fopen(swaps.c_str(), "r");
    if (!log)
        return false;
    char line[256];
    Swap s{};
    while (std::fgets(line, sizeof line, log)) {
        if (std::sscanf(line, "%lf %lf", &s.at, &s.t) == 2)
            c.swaps.push_back(s);
    }
    std::fclose(log);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && !c.swaps.empty();
}

// Milliseconds from each click's playing to the first frame after its cut;
// gaps gets the time between that frame's swap and the one before, which on
// a busy machine is the most of any lateness.
std::vector<double> errorsOf(const Capture& c, std::vector<double>& gaps)
{
    std::vector<long> clicks;
    for (std::size_t i = 0; i < c.sound.size() / 2; ++i) {
        if (std::abs(c.sound[2 * i]) > 10000 && (clicks.empty() || static_cast<long>(i) - clicks.back() > kRate / 2))
            clicks.push_back(static_cast<long>(i));
    }
    std::vector<double> errors;
    if (clicks.size() != std::size(kCuts)) {
        std::fprintf(stderr, "sync_bench: found %zu clicks in the sound, not %zu\n", clicks.size(), std::size(kCuts));
        return errors;
    }
    for (std::size_t k = 0; k < clicks.size(); ++k) {
        // The stretch that holds the click started playing when it was written.
        auto chunk = std::upper_bound(c.chunks.begin(), c.chunks.end(), clicks[k],
                                      [](long frame, const Chunk& ch) { return frame < ch.firstFrame; });
        --chunk;
        const double played = chunk->at + static_cast<double>(clicks[k] - chunk->firstFrame) / kRate;
        const auto swap =
            std::find_if(c.swaps.begin(), c.swaps.end(), [&](const Swap& s) { return s.t > kCuts[k]; });
        if (swap == c.swaps.end())
            return {};
        errors.push_back((swap->at - played) * 1000);
        gaps.push_back(swap == c.swaps.begin() ? 0 : (swap->at - (swap - 1)->at) * 1000);
    }
    return errors;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 3;
    double offsetMs = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--offset") == 0 && i + 1 < argc) {
            offsetMs = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--program") == 0 && i + 1 < argc) {
            program = argv[++i];
        } else {
            std::fprintf(stderr, "usage: sync_bench [--runs N] [--offset MS] [--program PATH]\n");
            return 2;
        }
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "sync_bench: no DISPLAY; run it through scripts/bench\n");
        return 1;
    }
    char pattern[] = "/tmp/vornak-sync-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("sync_bench: /tmp");
        return 1;
    }
    const fs::path dir(pattern);
    int result = 1;
    std::vector<double> worst;
    if (!makeClickTrack(dir / "zararorad.mp3")) {
        std::fprintf(stderr, "sync_bench: cannot make the click track (is ffmpeg installed?)\n");
    } else if (mkfifo((dir / "sound").c_str(), 0600) != 0) {
        std::perror("sync_bench: mkfifo");
    } else {
        for (const auto& entry : fs::directory_iterator(fs::path(VORNAK_SOURCE_DIR) / "data")) {
            if (entry.path().filename() != "zararorad.mp3")
                fs::create_symlink(entry.path(), dir / entry.path().filename());
        }
        std::printf("sound and picture with the disk driver, --audio-offset %g: swap of a cut's first frame "
                    "minus its click's playing (ms)\n  run ",
                    offsetMs);
        for (double cut : kCuts)
            std::printf(" %7.1fs", cut);
        std::printf("   worst\n");
        for (int r = 0; r < runs; ++r) {
            Capture c;
            const bool ok = runOnce(dir, offsetMs, c);
            std::vector<double> gaps;
            const std::vector<double> errors = ok ? errorsOf(c, gaps) : std::vector<double>();
            if (errors.empty()) {
                std::fprintf(stderr, "sync_bench: run %d gave no figures\n", r + 1);
                continue;
            }
            double w = 0;
            std::printf("  %3d ", r + 1);
            for (double e : errors) {
                std::printf(" %+8.1f", e);
                w = std::max(w, std::abs(e));
            }
            std::printf("  %6.1f\n  gap ", w);
            for (double g : gaps)
                std::printf(" %8.1f", g);
            std::printf("   (ms since the frame before)\n");
            worst.push_back(w);
        }
        result = worst.empty() ? 1 : 0;
    }
    fs::remove_all(dir);
    // As the other benchmarks judge their median round: one frame held up by
    // a busy machine fails its own run, not the program.
    std::sort(worst.begin(), worst.end());
    const double w = worst.empty() ? 0 : worst[(worst.size() - 1) / 2];
    std::printf("\ntarget: sound and picture, worst cut from its sound (disk driver, median of %zu runs) | %s | <= %.0f ms "
                "| %s\n",
                worst.size(), worst.empty() ? "no run" : (std::to_string(std::lround(w)) + " ms").c_str(), kFrame,
                !worst.empty() && w <= kFrame ? "PASS" : "FAIL");
    return result;
}
