#include "vornak/DecodeQueue.h"

#include "vornak/ImageDecoder.h"
#include "vornak/PictureDecoder.h"
#include "vornak/Platform.h"

#include <algorithm>
#include <atomic>

namespace vornak_engine {

namespace {

DecodeQueue* currentQueue = nullptr;
std::atomic<void (*)(const std::string&)> decodeHook{nullptr};

// Decodes into the layout Texture uploads fastest.
std::shared_ptr<const DecodedImage> decode(const std::string& path, ImgType type, const SizeLimit& limit)
{
    if (auto hook = decodeHook.load())
        hook(path);
    auto image = std::make_shared<DecodedImage>();
    bool ok = false;
    if (!limit.none() || type == IMG_AUTO || type == IMG_HEIC || type == IMG_WEBP) {
        ok = type >= IMG_JPEG && type <= IMG_WEBP && decodePicture(path.c_str(), type, limit, *image);
        return ok ? image : nullptr;
    }
    switch (type) {
    case IMG_JPEG:
        ok = decodeJPEGRgba(path.c_str(), *image);
        break;
    case IMG_PNG:
        ok = decodePNG(path.c_str(), *image);
        break;
    case IMG_TGA:
        ok = decodeTGA(path.c_str(), *image);
        break;
    default:
        break;
    }
    return ok ? image : nullptr;
}

} // namespace

DecodeQueue::DecodeQueue(unsigned threads)
{
#ifdef VORNAK_NO_THREADS
    // No workers: take() decodes on the calling thread.
    (void)threads;
#else
    if (threads == 0) {
        const unsigned cores = std::thread::hardware_concurrency();
        threads = std::max(1u, cores > 1 ? cores - 1 : 1u);
    }
    for (unsigned i = 0; i < threads; ++i)
        workers.emplace_back([this] { work(); });
#endif
}

DecodeQueue::~DecodeQueue()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        closing = true;
        jobs.clear();
    }
    pending.notify_all();
    for (std::thread& worker : workers)
        worker.join();
    if (currentQueue == this)
        currentQueue = nullptr;
}

void DecodeQueue::add(const char* path, ImgType type)
{
    add(path, type, SizeLimit());
}

void DecodeQueue::add(const char* path, ImgType type, const SizeLimit& limit)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        Key key(path, type, limit);
        std::shared_ptr<Entry>& entry = entries[key];
        if (entry) {
            ++entry->expected;
            return;
        }
        entry = std::make_shared<Entry>();
        entry->expected = 1;
        jobs.emplace_back(std::move(key), entry);
    }
    pending.notify_one();
}

bool DecodeQueue::take(const char* path, ImgType type, std::shared_ptr<const DecodedImage>& image)
{
    return take(path, type, SizeLimit(), image);
}

bool DecodeQueue::take(const char* path, ImgType type, const SizeLimit& limit,
                       std::shared_ptr<const DecodedImage>& image)
{
    std::unique_lock<std::mutex> lock(mutex);
    const auto found = entries.find(Key(path, type, limit));
    if (found == entries.end())
        return false;
    const std::shared_ptr<Entry> entry = found->second;
    if (workers.empty() && !entry->done) {
        // Threadless: decoded now, by the first Texture that needs it.
        jobs.erase(std::remove_if(jobs.begin(), jobs.end(), [&](const auto& job) { return job.second == entry; }),
                   jobs.end());
        entry->image = decode(std::get<0>(found->first), std::get<1>(found->first), std::get<2>(found->first));
        entry->done = true;
    }
    ready.wait(lock, [&] { return entry->done; });
    image = entry->image;
    // The last Texture of a file takes the queue's hold on its pixels with it.
    if (--entry->expected == 0)
        entries.erase(found);
    return true;
}

void DecodeQueue::work()
{
    for (;;) {
        std::pair<Key, std::shared_ptr<Entry>> job;
        {
            std::unique_lock<std::mutex> lock(mutex);
            pending.wait(lock, [&] { return closing || !jobs.empty(); });
            if (closing)
                return;
            job = std::move(jobs.front());
            jobs.pop_front();
        }
        const Key& key = job.first;
        std::shared_ptr<const DecodedImage> image = decode(std::get<0>(key), std::get<1>(key), std::get<2>(key));
        {
            std::lock_guard<std::mutex> lock(mutex);
            job.second->image = std::move(image);
            job.second->done = true;
        }
        ready.notify_all();
    }
}

bool DecodeQueue::park(Texture* texture, const char* path, ImgType type)
{
    return park(texture, path, type, SizeLimit());
}

bool DecodeQueue::park(Texture* texture, const char* path, ImgType type, const SizeLimit& limit)
{
    if (!deferring_)
        return false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (entries.find(Key(path, type, limit)) == entries.end())
            return false;
    }
    parked_.push_back({texture, path, type, limit});
    return true;
}

std::vector<DecodeQueue::Parked> DecodeQueue::takeParked()
{
    std::vector<Parked> taken;
    taken.swap(parked_);
    return taken;
}

bool DecodeQueue::decoded(const std::string& path, ImgType type)
{
    return decoded(path, type, SizeLimit());
}

bool DecodeQueue::decoded(const std::string& path, ImgType type, const SizeLimit& limit)
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = entries.find(Key(path, type, limit));
    return found == entries.end() || found->second->done;
}

bool DecodeQueue::upload(const Parked& parked)
{
    std::shared_ptr<const DecodedImage> image;
    if (!take(parked.path.c_str(), parked.type, parked.limit, image) || !image)
        return false;
    return parked.texture->replace(parked.path.c_str(), *image);
}

void DecodeQueue::setDecodeHook(void (*hook)(const std::string& path))
{
    decodeHook = hook;
}

DecodeQueue* DecodeQueue::current()
{
    return currentQueue;
}

void DecodeQueue::setCurrent(DecodeQueue* queue)
{
    currentQueue = queue;
}

} // namespace vornak_engine
