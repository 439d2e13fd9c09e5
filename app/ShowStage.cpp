#include "app/ShowStage.h"

#include "app/Audio.h"
#include "app/Clock.h"
#include "app/live/StartupTimings.h"
#include "app/StopSignals.h"

#include <SDL.h>

#include <cstdio>

namespace {

bool initVideoAndAudio()
{
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO) == 0)
        return true;
    // A failing audio driver makes SDL_Init undo video as well; the audio
    // fallback takes care of sound, so bring up video on its own.
    if (SDL_Init(SDL_INIT_VIDEO) == 0)
        return true;
    std::fprintf(stderr, "vornak: cannot initialise SDL video: %s\n", SDL_GetError());
    return false;
}

} // namespace

ShowStage::ShowStage(const ShowPlan& plan, bool stretch, WindowKind kind, const FrameSize& windowSize,
                     StartupTimings* timings)
    : core_(std::make_unique<ShowCore>(plan, stretch))
{
    installStopSignals();
    sdl_ = initVideoAndAudio();
    if (!sdl_)
        return;
    // The pictures decode for the screen or window while the window and GL come up.
    SDL_DisplayMode screen{};
    if (kind == WindowKind::FullScreen && SDL_GetDesktopDisplayMode(0, &screen) == 0)
        core_->startDecoding(screen.w, screen.h);
    else
        core_->startDecoding(windowSize.width, windowSize.height);
    window_ = std::make_unique<ShowWindow>(kind, windowSize.width, windowSize.height);
    if (!window_->ok())
        return;
    openAudioOrSilence();
    audioOpenedAt_ = MixerClock::wallSeconds();
    if (timings)
        timings->markSetUp("SDL, window, GL context, GLEW, audio");
    if (ownMusic())
        music_ = loadMusic(core_->plan().music);
    if (timings)
        timings->mark("music loaded");

    int width = 0;
    int height = 0;
    window_->size(width, height);
    // The pictures come in as the show needs them: the first frame waits only for its own.
    core_->init(width, height);
    if (!ownMusic())
        music_ = silentMusic(core_->length(), silence_);
    if (timings)
        timings->mark("scenes made, shaders compiled");
    ready_ = true;
}

ShowStage::~ShowStage()
{
    if (music_)
        Mix_HaltMusic();
    // The show's GL objects go while their context is still there.
    core_.reset();
    window_.reset();
    if (music_)
        Mix_FreeMusic(music_);
    if (sdl_) {
        Mix_Quit();
        SDL_Quit();
    }
}
