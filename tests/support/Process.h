#pragma once

// Runs a program the way a person starts it from a shell: in a working
// directory, with a few environment changes, its output captured to files.

#include "support/TempDir.h"

#include <string>
#include <vector>

struct ProcessResult {
    bool exited = false;   // false: killed by a signal or by the timeout
    int status = -1;       // exit status when exited
    int signal = 0;        // the signal that ended it, if any
    bool timedOut = false;
    double seconds = 0.0;  // wall time from start to end
    std::string out;
    std::string err;
};

class Process {
public:
    // env: NAME=VALUE sets a variable, NAME alone removes it.
    Process(const std::string& program, const std::string& workdir, const std::vector<std::string>& env = {});
    // The same with arguments after the program's name.
    Process(const std::string& program, const std::vector<std::string>& args, const std::string& workdir,
            const std::vector<std::string>& env = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool running();
    // Sends a signal, as kill(1) would.
    void signal(int number);
    double elapsed() const;
    // monotonicSeconds() when the process was started.
    double startedAt() const;
    // What it has written to standard error so far.
    std::string errorSoFar() const;
    // Waits up to timeoutSeconds from this call, then kills the process and
    // everything it started; returns how it ended.
    ProcessResult wait(double timeoutSeconds);

private:
    void killGroup();

    TempDir captures_; // kept out of the working directory, which may be the repository
    int pid_ = -1;
    double startTime_ = 0.0;
    std::string outPath_;
    std::string errPath_;
    bool reaped_ = false;
    int rawStatus_ = 0;
};

double monotonicSeconds();

// How long a program may take to act on a key or a signal and end, however busy
// the machine (a sanitizer build beside other work): generous, yet far shorter
// than the music that would otherwise end it.
constexpr double kPromptSeconds = 3.0;

// Runs a shell command to its end and returns its standard output.
std::string shell(const std::string& command, int* status = nullptr);
