#include "app/LiveShow.h"

#include "app/Audio.h"
#include "app/Clock.h"
#include "app/FramePacer.h"
#include "app/Presentation.h"
#include "app/ShowWindow.h"
#include "app/StopSignals.h"
#include "demo/Christmas.h"
#include "demo/DataFolder.h"

#include <SDL.h>
#include <SDL_mixer.h>

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
    installStopSignals();
    if (!initVideoAndAudio())
        return 1;
    Mix_Music* music = nullptr;
    {
        ShowWindow window(options.windowed ? WindowKind::Resizable : WindowKind::FullScreen, options.window.width,
                          options.window.height);
        if (!window.ok()) {
            SDL_Quit();
            return 1;
        }
        openAudioOrSilence();
        music = loadMusic(dataFile("zararorad.mp3"));

        int width = 0;
        int height = 0;
        window.size(width, height);
        // Never deleted, as the show never deletes its demo; held in a static (volatile,
        // so the optimiser keeps it there) where leak checkers see it to the end.
        static Christmas* volatile demo = nullptr;
        demo = new Christmas(width, height);
        demo->init();
        FramePacer pacer(window.window());
        const Presentation presentation(options.stretch);

        Mix_PlayMusic(music, 1);
        MusicClock clock;
        clock.start();

        bool quit = false;
        while (!quit) {
            quit = endRequested(options.windowed) || Mix_PlayingMusic() == 0;
            // The frame that ends the show is still drawn, as it always was.
            const double t = clock.seconds();
            window.drawableSize(width, height);
            presentation.begin(width, height);
            demo->show(t);
            window.swap();
            pacer.frameDone();
        }
        Mix_HaltMusic();
    } // the window closes here; the demo lives on until the process ends
    Mix_FreeMusic(music);
    Mix_Quit();
    SDL_Quit();
    return 0;
}
