// The application shell: window, GL context, audio, the frame loop.

#include "demo/Christmas.h"
#include "vornak/FileData.h"

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_mixer.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

const char* const kMusicPath = "data/zararorad.mp3";

bool openAudio()
{
    return Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048) == 0;
}

// A machine without a sound card still gets the whole show: SDL's silent
// driver plays at real-time pace, so the music clock and its end still work.
void openAudioOrSilence()
{
    if (openAudio())
        return;
    std::fprintf(stderr, "vornak: cannot open the audio device (%s); playing silently\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // Override priority: a plain hint loses to an SDL_AUDIODRIVER in the environment.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 || !openAudio())
        std::fprintf(stderr, "vornak: cannot open silent audio either: %s\n", SDL_GetError());
}

// True for a regular file; anything else gets its line here.
bool musicFileOk(const char* path)
{
    std::size_t size = 0;
    std::string error;
    const int fd = vornak_engine::openRegularFile(path, size, error);
    if (fd < 0) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    close(fd);
    return true;
}

} // namespace

int main(int, char**)
{
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO) != 0) {
        // A failing audio driver makes SDL_Init undo video as well; the audio
        // fallback below takes care of sound, so bring up video on its own.
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "vornak: cannot initialise SDL video: %s\n", SDL_GetError());
            return 1;
        }
    }

    SDL_Window* window = SDL_CreateWindow("Vornak", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 0, 0,
                                          SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_OPENGL);
    if (!window) {
        std::fprintf(stderr, "vornak: cannot create the window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);

    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        std::fprintf(stderr, "vornak: cannot create an OpenGL 4.1 core context: %s\n", SDL_GetError());
        SDL_DestroyWindow(window);
        SDL_Quit();
        return 1;
    }

    // Core profiles need the experimental path for GLEW to load everything.
    glewExperimental = GL_TRUE;
    const GLenum glewStatus = glewInit();
    if (glewStatus != GLEW_OK) {
        // GLEW loads through GLX; SDL falls back to an EGL driver when there is no X display.
        const char* reason = glewStatus == GLEW_ERROR_NO_GLX_DISPLAY
                                 ? "no GLX display"
                                 : reinterpret_cast<const char*>(glewGetErrorString(glewStatus));
        std::fprintf(stderr, "vornak: cannot load OpenGL entry points: %s (SDL video driver %s)\n", reason,
                     SDL_GetCurrentVideoDriver());
        SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(window);
        SDL_Quit();
        return 1;
    }
    glGetError(); // glewInit's probing of core contexts leaves GL_INVALID_ENUM behind

    openAudioOrSilence();

    // SDL_mixer would wait forever on a FIFO: only a regular file reaches it.
    Mix_Music* music = nullptr;
    if (musicFileOk(kMusicPath) && !(music = Mix_LoadMUS(kMusicPath)))
        std::fprintf(stderr, "%s: cannot load music: %s\n", kMusicPath, Mix_GetError());

    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window, &width, &height);

    // Never deleted: the demo lives as long as the process. Held in a static
    // (volatile, so the optimiser keeps it there), leak checkers count it and its
    // scenes as reachable at exit.
    static vornak_engine::Demo* volatile demo = nullptr;
    demo = new Christmas(width, height);
    demo->init();

    Mix_PlayMusic(music, 1);
    const Uint32 startTicks = SDL_GetTicks();

    int quit = 0;
    SDL_Event event;
    while (quit == 0) {
        while (SDL_PollEvent(&event)) {
            // Only Esc ends the show; the window-close request is ignored.
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE)
                quit = 1;
        }
        if (Mix_PlayingMusic() == 0)
            quit = 1;

        const double t = (static_cast<double>(SDL_GetTicks()) - static_cast<double>(startTicks)) / 1000.0;
        demo->show(t);
        SDL_GL_SwapWindow(window);
    }

    SDL_DestroyWindow(window);
    Mix_FreeMusic(music);
    Mix_Quit();
    SDL_Quit();
    return 0;
}
