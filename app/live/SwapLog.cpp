#include "app/live/SwapLog.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

SwapLog::SwapLog()
{
    const char* path = std::getenv("VORNAK_SWAP_LOG");
    if (!path || !*path)
        return;
    file_ = std::fopen(path, "w");
    if (!file_)
        std::fprintf(stderr, "%s: cannot write the swap log: %s\n", path, std::strerror(errno));
}

SwapLog::~SwapLog()
{
    if (file_)
        std::fclose(file_);
}

void SwapLog::swapped(double showTime, double readAt, double heard)
{
    if (!file_)
        return;
    const double now =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    std::fprintf(file_, "%.6f %.6f %.6f %.6f\n", now, showTime, readAt, heard);
}
