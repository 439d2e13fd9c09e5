#pragma once

// The show's clocks. Live, the demo time is the position of the music being
// heard, counted from what SDL_mixer hands the audio device (the silent
// driver takes it at the same pace, so it keeps this clock too). For capture
// it advances a fixed step per frame (FixedStepClock), so frame k of a run
// at fps frames a second is drawn at exactly the time a live run at that rate
// would draw it.

#include "app/SoundClock.h"
#include "demo/FixedStepClock.h"

#include <SDL.h>

class MixerClock {
public:
    // Hooks the mixer's hand-over to the device (SDL_mixer's post-mix
    // callback, of which there is one); the device must be open. A positive
    // offset is sound that comes later than the device says, in seconds.
    explicit MixerClock(double offset);
    ~MixerClock();
    MixerClock(const MixerClock&) = delete;
    MixerClock& operator=(const MixerClock&) = delete;

    // The music plays from `from` seconds with the next stretch the mixer
    // hands over while it plays unpaused. Call before Mix_PlayMusic, or with
    // the music paused before moving it and resuming.
    void restart(double from);
    double seconds();
    // The device opened at wallAt (wallSeconds()), taking stretches of
    // `frames` frames; its takes since are counted by the hook.
    void deviceOpened(double wallAt, long frames);
    // Seconds until the device's next stretch is heard, from its pace (see SoundClock).
    double untilNextStretch();
    // The wall clock it reads, in seconds.
    static double wallSeconds();

private:
    static void SDLCALL handOver(void* self, Uint8* stream, int bytes);

    SoundClock clock_;
    int bytesPerFrame_ = 4;
};

// How far ahead of the sound heard now a frame should be drawn: a frame read
// from the clock now reaches the screen only when its swap returns, and stays
// there until the next swap, so it shows the sound at the middle of that
// stretch. Learnt from the frames before, smoothed; within [0, kMaxLead].
class FrameLead {
public:
    static constexpr double kMaxLead = 0.05;

    // The last frame read the clock at readAt and its swap returned at swappedAt (seconds).
    void frameDone(double readAt, double swappedAt);
    double seconds() const { return lead_; }

private:
    double toSwap_ = 0;
    double interval_ = 0;
    double lastSwap_ = -1;
    double lead_ = 0;
};
