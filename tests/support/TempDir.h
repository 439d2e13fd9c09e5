#pragma once

// A scratch directory removed with everything in it when the object goes.

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // Writes bytes to path()/name (creating sub-directories) and returns the full path.
    std::string write(const std::string& name, const std::string& bytes) const;
    // Copies a file into path()/name and returns the full path.
    std::string copy(const std::string& from, const std::string& name) const;

private:
    std::string path_;
};

std::string readFile(const std::string& path);
