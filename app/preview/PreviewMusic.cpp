#include "app/preview/PreviewMusic.h"

// SDL_mixer 2.6 measures the track; before it, nothing does.
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
    if (!clock_)
        clock_ = std::make_unique<MixerClock>(offset_);
    // Paused music still counts as playing; only an ended track needs a restart.
    if (!Mix_PlayingMusic())
        Mix_PlayMusic(music_, 1);
    // Paused while it moves, so the clock counts no stretch of the old place as the new.
    Mix_PauseMusic();
    clock_->restart(t);
    Mix_SetMusicPosition(t);
    Mix_ResumeMusic();
    audible_ = true;
}

void PreviewMusic::pause()
{
    if (music_ && audible_)
        Mix_PauseMusic();
    audible_ = false;
}

double PreviewMusic::position() const
{
    if (!music_ || !audible_ || !Mix_PlayingMusic() || !clock_)
        return -1;
    return clock_->seconds();
}
