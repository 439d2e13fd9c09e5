#include "support/Process.h"

#include "support/TempDir.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

double monotonicSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

Process::Process(const std::string& program, const std::string& workdir, const std::vector<std::string>& env)
    : Process(program, std::vector<std::string>{}, workdir, env)
{
}

Process::Process(const std::string& program, const std::vector<std::string>& args, const std::string& workdir,
                 const std::vector<std::string>& env)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    outPath_ = captures_.path() + "/out";
    errPath_ = captures_.path() + "/err";
    startTime_ = monotonicSeconds();
    pid_ = fork();
    if (pid_ == 0) {
        // A group of its own, so a timeout's kill reaches what it started (ffmpeg) too.
        setpgid(0, 0);
        if (chdir(workdir.c_str()) != 0)
            _exit(126);
        const int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        for (const std::string& e : env) {
            const auto eq = e.find('=');
            if (eq == std::string::npos)
                unsetenv(e.c_str());
            else
                setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
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
    // The group too: children of a killed program would otherwise live on.
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
}

void Process::signal(int number)
{
    if (!reaped_)
        kill(pid_, number);
}

bool Process::running()
{
    if (reaped_)
        return false;
    const int r = waitpid(pid_, &rawStatus_, WNOHANG);
    if (r == pid_)
        reaped_ = true;
    return !reaped_;
}

double Process::elapsed() const
{
    return monotonicSeconds() - startTime_;
}

double Process::startedAt() const
{
    return startTime_;
}

std::string Process::errorSoFar() const
{
    return readFile(errPath_);
}

ProcessResult Process::wait(double timeoutSeconds)
{
    ProcessResult result;
    // The ceiling counts from this call: what the caller did before must not eat into it.
    const double until = monotonicSeconds() + timeoutSeconds;
    while (running()) {
        if (monotonicSeconds() > until) {
            result.timedOut = true;
            killGroup();
            waitpid(pid_, &rawStatus_, 0);
            reaped_ = true;
            break;
        }
        usleep(10000);
    }

    result.seconds = elapsed();
    if (WIFEXITED(rawStatus_)) {
        result.exited = !result.timedOut;
        result.status = WEXITSTATUS(rawStatus_);
    } else if (WIFSIGNALED(rawStatus_)) {
        result.signal = WTERMSIG(rawStatus_);
    }
    result.out = readFile(outPath_);
    result.err = readFile(errPath_);
    return result;
}

std::string shell(const std::string& command, int* status)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        if (status)
            *status = -1;
        return output;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const int rc = pclose(pipe);
    if (status)
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return output;
}
