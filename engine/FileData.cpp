#include "vornak/FileData.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <new>

namespace vornak_engine {

namespace {

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "is a directory";
    if (S_ISFIFO(mode))
        return "is a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "is a device";
    if (S_ISSOCK(mode))
        return "is a socket";
    return "is not a regular file";
}

std::string failure(const char* path, const char* what, int code)
{
    return std::string(path) + ": " + what + ": " + std::strerror(code);
}

} // namespace

int openRegularFile(const char* path, std::size_t& size, std::string& error)
{
    size = 0;
    // Non-blocking, so a FIFO without a writer cannot hold the program at open.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = failure(path, "cannot open", errno);
        return -1;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        error = failure(path, "cannot read", errno);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        error = std::string(path) + ": " + kindOf(info.st_mode);
        ::close(fd);
        return -1;
    }
    size = static_cast<std::size_t>(info.st_size);
    return fd;
}

bool readFileData(const char* path, std::vector<unsigned char>& bytes, std::string& error)
{
    bool whole = false;
    return readFileStart(path, static_cast<std::size_t>(-1), bytes, whole, error);
}

bool readFileStart(const char* path, std::size_t maxBytes, std::vector<unsigned char>& bytes, bool& whole,
                   std::string& error)
{
    bytes.clear();
    std::size_t size = 0;
    const int fd = openRegularFile(path, size, error);
    if (fd < 0)
        return false;
    whole = size <= maxBytes;
    size = std::min(size, maxBytes);
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        error = std::string(path) + ": out of memory for " + std::to_string(size) + " bytes";
        ::close(fd);
        return false;
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, bytes.data() + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = failure(path, "cannot read", errno);
            break;
        }
        if (got == 0) {
            error = std::string(path) + ": file ends early: read " + std::to_string(done) + " of " +
                    std::to_string(size) + " bytes";
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (done != size) {
        bytes.clear();
        return false;
    }
    return true;
}

} // namespace vornak_engine
