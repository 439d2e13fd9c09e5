#include "app/Clock.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The rate the device really runs at, which may not be the one asked for.
double mixerRate(int& bytesPerFrame)
{
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    if (Mix_QuerySpec(&rate, &format, &channels) == 0 || rate <= 0)
        return 44100;
    bytesPerFrame = std::max(1, SDL_AUDIO_BITSIZE(format) / 8 * channels);
    return rate;
}

} // namespace

MixerClock::MixerClock(double offset) : clock_(mixerRate(bytesPerFrame_))
{
    clock_.setOffset(offset);
    Mix_SetPostMix(&MixerClock::handOver, this);
}

MixerClock::~MixerClock()
{
    // Waits for a running callback: none sees this clock once it has gone.
    Mix_SetPostMix(nullptr, nullptr);
}

void MixerClock::restart(double from)
{
    clock_.restart(from);
}

void MixerClock::deviceOpened(double wallAt, long frames)
{
    clock_.deviceTook(frames, wallAt);
}

double MixerClock::untilNextStretch()
{
    return clock_.untilNextStretch(wallSeconds());
}

double MixerClock::wallSeconds()
{
    return ::wallSeconds();
}

double MixerClock::seconds()
{
    return clock_.seconds(wallSeconds());
}

void SDLCALL MixerClock::handOver(void* self, Uint8*, int bytes)
{
    // Runs on the audio thread with the mixer locked (its lock is recursive).
    // Silence before the music, and a paused or ended track, only keep the pace.
    auto* clock = static_cast<MixerClock*>(self);
    const long frames = bytes / clock->bytesPerFrame_;
    const double now = wallSeconds();
    clock->clock_.deviceTook(frames, now);
    if (Mix_PlayingMusic() && !Mix_PausedMusic())
        clock->clock_.handedOver(frames, now);
}

void FrameLead::frameDone(double readAt, double swappedAt)
{
    // Smoothed over about ten frames: one slow frame moves it little.
    constexpr double kWeight = 0.1;
    const double toSwap = std::max(0.0, swappedAt - readAt);
    toSwap_ = lastSwap_ < 0 ? toSwap : toSwap_ + kWeight * (toSwap - toSwap_);
    if (lastSwap_ >= 0) {
        const double interval = std::clamp(swappedAt - lastSwap_, 0.0, kMaxLead);
        interval_ = interval_ == 0 ? interval : interval_ + kWeight * (interval - interval_);
    }
    lastSwap_ = swappedAt;
    lead_ = std::clamp(toSwap_ + interval_ / 2, 0.0, kMaxLead);
}
