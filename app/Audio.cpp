#include "app/Audio.h"

#include "vornak/FileData.h"

#include <SDL.h>

#include <cstdio>
#include <unistd.h>

namespace {

bool openAudio()
{
    return Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, kAudioChunkFrames) == 0;
}

} // namespace

// A machine without a sound card still gets the whole show: SDL's silent
// driver plays at real-time pace, so the music clock and its end still work.
void openAudioOrSilence()
{
    if (openAudio())
        return;
    std::fprintf(stderr, "vornak: cannot open the audio device (%s); playing silently\n", SDL_GetError());
    if (!openSilentAudio())
        std::fprintf(stderr, "vornak: cannot open silent audio either: %s\n", SDL_GetError());
}

bool openSilentAudio()
{
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // Override priority: a plain hint loses to an SDL_AUDIODRIVER in the environment.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 && openAudio();
}

Mix_Music* loadMusic(const std::string& path)
{
    // SDL_mixer would wait forever on a FIFO: only a regular file reaches it.
    std::size_t size = 0;
    std::string error;
    const int fd = vornak_engine::openRegularFile(path.c_str(), size, error);
    if (fd < 0) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return nullptr;
    }
    close(fd);
    Mix_Music* music = Mix_LoadMUS(path.c_str());
    if (!music)
        std::fprintf(stderr, "%s: cannot load music: %s\n", path.c_str(), Mix_GetError());
    return music;
}

double decodedLength(const std::string& path)
{
    Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
    if (!chunk) {
        std::fprintf(stderr, "%s: cannot decode the music: %s\n", path.c_str(), Mix_GetError());
        return 0;
    }
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    double seconds = 0;
    // The chunk holds the track converted to the device's format.
    if (Mix_QuerySpec(&rate, &format, &channels) != 0 && rate > 0 && channels > 0)
        seconds = static_cast<double>(chunk->alen) / (SDL_AUDIO_BITSIZE(format) / 8 * channels) / rate;
    Mix_FreeChunk(chunk);
    return seconds;
}
