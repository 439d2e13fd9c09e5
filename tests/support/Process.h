#pragma once

// Runs a program as from a shell: in a working directory, with environment changes, its output captured.

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

double monotonicSeconds();

class Process {
public:
    // env: NAME=VALUE sets a variable, NAME alone removes it.
    Process(const std::string& program, const std::string& workdir, const std::vector<std::string>& env = {})
        : Process(program, {}, workdir, env) {}
    Process(const std::string& program, const std::vector<std::string>& args, const std::string& workdir,
            const std::vector<std::string>& env = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool running();
    void signal(int number);
    double elapsed() const { return monotonicSeconds() - startTime_; }
    double startedAt() const { return startTime_; } // as monotonicSeconds()
    std::string errorSoFar() const { return readFile(errPath_); }
    // Waits up to timeoutSeconds from this call, then kills the process and everything it started.
    ProcessResult wait(double timeoutSeconds);

private:
    void killGroup();

    TempDir captures_; // kept out of the working directory, which may be the repository
    std::string outPath_ = captures_.path() + "/out";
    std::string errPath_ = captures_.path() + "/err";
    int pid_ = -1;
    double startTime_ = monotonicSeconds();
    bool reaped_ = false;
    int rawStatus_ = 0;
};

// How long a program may take to act on a key or a signal and end on a busy machine (a sanitizer
// build beside other work): generous, yet far shorter than the music that would otherwise end it.
constexpr double kPromptSeconds = 3.0;

// Runs a shell command to its end and returns its standard output.
std::string shell(const std::string& command, int* status = nullptr);
