#include "support/SwapLog.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

SwapLog::SwapLog() : path_(dir_.path() + "/swaps") {}

std::vector<std::string> SwapLog::environment() const
{
    // The sanitizer suite preloads its own libraries; keep them.
    const char* preloaded = std::getenv("LD_PRELOAD");
    return {"SWAP_LOG=" + path_,
            std::string("LD_PRELOAD=" VORNAK_SWAP_COUNTER) + (preloaded ? std::string(":") + preloaded : "")};
}

std::vector<double> SwapLog::times() const
{
    std::ifstream in(path_); // made by the first frame
    std::vector<double> times;
    for (double at; in >> at;)
        times.push_back(at);
    return times;
}

double SwapLog::waitForFirst(Process& process, double timeoutSeconds) const
{
    for (const double until = monotonicSeconds() + timeoutSeconds;; usleep(20000)) {
        if (const std::vector<double> seen = times(); !seen.empty())
            return seen.front();
        if (!process.running() || monotonicSeconds() > until)
            return -1;
    }
}
