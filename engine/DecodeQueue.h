#pragma once

// Needs: nothing of GL. Textures that take from it need what Texture needs.
//
// Decodes picture files on worker threads ahead of the Textures that will
// hold them, so the GL thread only uploads. While a queue is current, a
// Texture constructed for a queued file takes its decoded pixels from the
// queue instead of reading the file itself; every file is decoded once, and
// Textures of one file share its pixels (each keeps its own GL name). Pixels
// are freed as soon as the last Texture of their file has uploaded them. A
// file that fails to decode gives its one line on standard error, from the
// worker, and its Textures stay without an image, as when they read it.
// Where the platform has no threads (VORNAK_NO_THREADS) there are no workers:
// each file is decoded when its first Texture takes it, on that thread.

#include "vornak/Texture.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vornak_engine {

struct DecodedImage;

class DecodeQueue {
public:
    // threads 0: one per core but one, which the GL thread keeps; at least one.
    explicit DecodeQueue(unsigned threads = 0);
    // Waits for the workers; pixels nobody took are freed.
    ~DecodeQueue();
    DecodeQueue(const DecodeQueue&) = delete;
    DecodeQueue& operator=(const DecodeQueue&) = delete;

    // One more Texture will be made of this file. The first call for a file
    // starts its decode; files decode in the order they were first added.
    void add(const char* path, ImgType type);

    // For Texture: false when no Texture of this file is still expected.
    // Otherwise waits for the decode and sets image (null if it failed).
    bool take(const char* path, ImgType type, std::shared_ptr<const DecodedImage>& image);

    // The queue Texture constructors consult, or null. Set and read on the GL thread.
    static DecodeQueue* current();
    static void setCurrent(DecodeQueue* queue);

private:
    using Key = std::pair<std::string, ImgType>;
    struct Entry {
        int expected = 0; // Textures still to take it
        bool done = false;
        std::shared_ptr<const DecodedImage> image;
    };

    void work();

    std::mutex mutex;
    std::condition_variable ready;   // an entry finished decoding
    std::condition_variable pending; // a job arrived, or the queue is closing
    std::map<Key, std::shared_ptr<Entry>> entries;
    std::deque<std::pair<Key, std::shared_ptr<Entry>>> jobs;
    bool closing = false;
    std::vector<std::thread> workers;
};

} // namespace vornak_engine
