#include "app/live/LiveShow.h"

#include "app/Audio.h"
#include "app/Clock.h"
#include "app/FramePacer.h"
#include "app/ShowStage.h"
#include "app/live/StartupTimings.h"
#include "app/StopSignals.h"
#include "app/live/SwapLog.h"

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The title's first frame, drawn while the device takes its first buffer. It goes
// up as the sound starts and stays about a frame at 60 Hz: it is drawn for the
// middle of that.
constexpr double kFirstTitleFrame = 0.5 / 60;
// It goes up when its sound is due within this (s), the swap that shows it being
// about as long.
constexpr double kFirstFrameEarly = kFirstTitleFrame;
// A device that takes no sound at all still gets a picture after this (ms).
constexpr int kMaxWaitForSound = 500;

// Esc ends the show; in a window so does its close button. Full-screen, the
// close request is ignored, as it always was.
bool endRequested(bool windowed)
{
    bool end = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE)
            end = true;
        if (windowed && event.type == SDL_QUIT)
            end = true;
    }
    return end || stopRequested();
}

} // namespace

int playShow(const Options& options, const ShowPlan& plan)
{
    StartupTimings timings(options.timings);
    ShowStage stage(plan, options.stretch, options.windowed ? WindowKind::Resizable : WindowKind::FullScreen,
                    options.window, &timings);
    if (!stage.ok())
        return 1;
    ShowWindow& window = stage.window();
    ShowCore& core = stage.core();
    // The built-in show plays as it always has, whatever music stands in for its own.
    if (stage.music() && stage.ownMusic() && !options.show.empty()) {
        // The music's own estimate: near enough for a warning, and nothing is decoded before the first frame.
        for (const std::string& line : core.warnings(Mix_MusicDuration(stage.music())))
            std::fprintf(stderr, "%s\n", line.c_str());
    }
    FramePacer pacer(window.window());
    int width = 0;
    int height = 0;
    SwapLog swapLog;

    MixerClock clock(options.audioOffset);
    clock.deviceOpened(stage.audioOpenedAt(), kAudioChunkFrames);
    FrameLead lead;
    clock.restart(0);
    Mix_PlayMusic(stage.music(), 1);
    // While the device takes its first buffer: the title's pictures go up and its
    // first frame is drawn, to be shown as the sound starts.
    window.drawableSize(width, height);
    // The renderer's threads fault the window's new buffers in while this
    // thread uploads the pictures, rather than after.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    core.frame(kFirstTitleFrame, width, height);
    glFinish(); // done while the device is waited for, so that the swap is only the copy
    bool predrawn = true;
    const int predrawnWidth = width;
    const int predrawnHeight = height;

    bool quit = false;
    bool first = true;
    bool preparing = true;
    int waited = 0;   // ms
    double shown = 0; // the show time of the last frame swapped
    while (!quit) {
        quit = endRequested(options.windowed) || Mix_PlayingMusic() == 0;
        // The frame that ends the show is still drawn, as it always was.
        const double readAt = clock.wallSeconds();
        // Ahead by the lead only once the sound runs: before, nothing is heard to lead.
        const double heard = clock.seconds();
        // Until then no scene draws: wait for it rather than swap empty frames.
        // The frame drawn ahead goes up as its sound is due, by the device's
        // pace; a device overdue is waited for.
        const bool dueNow = predrawn && heard <= 0 && std::abs(clock.untilNextStretch()) < kFirstFrameEarly;
        if (heard <= 0 && !dueNow && !quit && waited < kMaxWaitForSound) {
            SDL_Delay(1);
            ++waited;
            continue;
        }
        double t = heard > 0 ? heard + lead.seconds() : heard;
        window.drawableSize(width, height);
        // The frame drawn ahead is shown if the sound has not passed it yet and
        // the window kept its size; otherwise it is drawn again, for now.
        if (predrawn && !quit && heard <= kFirstTitleFrame && (heard > 0 || dueNow) && width == predrawnWidth &&
            height == predrawnHeight) {
            t = kFirstTitleFrame;
        } else {
            // The frame drawn ahead led the sound: the next one must not show an earlier moment.
            t = std::max(t, shown);
            core.frame(t, width, height);
        }
        window.swap();
        // A frame drawn ahead says nothing of how long drawing takes.
        if (!predrawn)
            lead.frameDone(readAt, clock.wallSeconds());
        predrawn = false;
        swapLog.swapped(t, readAt, heard);
        shown = t;
        // The first frame is the first to show the show: until the device
        // takes the music's first buffer the clock stands at 0, where no scene
        // draws, and only the frame drawn ahead goes up before.
        if (first && t > 0) {
            first = false;
            timings.firstFrame();
        }
        // A little of what init() left for later after each frame, none before the first.
        else if (!first && preparing)
            preparing = core.workLater(t);
        pacer.frameDone();
    }
    return 0;
}
