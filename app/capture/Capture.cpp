#include "app/capture/Capture.h"

#include "app/Audio.h"
#include "app/Clock.h"
#include "app/capture/FramePipeline.h"
#include "app/capture/OffscreenTarget.h"
#include "app/capture/PngFrames.h"
#include "app/capture/Progress.h"
#include "app/ShowWindow.h"
#include "app/StopSignals.h"
#include "app/capture/VideoEncoder.h"
#include "demo/ShowCore.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

int fail(const std::string& message)
{
    std::fprintf(stderr, "vornak: %s\n", message.c_str());
    return 1;
}

// The folder the output goes to must exist and take new files.
std::string checkOutputFolder(const std::string& out)
{
    fs::path folder = fs::path(out).parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code ec;
    if (!fs::exists(folder, ec))
        return out + ": the folder " + folder.string() + " does not exist";
    if (!fs::is_directory(folder, ec))
        return out + ": " + folder.string() + " is not a folder";
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return out + ": cannot write into " + folder.string() + ": " + std::strerror(errno);
    return "";
}

std::string megabytes(std::uintmax_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

std::string seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", s);
    return text;
}

struct Plan {
    double first = 0;   // the time of frame 0
    double to = 0;      // the end (exclusive) of a run of frames
    long frames = 1;
    std::string music;  // for a video's sound
};

// Works out the frames and the sound; the show's length is the default end.
std::string plan(const Options& options, ShowCore& show, Plan& p)
{
    if (options.capture == CaptureKind::SinglePng) {
        p.first = *options.at;
        return "";
    }
    const bool video = options.capture == CaptureKind::Video;
    p.first = options.from;
    const std::string& path = show.plan().music;
    if ((video || !options.to) && !path.empty()) {
        if (!openSilentAudio())
            return std::string("cannot open SDL's silent audio to read the music: ") + SDL_GetError();
        Mix_Music* music = loadMusic(path);
        if (!music)
            return path + " is needed for " + (video ? "a video's sound" : "the show's length (or give --to)");
        Mix_FreeMusic(music);
        // The music's own estimate can be frames longer than the sound ffmpeg
        // decodes, which would leave the video's last frames without it.
        show.setMusicLength(decodedLength(path));
        if (show.length() <= 0)
            return path + " cannot be decoded for " + (video ? "a video's sound" : "the show's length (or give --to)");
        p.music = path;
        if (!options.show.empty()) {
            for (const std::string& line : show.warnings(show.length()))
                std::fprintf(stderr, "%s\n", line.c_str());
        }
    }
    p.to = options.to ? *options.to : show.length();
    if (p.to <= p.first)
        return "--from " + seconds(p.first) + " lies at or after the end, " + seconds(p.to);
    p.frames = FixedStepClock(p.first, options.fps).framesBefore(p.to);
    return "";
}

std::unique_ptr<FrameSink> makeSink(const Options& options, const Plan& p)
{
    const FrameSize size = options.captureSize;
    if (options.capture != CaptureKind::Video)
        return std::make_unique<PngFrames>(options.captureOut, options.capture == CaptureKind::PngSequence,
                                           size.width, size.height);
    VideoSettings video;
    video.out = options.captureOut;
    video.width = size.width;
    video.height = size.height;
    video.fps = options.fps;
    video.music = p.music;
    video.from = p.first;
    video.to = p.to;
    auto encoder = std::make_unique<VideoEncoder>(video);
    encoder->start(); // a failure to start is in its error()
    return encoder;
}

std::string summary(const Options& options, const Plan& p)
{
    std::error_code ec;
    if (options.capture == CaptureKind::SinglePng)
        return "wrote " + options.captureOut + " (" + megabytes(fs::file_size(options.captureOut, ec)) +
               ", the frame at " + seconds(p.first) + ")";
    const std::string duration = seconds(static_cast<double>(p.frames) / options.fps);
    if (options.capture == CaptureKind::Video)
        return "wrote " + options.captureOut + " (" + megabytes(fs::file_size(options.captureOut, ec)) + ", " +
               duration + ")";
    PngFrames names(options.captureOut, true, 0, 0);
    std::uintmax_t total = 0;
    for (long k = 0; k < p.frames; ++k)
        total += fs::file_size(names.nameOf(k), ec);
    return "wrote " + std::to_string(p.frames) + " frames, " + names.nameOf(0) + " to " + names.nameOf(p.frames - 1) +
           " (" + megabytes(total) + ", " + duration + ")";
}

// Draws and hands over every frame; "" or why it stopped.
std::string render(ShowCore& show, const Options& options, const Plan& p, FrameSink& sink)
{
    const FrameSize size = options.captureSize;
    const FixedStepClock clock(p.first, options.fps);
    show.replayTo(clock.timeOf(0), options.fps);

    const std::string frames = options.capture == CaptureKind::SinglePng
                                   ? "the frame at " + seconds(p.first)
                                   : std::to_string(p.frames) + " frames";
    Progress progress("capturing " + frames + " of " + std::to_string(size.width) + "x" +
                          std::to_string(size.height) + " to " + options.captureOut,
                      p.frames, Progress::stderrIsTerminal());
    FramePipeline pipeline(size.width, size.height, sink);
    for (long k = 0; k < p.frames; ++k) {
        if (stopRequested()) {
            progress.interrupt();
            return "capture interrupted";
        }
        show.frame(clock.timeOf(k), size.width, size.height);
        if (!pipeline.push())
            break;
        // Pictures come in between frames, each by its scene at the latest.
        show.workLater(clock.timeOf(k));
        progress.update(k + 1);
    }
    const bool written = pipeline.finish() && sink.finish();
    progress.interrupt();
    if (!written)
        return sink.error().empty() ? "cannot read the frames back from OpenGL" : sink.error();
    progress.done(summary(options, p));
    return "";
}

} // namespace

int captureShow(const Options& options, const ShowPlan& showPlan)
{
    // A dying encoder must show up as a failed write, not end us silently.
    std::signal(SIGPIPE, SIG_IGN);
    installStopSignals();

    const std::string folderProblem = checkOutputFolder(options.captureOut);
    if (!folderProblem.empty())
        return fail(folderProblem);
    if (options.capture == CaptureKind::Video && VideoEncoder::findFfmpeg().empty())
        return fail("making videos needs the ffmpeg program; install Debian's ffmpeg package (apt install ffmpeg)");

    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return fail(std::string("cannot initialise SDL video: ") + SDL_GetError());
    int status = 0;
    {
        ShowWindow window(WindowKind::Hidden, 64, 64);
        if (!window.ok()) {
            SDL_Quit();
            return 1;
        }
        ShowCore show(showPlan, options.stretch);
        // Decoding while the rest comes up; the first frame waits only for its own pictures.
        show.startDecoding(options.captureSize.width, options.captureSize.height);
        Plan p;
        std::string problem = plan(options, show, p);
        const FrameSize size = options.captureSize;
        OffscreenTarget target(size.width, size.height);
        if (problem.empty() && !target.error().empty())
            problem = "--size " + std::to_string(size.width) + "x" + std::to_string(size.height) + ": " +
                      target.error();
        std::unique_ptr<FrameSink> sink;
        if (problem.empty()) {
            sink = makeSink(options, p);
            problem = sink->error();
        }
        if (problem.empty()) {
            show.init(size.width, size.height);
            target.bind();
            problem = render(show, options, p, *sink);
        }
        if (!problem.empty()) {
            if (sink)
                sink->abandon();
            status = fail(problem);
        }
    }
    Mix_Quit();
    SDL_Quit();
    return status;
}
