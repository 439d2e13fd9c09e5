#include "app/preview/PreviewMusic.h"

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
