#pragma once

// The show's clocks. Live, the demo time is the wall clock since the music
// started (SDL's millisecond ticks, as the show has always counted). For
// capture it advances a fixed step per frame, so frame k of a run at fps
// frames a second is drawn at exactly the time a live run at that rate
// would draw it.

#include <cstdint>

class MusicClock {
public:
    // Call right after the music starts.
    void start();
    double seconds() const;

private:
    std::uint32_t startTicks_ = 0;
};

class FixedStepClock {
public:
    // Frame 0 at from; then one frame every 1 / fps seconds.
    FixedStepClock(double from, double fps);

    double timeOf(long frame) const;
    // How many frames lie in [from, to): the frames a capture up to `to` draws.
    long framesBefore(double to) const;

private:
    double from_;
    double fps_;
    long firstGridFrame_ = -1; // from's index on the grid k / fps, or -1 when it lies between frames
};
