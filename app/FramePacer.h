#pragma once

// Keeps the live loop at the display's pace. It asks for vsync (adaptive
// where offered, else a swap interval of 1). Where vsync can't be had, or is
// granted but swaps still come back faster than the display refreshes
// (software GL on a virtual X server), it sleeps so that frames never
// outrun the refresh rate (60 Hz when the display doesn't say).

#include <SDL.h>

#include <chrono>

class FramePacer {
public:
    explicit FramePacer(SDL_Window* window);

    // Right after each swap.
    void frameDone();

    bool capping() const { return capping_; }
    double refreshRate() const { return 1.0 / period_.count(); }

private:
    using Clock = std::chrono::steady_clock;

    std::chrono::duration<double> period_;
    bool capping_ = false;
    int fastSwaps_ = 0;
    Clock::time_point last_{};
    Clock::time_point next_{};
};
