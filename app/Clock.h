#pragma once

// The show's clocks. Live, the demo time is the wall clock since the music
// started (SDL's millisecond ticks, as the show has always counted). For
// capture it advances a fixed step per frame (FixedStepClock, shared with the
// web page).

#include "demo/FixedStepClock.h"

#include <cstdint>

class MusicClock {
public:
    // Call right after the music starts.
    void start();
    double seconds() const;

private:
    std::uint32_t startTicks_ = 0;
};
