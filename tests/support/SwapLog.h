#pragma once

// The frames a real binary puts on the X screen, with their times: the swap
// counter (SwapCounter.cpp) is preloaded into it and logs every presented frame.
// The first one is the show's first frame, which its music starts with, so
// tests time the show from the program's own doing, not from a screenshot.

#include "support/Process.h"
#include "support/TempDir.h"

#include <string>
#include <vector>

class SwapLog {
public:
    SwapLog();

    // The environment a program needs to be counted (added to what the test sets).
    std::vector<std::string> environment() const;
    // monotonicSeconds() of every frame presented so far.
    std::vector<double> times() const;
    // Waits until the first frame is presented; its time, or -1 when the process
    // ends or the timeout passes first.
    double waitForFirst(Process& process, double timeoutSeconds) const;

private:
    TempDir dir_;
    std::string path_;
};
