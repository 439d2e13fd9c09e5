#include "app/live/StartupTimings.h"

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

// Taken while static objects are built, before main and before SDL or GL
// load anything of their own.
const Clock::time_point processStart = Clock::now();

} // namespace

double StartupTimings::now()
{
    return std::chrono::duration<double, std::milli>(Clock::now() - processStart).count();
}

void StartupTimings::mark(const char* phase)
{
    const double at = now();
    phases_.emplace_back(phase, at - last_);
    last_ = at;
}

void StartupTimings::markSetUp(const char* phase)
{
    mark(phase);
    setUp_ = last_;
}

void StartupTimings::firstFrame()
{
    if (printed_)
        return;
    mark("first frame (draw and swap)");
    printed_ = true;
    if (!enabled_)
        return;
    for (const auto& [phase, ms] : phases_)
        std::fprintf(stderr, "vornak: start-up: %-40s %7.1f ms\n", phase.c_str(), ms);
    std::fprintf(stderr, "vornak: first frame %.1f ms after start, %.2fx the %.1f ms set-up\n", last_,
                 setUp_ > 0 ? last_ / setUp_ : 0.0, setUp_);
}
