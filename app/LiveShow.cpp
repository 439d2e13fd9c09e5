#include "app/LiveShow.h"

#include "app/Clock.h"
#include "app/FramePacer.h"
#include "app/Presentation.h"
#include "app/ShowStage.h"
#include "app/StartupTimings.h"
#include "app/StopSignals.h"
#include "app/SwapLog.h"
#include "demo/Christmas.h"

#include <SDL.h>
#include <SDL_mixer.h>

namespace {

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
    SwapLog swapLog;

    MixerClock clock(options.audioOffset);
    FrameLead lead;
    clock.restart(0);
    Mix_PlayMusic(stage.music(), 1);

    int width = 0;
    int height = 0;
    bool quit = false;
    bool first = true;
    bool preparing = true;
    while (!quit) {
        quit = endRequested(options.windowed) || Mix_PlayingMusic() == 0;
        // The frame that ends the show is still drawn, as it always was.
        const double readAt = clock.wallSeconds();
        // Ahead by the lead only once the sound runs: before, nothing is heard to lead.
        const double heard = clock.seconds();
        const double t = heard > 0 ? heard + lead.seconds() : heard;
        window.drawableSize(width, height);
        presentation.begin(width, height);
        demo.show(t);
        window.swap();
        lead.frameDone(readAt, clock.wallSeconds());
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
