#include "demo/FixedStepClock.h"

#include <cmath>

FixedStepClock::FixedStepClock(double from, double fps) : from_(from), fps_(fps)
{
    const double k = std::round(from * fps);
    if (std::abs(from * fps - k) < 1e-6)
        firstGridFrame_ = static_cast<long>(k);
}

double FixedStepClock::timeOf(long frame) const
{
    // On the grid, k / fps exactly as an uninterrupted run from 0 computes it
    // (the candy zoom's steps then match to the bit).
    if (firstGridFrame_ >= 0)
        return static_cast<double>(firstGridFrame_ + frame) / fps_;
    return from_ + static_cast<double>(frame) / fps_;
}

long FixedStepClock::framesBefore(double to) const
{
    // Round away float noise so that 2.5 s at 60 fps is 150 frames, not 151.
    const double n = (to - from_) * fps_;
    const long whole = static_cast<long>(std::ceil(n - 1e-6));
    return whole < 0 ? 0 : whole;
}
