#pragma once

// The preview's time: paused or playing, at a speed, with seeks, an optional
// loop window, and at 1x the music's own position as its source. What it
// shows is always a frame of the nominal 60 fps run: the frame such a run
// has on screen at time(). Wall and music times are passed in (seconds), so
// it reads no clock of its own.

#include "demo/ShowCore.h"

#include <optional>

struct TimeWindow {
    double from = 0;
    double to = 0;
};

class PreviewClock {
public:
    // The show's replay rate: a held frame is the frame a 60 Hz run has.
    static constexpr double kFps = ShowCore::kReplayFps;
    static constexpr double kMinSpeed = 1.0 / 16;
    static constexpr double kMaxSpeed = 16.0;

    // length: the end of the show (the music's end); time runs in [0, length].
    PreviewClock(double length, double wallNow);

    double time() const { return time_; }
    double length() const { return length_; }
    bool paused() const { return paused_; }
    double speed() const { return speed_; }
    bool atEnd() const { return time_ >= length_; }
    const std::optional<TimeWindow>& loop() const { return loop_; }

    // Frame k of the 60 fps run is drawn at k / 60 and stays up until k + 1.
    static double timeOf(long frame) { return static_cast<double>(frame) / kFps; }
    // The frame on screen at time t: the last k with timeOf(k) <= t.
    static long frameAt(double t);
    // The first frame drawn strictly after t (after a boundary at t).
    static long frameAfter(double t);
    long frame() const { return frameAt(time_); }

    // All of these restart the wall and music anchors.
    void seek(double t); // kept within [0, length]
    // A new length; the time stays, cut to it.
    void setLength(double length);
    void setPaused(bool paused, double wallNow);
    void setSpeed(double speed, double wallNow); // kept within [kMinSpeed, kMaxSpeed]
    // Plays the frames inside the window over and over; seeks to its first
    // frame when the one shown now is outside it.
    void setLoop(std::optional<TimeWindow> window);

    // Moves time on to wallNow. At 1x, a known music position (>= 0) leads:
    // time follows it, filled in between its steps by the wall clock. Stops
    // (and pauses) at the end. Returns true when it jumped back to a loop's
    // start, so the sound must be told.
    bool tick(double wallNow, double musicPosition = -1);

private:
    void restartAnchors(double wallNow);
    double loopStart() const;
    bool outsideLoop() const;

    double length_;
    double time_ = 0;
    bool paused_ = false;
    double speed_ = 1;
    std::optional<TimeWindow> loop_;
    double lastWall_;
    double music_ = -1;     // the last music position seen
    double musicWall_ = 0;  // when it was first seen
};
