#pragma once

// What the live show and the preview both stand on, brought up in the show's
// order: SDL video and audio, the pictures decoding on worker threads for the
// screen's or window's size, the window and its GL context, the audio device (or silence), the music (or,
// for a show without music, silence as long as the show) and the show with
// every scene made, its pictures staged. Taken down in reverse.

#include "app/Options.h"
#include "app/ShowWindow.h"
#include "demo/ShowCore.h"

#include <SDL_mixer.h>

#include <memory>
#include <vector>

class StartupTimings;

class ShowStage {
public:
    // Failures print one line and leave ok() false. Timings, if given, get
    // the set-up, the music and the show's making as phases.
    ShowStage(const ShowPlan& plan, bool stretch, WindowKind kind, const FrameSize& windowSize,
              StartupTimings* timings = nullptr);
    ~ShowStage();
    ShowStage(const ShowStage&) = delete;
    ShowStage& operator=(const ShowStage&) = delete;

    bool ok() const { return ready_; }
    ShowWindow& window() { return *window_; }
    // Null when the track could not be loaded (its line is printed).
    Mix_Music* music() const { return music_; }
    // Whether music() is the show's own music rather than the silence standing in for it.
    bool ownMusic() const { return !core_->plan().music.empty(); }
    ShowCore& core() { return *core_; }
    // When the audio device opened (MixerClock::wallSeconds()).
    double audioOpenedAt() const { return audioOpenedAt_; }

private:
    std::unique_ptr<ShowCore> core_;
    bool sdl_ = false;
    bool ready_ = false;
    std::unique_ptr<ShowWindow> window_;
    Mix_Music* music_ = nullptr;
    std::vector<unsigned char> silence_;
    double audioOpenedAt_ = 0;
};
