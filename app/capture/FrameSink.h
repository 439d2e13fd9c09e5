#pragma once

// Where captured frames go: a video encoder or PNG files. Frames arrive as
// GL reads them (RGBA, bottom row first); a sink writes them upright. The
// output is written under a temporary name and only finish() gives it its
// real name, so a failed or interrupted capture never leaves a file that
// looks complete: abandon() removes what was written.

#include <string>

class FrameSink {
public:
    virtual ~FrameSink() = default;

    // False on failure, with error() saying why. Called from one thread at a time.
    virtual bool write(const unsigned char* rgba) = 0;
    // After the last frame: completes the output under its real name.
    virtual bool finish() = 0;
    virtual void abandon() = 0;

    const std::string& error() const { return error_; }

protected:
    std::string error_;
};
