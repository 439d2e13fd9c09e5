#include "app/Audio.h"

#include "vornak/FileData.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
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

Mix_Music* silentMusic(double seconds, std::vector<unsigned char>& storage)
{
    // A WAV of 16-bit stereo zeros at 44.1 kHz.
    constexpr unsigned rate = 44100, channels = 2, bytesPerFrame = 2 * channels;
    const auto frames = static_cast<unsigned>(std::max(0.0, seconds) * rate) + 1;
    const unsigned data = frames * bytesPerFrame;
    storage.assign(44 + static_cast<std::size_t>(data), 0);
    auto put32 = [&](std::size_t at, unsigned v) {
        for (int i = 0; i < 4; ++i)
            storage[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    auto put16 = [&](std::size_t at, unsigned v) {
        storage[at] = static_cast<unsigned char>(v);
        storage[at + 1] = static_cast<unsigned char>(v >> 8);
    };
    std::memcpy(&storage[0], "RIFF", 4);
    put32(4, 36 + data);
    std::memcpy(&storage[8], "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);
    put16(22, channels);
    put32(24, rate);
    put32(28, rate * bytesPerFrame);
    put16(32, bytesPerFrame);
    put16(34, 16);
    std::memcpy(&storage[36], "data", 4);
    put32(40, data);
    Mix_Music* music = Mix_LoadMUS_RW(SDL_RWFromConstMem(storage.data(), static_cast<int>(storage.size())), 1);
    if (!music)
        std::fprintf(stderr, "vornak: cannot make the silent track of a show without music: %s\n", Mix_GetError());
    return music;
}
