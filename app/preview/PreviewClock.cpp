#include "app/preview/PreviewClock.h"

#include <algorithm>
#include <cmath>

namespace {

// The music's position moves in steps of one audio buffer; between steps the
// wall clock fills in, but never further than this past the last step.
constexpr double kMaxLead = 0.1;

} // namespace

PreviewClock::PreviewClock(double length, double wallNow) : length_(std::max(0.0, length)), lastWall_(wallNow) {}

long PreviewClock::frameAt(double t)
{
    // Compared through timeOf itself, so the frame boundaries are the very
    // times the run draws at, whatever the rounding of t * 60.
    long k = static_cast<long>(std::floor(t * kFps));
    while (k > 0 && timeOf(k) > t)
        --k;
    while (timeOf(k + 1) <= t)
        ++k;
    return std::max(0L, k);
}

long PreviewClock::frameAfter(double t)
{
    return frameAt(t) + 1;
}

void PreviewClock::restartAnchors(double wallNow)
{
    lastWall_ = wallNow;
    music_ = -1;
}

void PreviewClock::seek(double t)
{
    time_ = std::clamp(t, 0.0, length_);
    music_ = -1;
}

void PreviewClock::setLength(double length)
{
    length_ = length;
    time_ = std::clamp(time_, 0.0, length_);
}

void PreviewClock::setPaused(bool paused, double wallNow)
{
    paused_ = paused;
    restartAnchors(wallNow);
}

void PreviewClock::setSpeed(double speed, double wallNow)
{
    speed_ = std::clamp(speed, kMinSpeed, kMaxSpeed);
    restartAnchors(wallNow);
}

// The loop shows the frames strictly inside its window: the boundary
// instants draw no scene.
double PreviewClock::loopStart() const
{
    return timeOf(frameAfter(loop_->from));
}

bool PreviewClock::outsideLoop() const
{
    const double shown = timeOf(frame());
    return shown <= loop_->from || shown >= loop_->to;
}

void PreviewClock::setLoop(std::optional<TimeWindow> window)
{
    loop_ = window;
    if (loop_ && outsideLoop())
        seek(loopStart());
}

bool PreviewClock::tick(double wallNow, double musicPosition)
{
    const double wall = wallNow - lastWall_;
    lastWall_ = wallNow;
    if (paused_)
        return false;
    if (speed_ == 1.0 && musicPosition >= 0) {
        if (musicPosition != music_) {
            music_ = musicPosition;
            musicWall_ = wallNow;
        }
        // Never backwards: a position read just before its buffer moved on
        // must not show the previous frame again.
        time_ = std::max(time_, music_ + std::min(wallNow - musicWall_, kMaxLead));
    } else {
        time_ += speed_ * std::max(0.0, wall);
    }
    if (loop_ && outsideLoop()) {
        seek(loopStart());
        return true;
    }
    if (time_ >= length_) {
        time_ = length_;
        paused_ = true;
    }
    return false;
}
