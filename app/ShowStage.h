#pragma once

// What the live show and the preview both stand on, brought up in the show's
// order: SDL video and audio, the window and its GL context, the audio device
// (or silence), the music and the demo with every scene made, its pictures
// staged (see Christmas::initStaged). Taken down in
// reverse when it goes; the demo itself lives until the process ends.

#include "app/Options.h"
#include "app/ShowWindow.h"

#include <SDL_mixer.h>

#include <memory>

class Christmas;
class StartupTimings;

class ShowStage {
public:
    // Failures print one line and leave ok() false. The pictures decode on
    // worker threads while SDL, the window and GL come up, and go on decoding
    // after. Timings, if given, get the set-up, the music and the demo's
    // making as phases.
    ShowStage(WindowKind kind, const FrameSize& windowSize, StartupTimings* timings = nullptr);
    ~ShowStage();
    ShowStage(const ShowStage&) = delete;
    ShowStage& operator=(const ShowStage&) = delete;

    bool ok() const { return demo_ != nullptr; }
    ShowWindow& window() { return *window_; }
    // Null when the track could not be loaded (its line is printed).
    Mix_Music* music() const { return music_; }
    Christmas& demo() { return *demo_; }
    // When the audio device opened (MixerClock::wallSeconds()).
    double audioOpenedAt() const { return audioOpenedAt_; }

private:
    bool sdl_ = false;
    std::unique_ptr<ShowWindow> window_;
    Mix_Music* music_ = nullptr;
    Christmas* demo_ = nullptr;
    double audioOpenedAt_ = 0;
};
