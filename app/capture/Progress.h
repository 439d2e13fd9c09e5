#pragma once

// What a long capture tells its user on standard error. On a terminal: one
// line updated in place (frames done of total, percent, frames a second,
// time left). Otherwise, for logs: only a start line and an end line.

#include <chrono>
#include <string>

class Progress {
public:
    Progress(const std::string& what, long total, bool terminal);

    void update(long done);
    // The last line: the file written, its size and its duration.
    void done(const std::string& summary);
    // Ends the in-place line before an error message.
    void interrupt();

    static bool stderrIsTerminal();

private:
    using Clock = std::chrono::steady_clock;

    long total_;
    bool terminal_;
    bool lineOpen_ = false;
    Clock::time_point start_;
    Clock::time_point lastShown_{};
};
