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
    using Clock = std::chrono::steady_clock;

    // Asks the current context for vsync and the window's display for its rate.
    explicit FramePacer(SDL_Window* window);
    // What the display and the driver granted, decided elsewhere.
    FramePacer(double refreshRate, bool vsync);

    // Right after each swap.
    void frameDone() { frameDone(Clock::now()); }
    void frameDone(Clock::time_point swapped);

    bool capping() const { return capping_; }
    double refreshRate() const { return 1.0 / period_.count(); }

private:
    std::chrono::duration<double> period_;
    bool capping_ = false;
    int fastSwaps_ = 0;
    Clock::time_point last_{};
    Clock::time_point next_{};
};
