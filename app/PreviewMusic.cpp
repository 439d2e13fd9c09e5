#include "app/PreviewMusic.h"

#include <SDL.h>

namespace {

double wallSeconds()
{
    return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
}

} // namespace

// SDL_mixer 2.6 measures and reads the track's position; before it, neither.
double PreviewMusic::length() const
{
#if SDL_MIXER_VERSION_ATLEAST(2, 6, 0)
    if (music_) {
        const double seconds = Mix_MusicDuration(music_);
        return seconds > 0 ? seconds : 0;
    }
#endif
    return 0;
}

void PreviewMusic::playFrom(double t)
{
    if (!music_)
        return;
    // Paused music still counts as playing; only an ended track needs a restart.
    if (!Mix_PlayingMusic())
        Mix_PlayMusic(music_, 1);
    Mix_SetMusicPosition(t);
    Mix_ResumeMusic();
    audible_ = true;
    setAt_ = t;
    setWall_ = wallSeconds();
}

void PreviewMusic::pause()
{
    if (music_ && audible_)
        Mix_PauseMusic();
    audible_ = false;
}

double PreviewMusic::position() const
{
    if (!music_ || !audible_ || !Mix_PlayingMusic())
        return -1;
#if SDL_MIXER_VERSION_ATLEAST(2, 6, 0)
    return Mix_GetMusicPosition(music_);
#else
    return setAt_ + (wallSeconds() - setWall_);
#endif
}
