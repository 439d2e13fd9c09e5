#include "support/Process.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

double monotonicSeconds() // CLOCK_MONOTONIC, as SwapCounter.cpp logs
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

Process::Process(const std::string& program, const std::vector<std::string>& args, const std::string& workdir,
                 const std::vector<std::string>& env)
{
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        // A group of its own, so a timeout's kill reaches what it started (ffmpeg) too.
        setpgid(0, 0);
        if (chdir(workdir.c_str()) != 0)
            _exit(126);
        dup2(open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        for (const std::string& e : env) {
            const auto eq = e.find('=');
            eq == std::string::npos ? unsetenv(e.c_str()) : setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
        }
        execv(program.c_str(), argv.data());
        _exit(127);
    }
}

Process::~Process()
{
    if (pid_ > 0 && !reaped_) {
        killGroup();
        waitpid(pid_, nullptr, 0);
    }
}

void Process::killGroup()
{
    kill(-pid_, SIGKILL); // children of a killed program would otherwise live on
    kill(pid_, SIGKILL);
}

void Process::signal(int number)
{
    if (!reaped_)
        kill(pid_, number);
}

bool Process::running()
{
    if (!reaped_ && waitpid(pid_, &rawStatus_, WNOHANG) == pid_)
        reaped_ = true;
    return !reaped_;
}

ProcessResult Process::wait(double timeoutSeconds)
{
    // The ceiling counts from this call: what the caller did before must not eat into it.
    const double until = monotonicSeconds() + timeoutSeconds;
    bool timedOut = false;
    while (running() && !(timedOut = monotonicSeconds() > until))
        usleep(10000);
    if (timedOut) {
        killGroup();
        waitpid(pid_, &rawStatus_, 0);
        reaped_ = true;
    }
    const bool exited = WIFEXITED(rawStatus_);
    return {exited && !timedOut, exited ? WEXITSTATUS(rawStatus_) : -1,
            WIFSIGNALED(rawStatus_) ? WTERMSIG(rawStatus_) : 0, timedOut, elapsed(), readFile(outPath_),
            readFile(errPath_)};
}

std::string shell(const std::string& command, int* status)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    const int rc = pipe ? pclose(pipe) : -1;
    if (status)
        *status = rc != -1 && WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return output;
}
