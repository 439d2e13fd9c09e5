#include "app/preview/FileWatcher.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

FileWatcher::FileWatcher(std::string folder, double interval)
    : folder_(std::move(folder)), interval_(interval), files_(scan())
{
}

bool FileWatcher::Stamp::operator!=(const Stamp& other) const
{
    return seconds != other.seconds || nanoseconds != other.nanoseconds || size != other.size ||
           inode != other.inode;
}

std::map<std::string, FileWatcher::Stamp> FileWatcher::scan() const
{
    std::map<std::string, Stamp> files;
    std::error_code error;
    // A folder that is briefly unreadable (or a file deleted mid-walk) gives a
    // short walk; the next one sees the truth.
    for (fs::recursive_directory_iterator it(folder_, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        struct stat info;
        const std::string path = it->path().string();
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        Stamp stamp;
        stamp.seconds = static_cast<long long>(info.st_mtim.tv_sec);
        stamp.nanoseconds = static_cast<long long>(info.st_mtim.tv_nsec);
        stamp.size = static_cast<long long>(info.st_size);
        stamp.inode = static_cast<unsigned long long>(info.st_ino);
        files.emplace(path, stamp);
    }
    return files;
}

std::vector<std::string> FileWatcher::poll(double now)
{
    if (now < next_)
        return {};
    next_ = now + interval_;
    return check();
}

std::vector<std::string> FileWatcher::check()
{
    std::map<std::string, Stamp> now = scan();
    std::vector<std::string> changed;
    for (const auto& [path, stamp] : now) {
        const auto before = files_.find(path);
        if (before == files_.end() || before->second != stamp)
            changed.push_back(path);
    }
    for (const auto& entry : files_) {
        if (now.find(entry.first) == now.end())
            changed.push_back(entry.first);
    }
    std::sort(changed.begin(), changed.end());
    files_ = std::move(now);
    return changed;
}
