#pragma once

// Reads frames back from the bound framebuffer without stalling drawing:
// pixel buffer objects are used in turn, so frame k is copied out while
// frame k + 1 draws, and a writer thread hands each frame to the sink while
// the GL thread goes on. Plain glReadPixels into memory is kept for
// comparison (benchmarks).

#include "app/capture/FrameSink.h"

#include <GL/glew.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

enum class Readback { PixelBuffers, Plain };

struct PipelineTimes {
    double readback = 0; // glReadPixels and mapping, on the GL thread
    double handOff = 0;  // queueing a frame for the writer, on the GL thread
    double waiting = 0;  // the GL thread waiting for the writer (encoder) to catch up
    double writing = 0;  // the writer thread inside the sink
};

class FramePipeline {
public:
    FramePipeline(int width, int height, FrameSink& sink, Readback mode = Readback::PixelBuffers);
    ~FramePipeline();
    FramePipeline(const FramePipeline&) = delete;
    FramePipeline& operator=(const FramePipeline&) = delete;

    // After a frame is drawn into the bound read framebuffer. False once the sink has failed.
    bool push();
    // After the last frame: waits until every frame reached the sink; false if any failed.
    bool finish();

    const PipelineTimes& times() const { return times_; }

private:
    static constexpr int kSlots = 3;

    void writerLoop();
    void enqueue(const unsigned char* pixels);
    void waitWritten(long count);
    void unmap(int slot);

    int width_, height_;
    std::size_t bytes_;
    FrameSink& sink_;
    Readback mode_;
    GLuint buffers_[kSlots] = {};
    const unsigned char* mapped_[kSlots] = {};
    std::vector<unsigned char> memory_[kSlots];
    long pushed_ = 0;
    PipelineTimes times_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<const unsigned char*> queue_;
    long written_ = 0;
    bool failed_ = false;
    bool stopping_ = false;
    std::thread writer_;
};
