#pragma once

// For the sound-and-picture benchmark: with VORNAK_SWAP_LOG=FILE in the
// environment the live show writes one line per swapped frame,
// "SWAPPED T READ HEARD": when the swap returned (seconds of the monotonic
// clock, as std::chrono::steady_clock reads it), the show time the frame
// drew, when it read the sound clock and what that said (T less the lead
// for the frame's time on screen). Without it nothing is written.

#include <cstdio>

class SwapLog {
public:
    SwapLog();
    ~SwapLog();
    SwapLog(const SwapLog&) = delete;
    SwapLog& operator=(const SwapLog&) = delete;

    void swapped(double showTime, double readAt, double heard);

private:
    std::FILE* file_ = nullptr;
};
