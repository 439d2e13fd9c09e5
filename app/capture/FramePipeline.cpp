#include "app/capture/FramePipeline.h"

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

FramePipeline::FramePipeline(int width, int height, FrameSink& sink, Readback mode)
    : width_(width), height_(height), bytes_(static_cast<std::size_t>(width) * height * 4), sink_(sink), mode_(mode)
{
    if (mode_ == Readback::PixelBuffers) {
        glGenBuffers(kSlots, buffers_);
        for (GLuint buffer : buffers_) {
            glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
            glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(bytes_), nullptr, GL_STREAM_READ);
        }
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    } else {
        for (auto& memory : memory_)
            memory.resize(bytes_);
    }
    writer_ = std::thread([this] { writerLoop(); });
}

FramePipeline::~FramePipeline()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    writer_.join();
    for (int slot = 0; slot < kSlots; ++slot)
        unmap(slot);
    if (mode_ == Readback::PixelBuffers)
        glDeleteBuffers(kSlots, buffers_);
}

bool FramePipeline::push()
{
    const int slot = static_cast<int>(pushed_ % kSlots);
    if (pushed_ >= kSlots) {
        // The slot still holds frame pushed_ - kSlots: it must reach the sink first.
        const Clock::time_point start = Clock::now();
        waitWritten(pushed_ - kSlots + 1);
        times_.waiting += since(start);
        unmap(slot);
    }

    Clock::time_point start = Clock::now();
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (mode_ == Readback::Plain) {
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, memory_[slot].data());
        times_.readback += since(start);
        start = Clock::now();
        enqueue(memory_[slot].data());
        times_.handOff += since(start);
    } else {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[slot]);
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        // The previous frame's copy has had a whole frame's drawing to finish.
        if (pushed_ >= 1) {
            const int previous = static_cast<int>((pushed_ - 1) % kSlots);
            glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[previous]);
            mapped_[previous] = static_cast<const unsigned char*>(
                glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes_), GL_MAP_READ_BIT));
            times_.readback += since(start);
            start = Clock::now();
            enqueue(mapped_[previous]);
            times_.handOff += since(start);
        } else {
            times_.readback += since(start);
        }
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    }
    ++pushed_;
    std::lock_guard<std::mutex> lock(mutex_);
    return !failed_;
}

bool FramePipeline::finish()
{
    if (mode_ == Readback::PixelBuffers && pushed_ >= 1) {
        const int last = static_cast<int>((pushed_ - 1) % kSlots);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[last]);
        mapped_[last] = static_cast<const unsigned char*>(
            glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes_), GL_MAP_READ_BIT));
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        enqueue(mapped_[last]);
    }
    const Clock::time_point start = Clock::now();
    waitWritten(pushed_);
    times_.waiting += since(start);
    std::lock_guard<std::mutex> lock(mutex_);
    return !failed_;
}

void FramePipeline::enqueue(const unsigned char* pixels)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(pixels);
    }
    changed_.notify_all();
}

void FramePipeline::waitWritten(long count)
{
    std::unique_lock<std::mutex> lock(mutex_);
    // A failed sink skips the rest, so this never waits on a dead encoder.
    changed_.wait(lock, [&] { return written_ >= count; });
}

void FramePipeline::unmap(int slot)
{
    if (!mapped_[slot])
        return;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[slot]);
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    mapped_[slot] = nullptr;
}

void FramePipeline::writerLoop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            return;
        const unsigned char* pixels = queue_.front();
        queue_.pop_front();
        const bool skip = failed_;
        lock.unlock();
        const Clock::time_point start = Clock::now();
        const bool ok = skip || (pixels && sink_.write(pixels));
        const double took = since(start);
        lock.lock();
        times_.writing += took;
        failed_ = failed_ || !ok;
        ++written_;
        changed_.notify_all();
    }
}
