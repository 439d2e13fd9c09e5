#pragma once

// For the sound-and-picture benchmark: with VORNAK_SWAP_LOG=FILE in the
// environment the live show writes one line per swapped frame, "SECONDS T":
// when the swap returned (the monotonic clock, as std::chrono::steady_clock
// reads it) and the show time the frame drew. Without it nothing is written.

#include <cstdio>

class SwapLog {
public:
    SwapLog();
    ~SwapLog();
    SwapLog(const SwapLog&) = delete;
    SwapLog& operator=(const SwapLog&) = delete;

    void swapped(double showTime);

private:
    std::FILE* file_ = nullptr;
};
