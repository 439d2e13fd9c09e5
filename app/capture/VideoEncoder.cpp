#include "app/capture/VideoEncoder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

bool endsWith(const std::string& s, const char* suffix)
{
    const std::string end(suffix);
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

} // namespace

VideoEncoder::VideoEncoder(const VideoSettings& settings) : settings_(settings), partial_(settings.out + ".partial")
{
}

VideoEncoder::~VideoEncoder()
{
    if (pid_ > 0)
        abandon();
    if (!log_.empty())
        unlink(log_.c_str());
}

std::string VideoEncoder::findFfmpeg()
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/ffmpeg";
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return "";
}

bool VideoEncoder::start()
{
    const std::string ffmpeg = findFfmpeg();
    if (ffmpeg.empty()) {
        error_ = "making videos needs the ffmpeg program; install Debian's ffmpeg package (apt install ffmpeg)";
        return false;
    }

    std::vector<std::string> args = {
        "ffmpeg", "-hide_banner", "-nostats", "-loglevel", "error", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgba",
        "-s", std::to_string(settings_.width) + "x" + std::to_string(settings_.height),
        "-framerate", number(settings_.fps), "-i", "pipe:0",
    };
    if (!settings_.music.empty()) {
        for (const std::string& a : {std::string("-ss"), number(settings_.from), std::string("-t"),
                                     number(settings_.to - settings_.from), std::string("-i"), settings_.music})
            args.push_back(a);
    }
    for (const char* a : {"-map", "0:v:0", "-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt",
                          "yuv420p"})
        args.push_back(a);
    if (!settings_.music.empty()) {
        for (const char* a : {"-map", "1:a:0", "-c:a", "aac", "-b:a", "192k"})
            args.push_back(a);
    }
    if (endsWith(settings_.out, ".mkv")) {
        args.push_back("-f");
        args.push_back("matroska");
    } else {
        for (const char* a : {"-movflags", "+faststart", "-f", "mp4"})
            args.push_back(a);
    }
    args.push_back(partial_);

    // ffmpeg's messages go to a file of their own: shown only when it fails.
    char logName[] = "/tmp/vornak-ffmpeg-XXXXXX";
    const int logFd = mkstemp(logName);
    if (logFd < 0) {
        error_ = std::string("cannot make a log file for ffmpeg in /tmp: ") + std::strerror(errno);
        return false;
    }
    log_ = logName;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        close(logFd);
        error_ = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawn_file_actions_adddup2(&actions, logFd, 1);
    posix_spawn_file_actions_adddup2(&actions, logFd, 2);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&pid_, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    close(logFd);
    if (spawned != 0) {
        close(fds[1]);
        pid_ = -1;
        error_ = ffmpeg + ": cannot start: " + std::strerror(spawned);
        return false;
    }
    pipe_ = fds[1];
    return true;
}

bool VideoEncoder::write(const unsigned char* rgba)
{
    // GL's rows come bottom-up; the encoder gets them top row first.
    const std::size_t row = static_cast<std::size_t>(settings_.width) * 4;
    std::vector<iovec> rows(static_cast<std::size_t>(settings_.height));
    for (int y = 0; y < settings_.height; ++y)
        rows[static_cast<std::size_t>(y)] = {const_cast<unsigned char*>(rgba) + row * (settings_.height - 1 - y), row};

    std::size_t next = 0;
    while (next < rows.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(rows.size() - next, IOV_MAX));
        ssize_t n = writev(pipe_, &rows[next], count);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // A dead ffmpeg closes the pipe; its own words say why.
            endFfmpeg();
            return false;
        }
        // Skip whole rows written, then trim the partly written one.
        while (next < rows.size() && static_cast<std::size_t>(n) >= rows[next].iov_len) {
            n -= static_cast<ssize_t>(rows[next].iov_len);
            ++next;
        }
        if (n > 0) {
            rows[next].iov_base = static_cast<char*>(rows[next].iov_base) + n;
            rows[next].iov_len -= static_cast<std::size_t>(n);
        }
    }
    return true;
}

bool VideoEncoder::finish()
{
    if (!endFfmpeg())
        return false;
    if (std::rename(partial_.c_str(), settings_.out.c_str()) != 0) {
        error_ = settings_.out + ": cannot rename " + partial_ + " to it: " + std::strerror(errno);
        unlink(partial_.c_str());
        return false;
    }
    return true;
}

void VideoEncoder::abandon()
{
    if (pid_ > 0) {
        if (pipe_ >= 0)
            close(pipe_);
        pipe_ = -1;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    unlink(partial_.c_str());
}

bool VideoEncoder::endFfmpeg()
{
    if (pid_ <= 0)
        return error_.empty();
    if (pipe_ >= 0)
        close(pipe_);
    pipe_ = -1;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        // ffmpeg does not always notice a write that ran out of room (its
        // faststart pass): a disk left with no free block means a cut file.
        if (!diskFull())
            return true;
        error_ = settings_.out + ": the disk is full (No space left on device); the video would be cut short";
        unlink(partial_.c_str());
        return false;
    }
    error_ = "ffmpeg failed (" +
             (WIFEXITED(status) ? "status " + std::to_string(WEXITSTATUS(status))
                                : "signal " + std::to_string(WTERMSIG(status))) +
             ")" + ffmpegTail();
    unlink(partial_.c_str());
    return false;
}

bool VideoEncoder::diskFull() const
{
    struct statvfs disk {};
    if (statvfs(partial_.c_str(), &disk) != 0)
        return false;
    // Root may write into the blocks kept back from everyone else.
    return (geteuid() == 0 ? disk.f_bfree : disk.f_bavail) == 0;
}

std::string VideoEncoder::ffmpegTail() const
{
    // Its last few lines, each on a line of its own after ours.
    std::ifstream in(log_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty())
            lines.push_back(line);
    }
    std::string tail;
    const std::size_t from = lines.size() > 5 ? lines.size() - 5 : 0;
    for (std::size_t i = from; i < lines.size(); ++i)
        tail += "\n  ffmpeg: " + lines[i];
    return tail.empty() ? "; it printed nothing" : ":" + tail;
}
