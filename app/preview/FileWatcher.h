#pragma once

// Notices changes to the files under one folder by polling: each check
// compares every file's modification time, size and inode with the last
// check. No threads and no notification API; a few checks a second cost a
// directory walk each. Files that appear or vanish count as changed.

#include <map>
#include <string>
#include <vector>

class FileWatcher {
public:
    // Remembers the folder's files as they are now.
    explicit FileWatcher(std::string folder, double interval = 0.25);

    // At most one walk per interval of `now` (seconds, any steady clock):
    // the files changed since the last walk, as folder/relative paths, sorted.
    std::vector<std::string> poll(double now);
    // A walk now, whatever the interval.
    std::vector<std::string> check();

private:
    struct Stamp {
        long long seconds = 0;
        long long nanoseconds = 0;
        long long size = 0;
        unsigned long long inode = 0;
        bool operator!=(const Stamp& other) const;
    };
    std::map<std::string, Stamp> scan() const;

    std::string folder_;
    double interval_;
    double next_ = 0;
    std::map<std::string, Stamp> files_;
};
