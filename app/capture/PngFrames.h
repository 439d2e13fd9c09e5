#pragma once

// Captured frames as PNG files: numbered by a printf-style pattern
// ("frames/%05d.png", first frame 0) or one file. Each file is written as
// "NAME.partial" and renamed when complete; abandon() removes every file of
// this capture, so a failed sequence is not mistaken for a finished one.

#include "app/capture/FrameSink.h"

#include <string>
#include <vector>

class PngFrames : public FrameSink {
public:
    // pattern: a file name holding one %d-style number, or a plain name for one frame.
    PngFrames(const std::string& pattern, bool numbered, int width, int height);

    bool write(const unsigned char* rgba) override;
    bool finish() override;
    void abandon() override;

    // The file name of frame n.
    std::string nameOf(long frame) const;

private:
    std::string pattern_;
    bool numbered_;
    int width_, height_;
    long frames_ = 0;
    std::vector<std::string> written_;
};

// Writes RGBA rows given bottom-up as an upright RGB PNG; "" or why it failed.
std::string writePng(const std::string& path, const unsigned char* rgba, int width, int height);
