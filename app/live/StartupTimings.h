#pragma once

// How long start-up takes, phase by phase, counted from the process's start
// (the first of our code to run, before main). With --timings each phase and
// a summary go to standard error once the first frame is on screen:
//
//   vornak: start-up: SDL, window, GL context, GLEW, audio  97.1 ms
//   ...
//   vornak: first frame 171.4 ms after start, 1.77x the 97.1 ms set-up
//
// The set-up is everything up to an open audio device: what any program of
// this kind pays before it can draw. The first frame is the first to draw
// the show (the title, as the music's first buffer is due to be heard), on
// screen when its swap returns.

#include <string>
#include <utility>
#include <vector>

class StartupTimings {
public:
    explicit StartupTimings(bool enabled) : enabled_(enabled) {}

    // Ends the phase running since the previous mark (or the start).
    void mark(const char* phase);
    // Marks the end of the set-up: the summary compares the first frame with it.
    void markSetUp(const char* phase);
    // Marks the first frame and prints everything, once.
    void firstFrame();

    // Milliseconds since the process started.
    static double now();

private:
    bool enabled_;
    bool printed_ = false;
    double last_ = 0;
    double setUp_ = 0;
    std::vector<std::pair<std::string, double>> phases_;
};
