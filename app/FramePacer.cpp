#include "app/FramePacer.h"

#include <thread>

namespace {

// Swaps this much faster than the refresh period, several in a row, mean vsync isn't happening.
constexpr double kFastSwap = 0.8;
constexpr int kFastSwapsToCap = 8;

} // namespace

namespace {

double displayRate(SDL_Window* window)
{
    SDL_DisplayMode mode;
    if (SDL_GetWindowDisplayMode(window, &mode) == 0 && mode.refresh_rate > 0)
        return mode.refresh_rate;
    return 60;
}

bool askForVsync()
{
    return SDL_GL_SetSwapInterval(-1) == 0 || SDL_GL_SetSwapInterval(1) == 0;
}

} // namespace

FramePacer::FramePacer(SDL_Window* window) : FramePacer(displayRate(window), askForVsync())
{
}

FramePacer::FramePacer(double refreshRate, bool vsync) : period_(1.0 / refreshRate), capping_(!vsync)
{
}

void FramePacer::frameDone(Clock::time_point now)
{
    if (!capping_) {
        const bool fast = last_ != Clock::time_point{} && now - last_ < period_ * kFastSwap;
        fastSwaps_ = fast ? fastSwaps_ + 1 : 0;
        capping_ = fastSwaps_ >= kFastSwapsToCap;
        last_ = now;
        next_ = now;
        if (!capping_)
            return;
    }
    // A fixed grid of frame slots; a late frame starts the grid again rather than racing to catch up.
    next_ += std::chrono::duration_cast<Clock::duration>(period_);
    if (next_ < now)
        next_ = now;
    else
        std::this_thread::sleep_until(next_);
    last_ = Clock::now();
}
