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
//
// A deferring queue lets the first frame come before every picture is in:
// its Textures keep their bare names and are parked, for the caller to
// upload later, one at a time, each when it is needed or its pixels are ready.
//
// A file asked for within a size limit (Texture's third argument) is decoded
// for that limit, apart from the same file without one or within another.

#include "vornak/Texture.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
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
    void add(const char* path, ImgType type, const SizeLimit& limit);

    // For Texture: false when no Texture of this file is still expected.
    // Otherwise waits for the decode and sets image (null if it failed).
    bool take(const char* path, ImgType type, std::shared_ptr<const DecodedImage>& image);
    bool take(const char* path, ImgType type, const SizeLimit& limit, std::shared_ptr<const DecodedImage>& image);

    // While deferring, a Texture made for a queued file keeps its bare name
    // and is parked here instead of waiting for the decode.
    void setDeferring(bool deferring) { deferring_ = deferring; }
    // For Texture: true when it was parked (deferring, and the file is queued).
    bool park(Texture* texture, const char* path, ImgType type);
    bool park(Texture* texture, const char* path, ImgType type, const SizeLimit& limit);

    struct Parked {
        Texture* texture;
        std::string path;
        ImgType type;
        SizeLimit limit = SizeLimit();
    };
    // The Textures parked since the last call, in the order they were made.
    std::vector<Parked> takeParked();
    // True once the file's decode has finished (well or not); never waits.
    bool decoded(const std::string& path, ImgType type);
    bool decoded(const std::string& path, ImgType type, const SizeLimit& limit);
    // Waits for a parked Texture's pixels and uploads them (as Texture::replace
    // does, leaving the texture bound); false when the file did not decode.
    bool upload(const Parked& parked);

    // For tests: runs on the decoding thread before each file's decode, so a
    // test can hold one back. Null for none.
    static void setDecodeHook(void (*hook)(const std::string& path));

    // The queue Texture constructors consult, or null. Set and read on the GL thread.
    static DecodeQueue* current();
    static void setCurrent(DecodeQueue* queue);

private:
    using Key = std::tuple<std::string, ImgType, SizeLimit>;
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
    bool deferring_ = false;
    std::vector<Parked> parked_;
};

} // namespace vornak_engine
