// Start-up of the real program: runs `vornak --timings` full-screen on the
// current display several times and reads the phases it prints on standard
// error. The figure judged is, within each run, the time from the process's
// start to the first frame on screen over the time SDL, the window, the GL
// context, GLEW and the audio device took; the median run counts. Each run is
// stopped (SIGTERM, a clean end) once its first frame is reported.
//
// The program counts from its first static initialiser; what comes before
// (exec and the dynamic loader bringing in SDL, GL and the rest) is measured
// here, from the fork to the first-frame line, and counted in both the first
// frame and the set-up, since loading those libraries is part of setting them up.
//
//   startup_bench [--runs N] [--program PATH]
//
// --program times another build of vornak, e.g. an older one to compare with.
//
// A show of 40 distinct 1920x1080 photos is timed beside the built-in show, run
// for run in turns: its first frame must come no later, since a frame waits
// only for its own pictures however many the show has.
//
// Needs a display with a window manager (scripts/bench starts one) and plays
// through SDL's silent audio driver.

#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Run {
    std::vector<std::pair<std::string, double>> phases;
    double firstFrame = 0; // ms after the process started, as it measured
    double setUp = 0;
    double outside = 0; // ms from our fork to reading the first-frame line
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Parses one line of --timings; true once the first-frame line is read.
bool parseLine(const std::string& line, Run& run)
{
    const std::string phasePrefix = "vornak: start-up: ";
    if (line.rfind(phasePrefix, 0) == 0) {
        const std::string rest = line.substr(phasePrefix.size());
        const std::size_t ms = rest.rfind(" ms");
        const std::size_t number = rest.find_last_of(' ', ms == std::string::npos ? 0 : ms - 1);
        if (ms != std::string::npos && number != std::string::npos) {
            std::string name = rest.substr(0, number);
            name.erase(name.find_last_not_of(' ') + 1);
            run.phases.emplace_back(name, std::atof(rest.c_str() + number + 1));
        }
        return false;
    }
    return std::sscanf(line.c_str(), "vornak: first frame %lf ms after start, %*fx the %lf ms set-up", &run.firstFrame,
                       &run.setUp) == 2;
}

const char* program = VORNAK_BINARY;

// 2048 frames at 44.1 kHz: how long after opening the device takes its next buffer.
constexpr double kFirstBufferMs = 2048 * 1000.0 / 44100;

// A folder with `pictures` different JPEGs of width x height (quality 90, as
// a phone writes them) and a show of one still each, to the music's end.
std::string makePhotoShow(const char* name, int pictures, int kWidth, int kHeight)
{
    const std::string folder = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(folder);
    std::ofstream show(folder + "/show.toml");
    show << "music = \"zararorad.mp3\"\n";
    const double each = 24.0 / pictures;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(kWidth) * kHeight * 3);
    tjhandle encoder = tjInitCompress();
    for (int k = 0; k < pictures; ++k) {
        // Smooth gradients with a little grain, like a photo, each its own.
        unsigned seed = 12345u + static_cast<unsigned>(k);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                seed = seed * 1103515245u + 12345u;
                unsigned char* p = &pixels[(static_cast<std::size_t>(y) * kWidth + x) * 3];
                p[0] = static_cast<unsigned char>((x * (k + 1) / 16 + (seed >> 28)) & 0xFF);
                p[1] = static_cast<unsigned char>((y * 255 / kHeight + k * 6) & 0xFF);
                p[2] = static_cast<unsigned char>(((x + y) / 12 + k * 20) & 0xFF);
            }
        }
        unsigned char* jpeg = nullptr;
        unsigned long size = 0;
        tjCompress2(encoder, pixels.data(), kWidth, 0, kHeight, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0);
        const std::string name = "photo" + std::to_string(k) + ".jpg";
        std::ofstream(folder + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(jpeg),
                                                                  static_cast<std::streamsize>(size));
        tjFree(jpeg);
        show << "\n[[scene]]\nkind = \"still\"\nstart = " << k * each << "\nend = " << (k + 1) * each
             << "\npicture = \"" << name << "\"\n";
    }
    tjDestroy(encoder);
    return folder;
}

bool runOnce(Run& run, const std::string& show = "")
{
    int out[2];
    if (pipe(out) != 0)
        return false;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (chdir(VORNAK_SOURCE_DIR) != 0)
            _exit(127);
        if (show.empty())
            execl(program, program, "--timings", static_cast<char*>(nullptr));
        else
            execl(program, program, "--timings", "--show", show.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    if (child < 0) {
        close(out[0]);
        return false;
    }
    std::FILE* lines = fdopen(out[0], "r");
    char buffer[512];
    bool done = false;
    while (!done && std::fgets(buffer, sizeof buffer, lines)) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        done = parseLine(line, run);
        if (done)
            run.outside = millisecondsSince(start);
        else if (line.rfind("vornak: start-up: ", 0) != 0)
            std::fprintf(stderr, "startup_bench: vornak said: %s\n", line.c_str());
    }
    kill(child, SIGTERM);
    std::fclose(lines);
    int status = 0;
    for (int i = 0; i < 100 && waitpid(child, &status, WNOHANG) == 0; ++i)
        usleep(20000);
    if (waitpid(child, &status, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    return done && run.setUp > 0;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 7;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--program") == 0 && i + 1 < argc) {
            program = argv[++i];
        } else {
            std::fprintf(stderr, "usage: startup_bench [--runs N] [--program PATH]\n");
            return 2;
        }
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "startup_bench: no DISPLAY; run it through scripts/bench\n");
        return 1;
    }

    const std::string forty = makePhotoShow("vornak-bench-forty", 40, 1920, 1080);
    const std::string phone = makePhotoShow("vornak-bench-phone", 1, 4000, 3000);
    const std::string screen = makePhotoShow("vornak-bench-screen", 1, 1920, 1080);
    std::vector<Run> done;
    std::vector<double> fortyFirst, builtInFirst; // in the runs where both came
    std::vector<double> phoneFirst, screenFirst;
    for (int i = 0; i < runs; ++i) {
        Run run, fortyRun, phoneRun, screenRun;
        const bool builtIn = runOnce(run);
        if (builtIn)
            done.push_back(run);
        else
            std::fprintf(stderr, "startup_bench: run %d gave no first-frame line\n", i + 1);
        if (runOnce(fortyRun, forty) && builtIn) {
            fortyFirst.push_back(fortyRun.firstFrame);
            builtInFirst.push_back(run.firstFrame);
        }
        if (runOnce(phoneRun, phone) && runOnce(screenRun, screen)) {
            phoneFirst.push_back(phoneRun.firstFrame);
            screenFirst.push_back(screenRun.firstFrame);
        }
    }
    for (const std::string& folder : {forty, phone, screen})
        std::filesystem::remove_all(folder);
    if (done.empty()) {
        std::printf("target: start-up, first frame / SDL+GL+audio set-up (same run) | no run | <= 1.5x | FAIL\n");
        return 1;
    }

    std::vector<double> ratios, firstFrames, setUps, outside;
    std::map<std::string, std::vector<double>> phases;
    std::vector<std::string> order;
    for (const Run& run : done) {
        const double loading = std::max(0.0, run.outside - run.firstFrame);
        ratios.push_back(run.outside / (run.setUp + loading));
        firstFrames.push_back(run.firstFrame);
        setUps.push_back(run.setUp);
        outside.push_back(run.outside);
        for (const auto& [name, ms] : run.phases) {
            if (!phases.count(name))
                order.push_back(name);
            phases[name].push_back(ms);
        }
    }
    std::printf("start-up of vornak, median of %zu runs (ms)\n", done.size());
    for (const std::string& name : order)
        std::printf("  %-42s %8.1f\n", name.c_str(), median(phases[name]));
    std::printf("  %-42s %8.1f\n", "first frame after start (measured inside)", median(firstFrames));
    std::printf("  %-42s %8.1f\n", "first frame after fork (measured outside)", median(outside));
    std::printf("  %-42s %8.1f\n", "set-up, with exec and loading", median(setUps) + median(outside) - median(firstFrames));
    std::printf("  ratio per run:");
    for (double r : ratios)
        std::printf(" %.2f", r);
    std::printf("\n");
    // The music's first buffer is taken one buffer after the device opens (the
    // set-up's last step): no first frame in step with it comes sooner.
    std::vector<double> floors;
    for (std::size_t i = 0; i < done.size(); ++i)
        floors.push_back(1 + kFirstBufferMs / (done[i].setUp + std::max(0.0, done[i].outside - done[i].firstFrame)));
    std::printf("  floor per run (set-up + %.0f ms, the device's first buffer):", kFirstBufferMs);
    for (double f : floors)
        std::printf(" %.2f", f);
    std::printf("\n\n");
    const double ratio = median(ratios);
    std::printf("target: start-up, first frame / SDL+GL+audio set-up (same run) | %.2fx | <= 1.5x | %s\n", ratio,
                ratio <= 1.5 ? "PASS" : "FAIL");
    if (fortyFirst.empty()) {
        std::printf("target: start-up, a 40-photo show's first frame / the built-in show's | no run | <= 1.0x | FAIL\n");
        return 1;
    }
    const double photos = median(fortyFirst) / median(builtInFirst);
    std::printf("\na show of 40 distinct 1920x1080 photos, median of %zu runs: first frame %.1f ms, the built-in "
                "show's %.1f ms in the same runs\n",
                fortyFirst.size(), median(fortyFirst), median(builtInFirst));
    std::printf("target: start-up, a 40-photo show's first frame / the built-in show's | %.2fx | <= 1.0x | %s\n", photos,
                photos <= 1.0 ? "PASS" : "FAIL");
    if (phoneFirst.empty()) {
        std::printf("target: start-up, a show opening on a 12 MP photo / on a 1920x1080 one | no run | <= 1.2x | FAIL\n");
        return 1;
    }
    const double phoneRatio = median(phoneFirst) / median(screenFirst);
    std::printf("a show opening on a 4000x3000 photo: first frame %.1f ms; on a 1920x1080 one %.1f ms (medians of %zu)\n",
                median(phoneFirst), median(screenFirst), phoneFirst.size());
    std::printf("target: start-up, a show opening on a 12 MP photo / on a 1920x1080 one | %.2fx | <= 1.2x | %s\n",
                phoneRatio, phoneRatio <= 1.2 ? "PASS" : "FAIL");
    return 0;
}
