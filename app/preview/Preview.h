#pragma once

// The preview of the show: the show under a clock that pauses, seeks, loops
// and changes speed, with the music following it, and reloads of the show's
// files. Every frame it draws is the frame a 60 fps run of the show has on
// screen at the clock's time, the candy zoom included, however it got there.
// It owns no window: the caller feeds it keys and wall time and presents.

#include "app/preview/PreviewClock.h"
#include "app/preview/PreviewMusic.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <string>
#include <vector>

class ShowCore;

class Preview {
public:
    // music may be null (a silent preview as long as the show). Starts
    // playing at startAt; wallNow in seconds of any steady clock. audioOffset:
    // seconds the sound is heard later than the device says. The show's
    // length is the core's.
    Preview(ShowCore& show, Mix_Music* music, double startAt, double wallNow, double audioOffset = 0);

    // One key press; false when it asks to quit.
    bool key(SDL_Keycode key, Uint16 modifiers, double wallNow);
    void seek(double t);
    void togglePause(double wallNow);
    void setSpeed(double speed, double wallNow);
    void toggleLoop();
    // Reloads the named files (everything when none are named); what fails keeps drawing as before.
    void reload(const std::vector<std::string>& changed = {});

    // The show changed length (its file was edited): the clock keeps its time where it can.
    void showChanged();

    // Moves the clock on to wallNow, then draws into a drawable of width x height.
    void frame(double wallNow, int width, int height);
    // Draws the frame the clock shows.
    void draw(int width, int height);

    const PreviewClock& clock() const { return clock_; }
    const PreviewMusic& music() const { return music_; }
    // Time, frame, scenes drawing, playing or paused, speed, loop.
    std::string status() const;
    // The schedule's start and end times, sorted, each once.
    std::vector<double> boundaries() const;

private:
    // The sound plays exactly when the picture runs at 1x.
    void syncMusic();

    ShowCore& show_;
    PreviewMusic music_;
    PreviewClock clock_;
};
