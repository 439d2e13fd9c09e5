#include "vornak/Log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace vornak_engine {

namespace {

void writeDefault(LogLevel level, const char* message, void*)
{
    if (level == LogLevel::Info)
        std::puts(message);
    else
        std::fprintf(stderr, "%s\n", message);
}

// The pair is swapped under the lock so a line never reaches a callback with another's user pointer.
std::mutex sinkLock;
LogCallback sink = writeDefault;
void* sinkUser = nullptr;

} // namespace

void setLogCallback(LogCallback callback, void* user)
{
    std::lock_guard<std::mutex> lock(sinkLock);
    sink = callback ? callback : writeDefault;
    sinkUser = callback ? user : nullptr;
}

void logMessage(LogLevel level, const char* message)
{
    LogCallback callback;
    void* user;
    {
        std::lock_guard<std::mutex> lock(sinkLock);
        callback = sink;
        user = sinkUser;
    }
    callback(level, message ? message : "", user);
}

void logFormat(LogLevel level, const char* format, ...)
{
    char line[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    logMessage(level, line);
}

void logFileError(const char* name, const char* format, ...)
{
    char reason[3072];
    va_list args;
    va_start(args, format);
    std::vsnprintf(reason, sizeof reason, format, args);
    va_end(args);
    logFormat(LogLevel::Error, "%s: %s", name ? name : "(memory)", reason);
}

} // namespace vornak_engine
