// Picture and sound on the real binary: the show's clock against the sound SDL's
// disk driver writes at playing pace, and a whole-show video against its sound.

#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const std::string kBinary = VORNAK_BINARY;
constexpr int kRate = 44100; // the device's rate, 16-bit stereo
// tests/fixtures/click.mp3: 3 s of silence with 10 ms bursts of 1 kHz at 1.0 and 2.6 s (LAME
// through ffmpeg, whose gapless header puts them there to the sample for SDL_mixer too).
constexpr double kClick = 1.0;
constexpr double kFrame = 1.0 / 60;
constexpr double kSameWrite = 0.01; // the driver writes a stretch every 46 ms
// A sound system this much later than the device says (--audio-offset): the picture follows.
constexpr double kOffset = 0.1;

struct Chunk { double at; long firstFrame; };

// Reads the FIFO the disk driver writes into, noting when each stretch came.
class SoundReader {
public:
    explicit SoundReader(const std::string& fifo)
    {
        fd_ = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        thread_ = std::thread([this] { run(); });
    }
    ~SoundReader() { stop(); }
    void stop()
    {
        done_ = true;
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }
    std::size_t frames() const { return bytes_.size() / 4; }
    int left(std::size_t i) const { return static_cast<std::int16_t>(bytes_[4 * i] | bytes_[4 * i + 1] << 8); }

    std::vector<Chunk> chunks;

private:
    void run()
    {
        std::uint8_t buffer[1 << 16];
        while (fd_ >= 0) {
            pollfd p{fd_, POLLIN, 0};
            poll(&p, 1, 20);
            if (const ssize_t n = read(fd_, buffer, sizeof buffer); n > 0) {
                // A write larger than the pipe's atomic size can come in pieces moments apart: one stretch.
                const double at = monotonicSeconds();
                if (chunks.empty() || at - chunks.back().at > kSameWrite)
                    chunks.push_back({at, static_cast<long>(frames())});
                bytes_.insert(bytes_.end(), buffer, buffer + n);
            } else if (done_) {
                break;
            }
        }
    }

    std::vector<std::uint8_t> bytes_; // 16-bit stereo
    int fd_ = -1;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

TEST(Sync, TheShowsClockIsTheSoundTheDeviceTakes)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run through scripts/test, which provides a display";
    TempDir dir;
    const std::string data = dir.path() + "/data"; // the show's files with the click track
    shell("cp -rs " VORNAK_SOURCE_DIR "/data " + dir.path() + " && cp --remove-destination " VORNAK_FIXTURES
          "/click.mp3 " + data + "/zararorad.mp3");
    const std::string fifo = dir.path() + "/sound";
    const std::string swaps = dir.path() + "/swaps";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    SoundReader sound(fifo);
    Process vornak(kBinary, {"--window", "320x180", "--data", data, "--audio-offset", "100"}, dir.path(),
                   {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + fifo, "VORNAK_SWAP_LOG=" + swaps});
    const ProcessResult r = vornak.wait(60);
    sound.stop();
    ASSERT_EQ(r.status, 0) << "timed out: " << r.timedOut << ", signal " << r.signal << "\n" << r.err;
    // When the click's first sample was played: its stretch's arrival, or earlier if a
    // later stretch says so (a late read only adds, a slow writer only delays later ones).
    long click = -1;
    for (std::size_t i = 0; i < sound.frames() && click < 0; ++i)
        click = std::abs(sound.left(i)) > 10000 ? static_cast<long>(i) : -1;
    ASSERT_GE(click, 0) << "no click in the " << sound.frames() << " frames written";
    const auto playedAt = [&](long frame) {
        const auto in = std::upper_bound(sound.chunks.begin(), sound.chunks.end(), frame,
                                         [](long f, const Chunk& c) { return f < c.firstFrame; }) -
                        sound.chunks.begin() - 1;
        double at = 1e30;
        for (long j = std::max<long>(in, 0); j <= std::min<long>(in + 2, static_cast<long>(sound.chunks.size()) - 1); ++j)
            at = std::min(at, sound.chunks[j].at + static_cast<double>(frame - sound.chunks[j].firstFrame) / kRate);
        return at;
    };
    const double played = playedAt(click);
    // The track's first sample: it is gapless, so exactly a second before the click.
    const double musicStarted = playedAt(click - static_cast<long>(kClick * kRate));
    // Each frame within half a second of the click must say what was heard when it read the clock, to a frame.
    std::ifstream log(swaps);
    ASSERT_TRUE(log) << "no swap log";
    std::vector<double> errors;
    double swapped = 0, t = 0, readAt = 0, heard = 0;
    for (int n = 0; log >> swapped >> t >> readAt >> heard; ++n) {
        // The first frame, drawn while the device waited, goes up as the sound is heard, not long before or behind.
        if (n == 0) {
            EXPECT_GE(swapped, musicStarted + kOffset - kFrame)
                << "the first frame came " << (musicStarted + kOffset - swapped) * 1000 << " ms before the sound";
            EXPECT_GE(t, heard) << "the first frame was behind the sound";
            EXPECT_LE(t - heard, kFrame + 1e-6) << "the first frame was more than a frame ahead of the sound";
        }
        if (std::abs(heard - kClick) < 0.5)
            errors.push_back(heard - (kClick + readAt - (played + kOffset)));
    }
    ASSERT_GT(errors.size(), 5u) << "too few frames around the click";
    std::sort(errors.begin(), errors.end());
    const double median = errors[errors.size() / 2];
    EXPECT_LT(std::abs(median), kFrame) << "the clock is " << median * 1000 << " ms off the sound played";
}

TEST(Sync, AWholeShowVideoIsAsLongAsItsSound)
{
    // The show's own track: SDL_mixer estimates it three frames longer than its sound.
    TempDir dir;
    const std::string data = std::string(VORNAK_SOURCE_DIR) + "/data";
    const ProcessResult r = Process(kBinary, {"--capture", "show.mp4", "--size", "32x18", "--data", data}, dir.path(),
                                    {"SDL_AUDIODRIVER=dummy"})
                                .wait(300);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string probe = shell("ffprobe -v error -show_entries stream=codec_type,duration -of compact " +
                                    dir.path() + "/show.mp4");
    const auto duration = [&](const std::string& kind) {
        const auto at = probe.find("duration=", probe.find("codec_type=" + kind));
        return at == std::string::npos ? -1.0 : std::atof(probe.c_str() + at + 9);
    };
    const double music = std::atof(
        shell("ffprobe -v error -show_entries stream=duration -of csv=p=0 " + data + "/zararorad.mp3").c_str());
    ASSERT_GT(music, 20) << probe;
    EXPECT_NEAR(duration("video"), duration("audio"), kFrame) << probe;
    // The last frame starts before the music's end and lasts past it.
    EXPECT_LT(duration("video") - kFrame, music) << probe;
    EXPECT_GE(duration("video") + 1e-3, music) << probe;
}

} // namespace
