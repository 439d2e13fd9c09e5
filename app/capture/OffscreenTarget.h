#pragma once

// A framebuffer object of exactly width x height: RGBA8 colour and a depth
// buffer (the overlay relies on the depth test). Bound, it takes the place of
// the window for everything the demo draws.

#include <GL/glew.h>

#include <string>

class OffscreenTarget {
public:
    OffscreenTarget(int width, int height);
    ~OffscreenTarget();
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    // "" when usable, else why not.
    const std::string& error() const { return error_; }
    void bind() const;

    // The largest width or height this GL can render into.
    static int maxSize();

private:
    GLuint framebuffer_ = 0;
    GLuint colour_ = 0;
    GLuint depth_ = 0;
    std::string error_;
};
