// Capture throughput: the whole show rendered offscreen and encoded to an
// h.264/AAC mp4 through ffmpeg, the way `vornak --capture` does it, at 1280x720
// and 1920x1080. Then, on the same frames with the encoder left out, where the
// GL thread's time goes: drawing (each frame finished with glFinish, so the
// software renderer's work lands here and not in the readback), reading back,
// and handing the frame to the writer thread — through pixel buffer objects
// used in turn, and through plain glReadPixels into memory for comparison.
//
//   capture_bench [--quick] [--step N]
//
// --quick captures only the candy zoom (13 to 16.7 s) for throughput; --step N
// times every Nth frame of the show for the split (default 8).

#include "app/Audio.h"
#include "app/Clock.h"
#include "app/capture/FramePipeline.h"
#include "app/capture/OffscreenTarget.h"
#include "demo/Presentation.h"
#include "app/ShowWindow.h"
#include "app/capture/VideoEncoder.h"
#include "demo/Christmas.h"
#include "demo/DataFolder.h"

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_mixer.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Takes frames and does nothing with them: the GL side alone.
class Discard : public FrameSink {
public:
    bool write(const unsigned char*) override { return true; }
    bool finish() override { return true; }
    void abandon() override {}
};

struct Split {
    long frames = 0;
    double draw = 0;
    PipelineTimes pipeline;
};

// Draws the frames k = 0, step, 2 step, ... of [from, to) at 60 fps into the bound target.
Split run(Christmas& demo, int width, int height, double from, double to, long step, FrameSink& sink, Readback mode)
{
    const double fps = 60;
    const FixedStepClock clock(from, fps);
    const long frames = clock.framesBefore(to);
    const Presentation presentation(false);
    Split split;
    demo.replayTo(clock.timeOf(0), fps);
    FramePipeline pipeline(width, height, sink, mode);
    for (long k = 0; k < frames; k += step) {
        if (step > 1)
            demo.replayTo(clock.timeOf(k), fps);
        const Clock::time_point start = Clock::now();
        presentation.begin(width, height);
        demo.show(clock.timeOf(k));
        glFinish();
        split.draw += since(start);
        if (!pipeline.push())
            break;
        ++split.frames;
    }
    pipeline.finish();
    split.pipeline = pipeline.times();
    return split;
}

double percent(double part, double whole)
{
    return whole > 0 ? 100 * part / whole : 0;
}

} // namespace

int main(int argc, char** argv)
{
    bool quick = false;
    long step = 8;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (std::strcmp(argv[i], "--step") == 0 && i + 1 < argc)
            step = std::max(1L, std::atol(argv[++i]));
    }
    if (chdir(VORNAK_SOURCE_DIR) != 0 || SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "capture_bench: cannot start: %s\n", SDL_GetError());
        return 1;
    }
    ShowWindow window(WindowKind::Hidden, 64, 64);
    if (!window.ok())
        return 1;
    if (VideoEncoder::findFfmpeg().empty()) {
        std::fprintf(stderr, "capture_bench: needs ffmpeg (Debian package ffmpeg)\n");
        return 1;
    }
    openSilentAudio();
    Mix_Music* music = loadMusic(dataFile("zararorad.mp3"));
    const double length = music ? Mix_MusicDuration(music) : 24.0;
    auto* demo = new Christmas(1920, 1080);
    demo->init();

    struct Size {
        int width, height;
    };
    std::string targets;
    for (const Size size : {Size{1280, 720}, Size{1920, 1080}}) {
        const std::string name = std::to_string(size.width) + "x" + std::to_string(size.height);
        OffscreenTarget target(size.width, size.height);
        target.bind();

        // Throughput: the real thing, encoder and all.
        const double from = quick ? 13 : 0, to = quick ? 16.7 : length;
        char out[] = "/tmp/vornak-capture-bench-XXXXXX";
        if (!mkdtemp(out))
            return 1;
        VideoSettings video{std::string(out) + "/show.mp4", size.width, size.height, 60, dataFile("zararorad.mp3"),
                            from, to};
        VideoEncoder encoder(video);
        if (!encoder.start()) {
            std::fprintf(stderr, "capture_bench: %s\n", encoder.error().c_str());
            return 1;
        }
        const Clock::time_point start = Clock::now();
        const Split whole = run(*demo, size.width, size.height, from, to, 1, encoder, Readback::PixelBuffers);
        const bool encoded = encoder.finish();
        const double seconds = since(start);
        std::remove(video.out.c_str());
        rmdir(out);
        std::printf("%s, %s (%ld frames at 60 fps) to mp4: %.1f s, %.1f frames/s%s\n", name.c_str(),
                    quick ? "candy zoom" : "whole show", whole.frames, seconds, whole.frames / seconds,
                    encoded ? "" : " (ENCODER FAILED)");
        std::printf("  GL thread: drawing %.0f%%, readback %.1f%%, hand-off %.2f%%, waiting for the encoder %.0f%%\n",
                    percent(whole.draw, seconds), percent(whole.pipeline.readback, seconds),
                    percent(whole.pipeline.handOff, seconds), percent(whole.pipeline.waiting, seconds));
        std::printf("  writer thread: in ffmpeg's pipe %.0f%% of the time\n", percent(whole.pipeline.writing, seconds));

        // The split on the same frames without the encoder, for each kind of readback.
        Discard discard;
        const Split pbo = run(*demo, size.width, size.height, 0, length, step, discard, Readback::PixelBuffers);
        const Split plain = run(*demo, size.width, size.height, 0, length, step, discard, Readback::Plain);
        for (const auto& [label, s] : {std::pair<const char*, const Split&>{"pixel buffers", pbo}, {"plain", plain}}) {
            std::printf("  %-13s %ld frames: drawing %.2f ms, readback %.2f ms, hand-off %.3f ms a frame\n", label,
                        s.frames, 1e3 * s.draw / s.frames, 1e3 * s.pipeline.readback / s.frames,
                        1e3 * s.pipeline.handOff / s.frames);
        }
        const double ratio = percent(pbo.pipeline.readback + pbo.pipeline.handOff, pbo.draw);
        char line[256];
        std::snprintf(line, sizeof line,
                      "target: capture readback + hand-off / drawing, %s (pixel buffers) | %.1f%% | <= 10%% | %s\n",
                      name.c_str(), ratio, ratio <= 10 ? "PASS" : "FAIL");
        targets += line;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    std::fputs(targets.c_str(), stdout);
    if (music)
        Mix_FreeMusic(music);
    return 0;
}
