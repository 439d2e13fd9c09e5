#include "app/ShowStage.h"

#include "app/Audio.h"
#include "app/Clock.h"
#include "app/StartupTimings.h"
#include "app/StopSignals.h"
#include "demo/Christmas.h"
#include "demo/DataFolder.h"
#include "vornak/DecodeQueue.h"

#include <SDL.h>

#include <cstdio>
#include <memory>

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

// The show never deletes its demo. Held here too (volatile, so the optimiser keeps
// it), it stays reachable for leak checkers after the stage has gone.
Christmas* volatile keptDemo = nullptr;

} // namespace

ShowStage::ShowStage(WindowKind kind, const FrameSize& windowSize, StartupTimings* timings)
{
    auto pictures = std::make_unique<vornak_engine::DecodeQueue>();
    Christmas::queuePictures(*pictures);
    installStopSignals();
    sdl_ = initVideoAndAudio();
    if (!sdl_)
        return;
    window_ = std::make_unique<ShowWindow>(kind, windowSize.width, windowSize.height);
    if (!window_->ok())
        return;
    openAudioOrSilence();
    audioOpenedAt_ = MixerClock::wallSeconds();
    if (timings)
        timings->markSetUp("SDL, window, GL context, GLEW, audio");
    music_ = loadMusic(dataFile("zararorad.mp3"));
    if (timings)
        timings->mark("music loaded");

    int width = 0;
    int height = 0;
    window_->size(width, height);
    demo_ = new Christmas(width, height);
    keptDemo = demo_;
    // The pictures come in as the show needs them: the first frame waits
    // only for its own.
    demo_->initStaged(std::move(pictures));
    if (timings)
        timings->mark("scenes made, shaders compiled");
}

ShowStage::~ShowStage()
{
    if (music_)
        Mix_HaltMusic();
    window_.reset(); // the window closes first; the demo lives on until the process ends
    if (music_)
        Mix_FreeMusic(music_);
    if (sdl_) {
        Mix_Quit();
        SDL_Quit();
    }
}
