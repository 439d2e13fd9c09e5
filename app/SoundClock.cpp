#include "app/SoundClock.h"

#include <algorithm>
#include <limits>

void SoundClock::restart(double from)
{
    std::lock_guard<std::mutex> lock(mutex_);
    from_ = from;
    handed_ = 0;
    playing_ = false;
    heard_ = from;
}

void SoundClock::handedOver(long frames, double wallNow)
{
    std::lock_guard<std::mutex> lock(mutex_);
    stretchPos_ = from_ + static_cast<double>(handed_) / rate_;
    stretchAt_ = wallNow;
    stretchLength_ = static_cast<double>(frames) / rate_;
    handed_ += frames;
    playing_ = true;
}

void SoundClock::deviceTook(long frames, double wallNow)
{
    std::lock_guard<std::mutex> lock(mutex_);
    // The open, reported late, must not hide a take the hook has already seen.
    if (wallNow < tookAt_)
        return;
    tookAt_ = wallNow;
    tookLength_ = static_cast<double>(frames) / rate_;
}

double SoundClock::untilNextStretch(double wallNow)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (tookAt_ < 0)
        return std::numeric_limits<double>::infinity();
    return tookAt_ + tookLength_ + offset_ - wallNow;
}

void SoundClock::setOffset(double seconds)
{
    std::lock_guard<std::mutex> lock(mutex_);
    offset_ = seconds;
}

double SoundClock::seconds(double wallNow)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (playing_) {
        // A late hand-over holds the clock at the end of what the device has;
        // an early one (or a read racing it) must not take it back.
        const double into = std::clamp(wallNow - stretchAt_, 0.0, stretchLength_);
        heard_ = std::max(heard_, stretchPos_ + into);
    }
    return heard_ - offset_;
}
