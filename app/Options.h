#pragma once

// The command line of the vornak program: what to do (play the show, or
// capture it to files) and how. Parsing never opens a window: --help and
// --version print and end, a bad argument ends with status 2.

#include <optional>
#include <string>

struct FrameSize {
    int width = 0;
    int height = 0;
};

// Reads "WxH" with both numbers positive; nothing else is a size.
std::optional<FrameSize> parseFrameSize(const std::string& text);

enum class CaptureKind { None, Video, PngSequence, SinglePng };

// What --capture OUT asks for, judged by OUT's name: ".mp4" or ".mkv" a
// video, a printf-style frame number ("frames/%05d.png") numbered PNGs,
// any other ".png" one frame (with --at).
CaptureKind captureKindOf(const std::string& out);

struct Options {
    // Presentation
    bool windowed = false;
    FrameSize window{1280, 720};
    bool stretch = false;

    std::string dataFolder; // empty: search the usual places

    // A show file, or a folder holding show.toml; empty: the built-in show.
    std::string show;
    // Where --new-show writes a starter show; empty: not asked.
    std::string newShow;

    // Capture
    std::string captureOut;
    CaptureKind capture = CaptureKind::None;
    FrameSize captureSize{1920, 1080};
    double fps = 60;
    double from = 0;
    std::optional<double> to; // unset: the music's end
    std::optional<double> at;

    bool timings = false;

    // Seconds the sound is heard later (positive) than the device says.
    double audioOffset = 0;

    // Preview: --at is where it starts.
    bool preview = false;
    bool watch = false;
};

// Parses argv into options. Returns the exit status to end with (0 after
// --help or --version, 2 after a bad argument, with its one line printed), or
// nothing when the program should go on.
std::optional<int> parseOptions(int argc, const char* const* argv, Options& options);
