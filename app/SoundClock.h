#pragma once

// The show's time taken from the sound being heard. The audio thread reports
// each stretch of the track it hands to the device; that stretch starts
// playing as it is handed over (the device plays what it took before it
// first), so the position heard is the track's frames handed over, less the
// stretch just handed, carried forward by the wall clock while it plays and
// never past its end. An offset, for latency the program cannot see, moves
// the picture later (positive) or earlier. The clock never runs backwards.
//
// No SDL: wall times are passed in, in seconds, so it is tested with a fake
// device. Safe to feed from one thread while another reads it.

#include <mutex>

class SoundClock {
public:
    explicit SoundClock(double rate) : rate_(rate) {}

    // The track plays from `from` seconds with the next stretch handed over;
    // until then the clock holds there.
    void restart(double from);
    // The audio thread handed `frames` frames of the track to the device at wallNow.
    void handedOver(long frames, double wallNow);
    // The device took a stretch of `frames` frames, music or silence, at
    // wallNow: its pace. A device that has just opened has taken its first.
    void deviceTook(long frames, double wallNow);
    // Seconds from wallNow until the stretch the device takes next starts to
    // be heard, offset included: negative once overdue, infinite with no pace yet.
    double untilNextStretch(double wallNow);
    void setOffset(double seconds);

    // The track's position heard at wallNow, less the offset.
    double seconds(double wallNow);

private:
    std::mutex mutex_;
    const double rate_;
    double offset_ = 0;
    long handed_ = 0;       // frames handed over since the restart
    double from_ = 0;       // the track's position at the restart
    bool playing_ = false;  // a stretch has been handed over since the restart
    double stretchAt_ = 0;  // when the last stretch was handed over
    double stretchPos_ = 0; // the track's position at its start
    double stretchLength_ = 0;
    double heard_ = 0;      // the latest answer, before the offset
    double tookAt_ = -1;    // the device's latest take, if any
    double tookLength_ = 0;
};
