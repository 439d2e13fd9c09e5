#pragma once

// Where the show's 16:9 picture goes on a screen, window or capture frame of
// any shape: centred between black bars (letterbox or pillarbox), or
// stretched over all of it. On a 16:9 target both are the whole target.

struct Viewport {
    int x = 0, y = 0, width = 0, height = 0;
};

// The largest centred 16:9 rectangle inside width x height, or all of it when
// stretch is set or the target is within 1% of 16:9 already.
Viewport fitShow(int width, int height, bool stretch);

class Presentation {
public:
    explicit Presentation(bool stretch) : stretch_(stretch) {}

    // Before the demo draws onto a target of width x height pixels: sets the
    // GL viewport to the show's rectangle and clears the bars, if any, to black
    // (the scenes clear only what they own, and nothing after the last scene).
    void begin(int width, int height) const;

    bool stretched() const { return stretch_; }

private:
    bool stretch_;
};
