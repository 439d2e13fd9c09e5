#pragma once

// A video of the captured frames with the music's matching stretch: Debian's
// ffmpeg program is fed raw RGBA frames through a pipe and writes h.264 in
// yuv420p plus AAC. It writes to "OUT.partial" and finish() renames that to
// OUT once ffmpeg has ended well; any failure removes it.

#include "app/capture/FrameSink.h"

#include <sys/types.h>

#include <string>

struct VideoSettings {
    std::string out;       // .mp4 or .mkv
    int width = 0, height = 0;
    double fps = 60;
    std::string music;     // "" for a silent video
    double from = 0;       // the music's stretch from..to goes with the frames
    double to = 0;
};

class VideoEncoder : public FrameSink {
public:
    explicit VideoEncoder(const VideoSettings& settings);
    ~VideoEncoder() override;

    // False (with error()) when ffmpeg could not be started.
    bool start();
    bool write(const unsigned char* rgba) override;
    bool finish() override;
    void abandon() override;

    // The ffmpeg program on PATH, or "" when there is none.
    static std::string findFfmpeg();

private:
    bool endFfmpeg();
    bool diskFull() const;
    std::string ffmpegTail() const;

    VideoSettings settings_;
    std::string partial_;
    std::string log_;
    pid_t pid_ = -1;
    int pipe_ = -1;
};
