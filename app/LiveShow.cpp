#include "app/LiveShow.h"

#include "app/Clock.h"
#include "app/FramePacer.h"
#include "demo/Presentation.h"
#include "app/ShowStage.h"
#include "app/StartupTimings.h"
#include "app/StopSignals.h"
#include "app/SwapLog.h"
#include "demo/Christmas.h"

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_mixer.h>

namespace {

// The title's first frame, drawn while the device takes its first buffer: a frame
// on screen lasts at least this long, so it is drawn for the middle of its time.
constexpr double kFirstTitleFrame = 1.0 / 60;
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

int playShow(const Options& options)
{
    StartupTimings timings(options.timings);
    ShowStage stage(options.windowed ? WindowKind::Resizable : WindowKind::FullScreen, options.window, &timings);
    if (!stage.ok())
        return 1;
    ShowWindow& window = stage.window();
    Christmas& demo = stage.demo();
    FramePacer pacer(window.window());
    const Presentation presentation(options.stretch);
    int width = 0;
    int height = 0;
    SwapLog swapLog;

    MixerClock clock(options.audioOffset);
    FrameLead lead;
    clock.restart(0);
    Mix_PlayMusic(stage.music(), 1);
    // While the device takes its first buffer: the title's pictures go up and its
    // first frame is drawn, to be shown the moment the sound starts.
    window.drawableSize(width, height);
    presentation.begin(width, height);
    demo.show(kFirstTitleFrame);
    glFlush(); // the renderer starts on it while the device is waited for
    bool predrawn = true;
    const int predrawnWidth = width;
    const int predrawnHeight = height;

    bool quit = false;
    bool first = true;
    bool preparing = true;
    int waited = 0; // ms
    while (!quit) {
        quit = endRequested(options.windowed) || Mix_PlayingMusic() == 0;
        // The frame that ends the show is still drawn, as it always was.
        const double readAt = clock.wallSeconds();
        // Ahead by the lead only once the sound runs: before, nothing is heard to lead.
        const double heard = clock.seconds();
        // Until then no scene draws: wait for it rather than swap empty frames.
        if (heard <= 0 && !quit && waited < kMaxWaitForSound) {
            SDL_Delay(1);
            ++waited;
            continue;
        }
        double t = heard > 0 ? heard + lead.seconds() : heard;
        window.drawableSize(width, height);
        // The frame drawn ahead is shown if the sound has not passed it yet and
        // the window kept its size; otherwise it is drawn again, for now.
        if (predrawn && !quit && heard > 0 && heard <= kFirstTitleFrame && width == predrawnWidth &&
            height == predrawnHeight) {
            t = kFirstTitleFrame;
        } else {
            presentation.begin(width, height);
            demo.show(t);
        }
        window.swap();
        // A frame drawn ahead says nothing of how long drawing takes.
        if (!predrawn)
            lead.frameDone(readAt, clock.wallSeconds());
        predrawn = false;
        swapLog.swapped(t, readAt, heard);
        // The first frame is the first to show the show: until the device
        // takes the music's first buffer the clock stands at 0, where no scene draws.
        if (first && t > 0) {
            first = false;
            timings.firstFrame();
        }
        // A little of what init() left for later after each frame, none before the first.
        else if (!first && preparing)
            preparing = demo.prepareAhead(t);
        pacer.frameDone();
    }
    return 0;
}
