#pragma once

// The preview's hold on the music: play from any time, pause, and the
// position of the sound being heard (the live show's clock), so the picture
// can follow the sound. With no track (missing file) everything is silent
// and the position unknown.

#include "app/Clock.h"

#include <SDL_mixer.h>

#include <memory>

class PreviewMusic {
public:
    // offset: seconds the sound is heard later than the device says.
    explicit PreviewMusic(Mix_Music* music, double offset = 0) : music_(music), offset_(offset) {}

    bool present() const { return music_ != nullptr; }
    // Plays from t, starting the track again if it had ended.
    void playFrom(double t);
    void pause();
    bool audible() const { return audible_; }
    // Where the sound being heard is in the track, in seconds; -1 while it is not audible.
    double position() const;

private:
    Mix_Music* music_;
    double offset_;
    bool audible_ = false;
    // Made on the first play: it takes over the mixer's one post-mix hook.
    std::unique_ptr<MixerClock> clock_;
};
