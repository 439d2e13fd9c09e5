#include "support/Process.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

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
    result.exited = WIFEXITED(rawStatus_) && !result.timedOut;
    result.status = WIFEXITED(rawStatus_) ? WEXITSTATUS(rawStatus_) : -1;
    result.signal = WIFSIGNALED(rawStatus_) ? WTERMSIG(rawStatus_) : 0;
    result.out = readFile(outPath_);
    result.err = readFile(errPath_);
    return result;
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
