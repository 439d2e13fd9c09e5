#pragma once

// The frames a real binary presents, logged by the preloaded SwapCounter.cpp. The first is the show's
// first frame, which its music starts with: tests time the show from it, not from a screenshot.

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
    // The first frame's time once presented, or -1 when the process ends or the timeout passes first.
    double waitForFirst(Process& process, double timeoutSeconds) const;

private:
    TempDir dir_;
    std::string path_;
};
