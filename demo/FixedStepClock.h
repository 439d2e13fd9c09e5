#pragma once

// The capture's clock: it advances a fixed step per frame, so frame k of a
// run at fps frames a second is drawn at exactly the time a live run at that
// rate would draw it. (A held frame of the preview or the web page stands on
// the same grid through ShowCore::replayTo.)

class FixedStepClock {
public:
    // Frame 0 at from; then one frame every 1 / fps seconds.
    FixedStepClock(double from, double fps);

    double timeOf(long frame) const;
    // How many frames lie in [from, to): the frames a capture up to `to` draws.
    long framesBefore(double to) const;

private:
    double from_;
    double fps_;
    long firstGridFrame_ = -1; // from's index on the grid k / fps, or -1 when it lies between frames
};
