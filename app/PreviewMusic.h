#pragma once

// The preview's hold on the music: play from any time, pause, and the
// track's own position, so the picture can follow the sound. With no track
// (missing file) everything is silent and the position unknown.

#include <SDL_mixer.h>

class PreviewMusic {
public:
    explicit PreviewMusic(Mix_Music* music) : music_(music) {}

    bool present() const { return music_ != nullptr; }
    // The track's length in seconds, or 0 when unknown.
    double length() const;
    // Plays from t, starting the track again if it had ended.
    void playFrom(double t);
    void pause();
    bool audible() const { return audible_; }
    // Where the track is, in seconds; -1 while it is not audible.
    double position() const;

private:
    Mix_Music* music_;
    bool audible_ = false;
    // Without Mix_GetMusicPosition (SDL_mixer before 2.6) the position is
    // counted from the moment it was set.
    double setAt_ = 0;
    double setWall_ = 0;
};
