#include "vornak/internal/ObjChunks.h"

#include "vornak/internal/ObjLines.h"
#include "vornak/internal/ObjSyntax.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace vornak_engine {

using obj::kLineBuffer;
using obj::kPadding;

namespace {

// Room for what the rest of the input will likely add, from what the last part
// added: lists then grow once, not by doubling and copying again and again.
template <typename T>
void reserveFor(std::vector<T>& list, std::size_t before, std::size_t partBytes, std::size_t bytesLeft)
{
    const std::size_t added = list.size() - before;
    if (added == 0 || partBytes == 0)
        return;
    const std::size_t expected = list.size() + static_cast<std::size_t>(static_cast<double>(added) * 1.05 *
                                                                        static_cast<double>(bytesLeft) /
                                                                        static_cast<double>(partBytes));
    if (expected > list.capacity() && list.capacity() - list.size() < 2 * added)
        list.reserve(std::max(expected, list.capacity() + list.capacity() / 2));
}

} // namespace

std::size_t ObjChunks::Source::fill(std::size_t offset, char* to, std::size_t n) const
{
    if (memory) {
        std::memcpy(to, memory + offset, n);
        return n;
    }
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd, to + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void ObjChunks::readRange(const Source& source, std::size_t from, std::size_t to, std::size_t chunk,
                          std::vector<char>& buffer, ObjReader& out, bool reserve)
{
    // A chunk, a line's worth more and the 0 that ends the bytes held; no more than
    // the input needs, so that small inputs stay cheap.
    const std::size_t size = std::min(chunk, source.size - from) + kLineBuffer + 1 + kPadding;
    if (buffer.size() < size)
        buffer.resize(size);
    char* const data = buffer.data();
    std::size_t at = from; // file offset of data[0]
    if (from > 0) {
        // The first line of this chunk follows the first newline at from - 1 or later.
        std::size_t search = from - 1;
        for (;;) {
            if (search + 1 >= to)
                return; // no line starts here
            const std::size_t got = source.fill(search, data, std::min(chunk, to - 1 - search));
            if (got == 0)
                return;
            if (const void* newline = std::memchr(data, '\n', got)) {
                at = search + static_cast<std::size_t>(static_cast<const char*>(newline) - data) + 1;
                break;
            }
            search += got;
        }
        if (at >= to)
            return;
    }
    const std::size_t total = source.size;
    std::size_t held = 0;
    for (;;) {
        const std::size_t room = buffer.size() - 1 - kPadding - held;
        const std::size_t wanted = std::min(room, total - std::min(total, at + held));
        const std::size_t got = wanted ? source.fill(at + held, data + held, wanted) : 0;
        held += got;
        const bool atEnd = got < wanted || at + held >= total;
        data[held] = '\0';
        const std::size_t before[4] = {out.vertices.size(), out.textCoords.size(), out.normals.size(),
                                       out.faces.size()};
        const std::size_t used = ObjLineReader::readLines(out, data, held, atEnd, to - at);
        at += used;
        if (out.ended || at >= to || atEnd)
            return;
        if (reserve) {
            const std::size_t left = total - at;
            reserveFor(out.vertices, before[0], used, left);
            reserveFor(out.textCoords, before[1], used, left);
            reserveFor(out.normals, before[2], used, left);
            reserveFor(out.faces, before[3], used, left);
            if (out.faceLines.capacity() < out.faces.capacity())
                out.faceLines.reserve(out.faces.capacity());
        }
        std::memmove(data, data + used, held - used);
        held -= used;
    }
}

void ObjChunks::read(const Source& source, const ObjReader::Options& options, ObjReader& out)
{
    const std::size_t chunk = std::max<std::size_t>(options.chunkBytes, 1);
    const std::size_t total = source.size;
    const std::size_t count = total / chunk + (total % chunk != 0);
    const unsigned threads = static_cast<unsigned>(std::min<std::size_t>(std::max(options.threads, 1u), count));
    out.keepPolygons = options.polygons;
    if (threads <= 1) {
        std::vector<char> buffer;
        readRange(source, 0, total, chunk, buffer, out, true);
        return;
    }

    // Chunks go to whichever thread is free; each is read into lists of its own,
    // then appended in file order by whichever thread finds the next one done.
    std::atomic<std::size_t> nextChunk{0};
    std::atomic<std::size_t> endedAt{count}; // the first chunk whose reading ended
    std::atomic<bool> failed{false};
    std::mutex mutex;
    std::vector<std::unique_ptr<ObjReader>> done(count);
    std::vector<std::unique_ptr<ObjReader>> spare;
    std::size_t nextAppend = 0;
    bool appending = false;
    std::exception_ptr failure;

    auto work = [&] {
        try {
            std::vector<char> buffer;
            for (;;) {
                const std::size_t k = nextChunk.fetch_add(1);
                if (k >= count || k > endedAt.load() || failed.load())
                    return;
                std::unique_ptr<ObjReader> part;
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    if (!spare.empty()) {
                        part = std::move(spare.back());
                        spare.pop_back();
                    }
                }
                if (!part) {
                    part = std::make_unique<ObjReader>();
                    part->keepPolygons = options.polygons;
                }
                readRange(source, k * chunk, std::min(total, (k + 1) * chunk), chunk, buffer, *part, false);
                if (part->ended) {
                    std::size_t seen = endedAt.load();
                    while (k < seen && !endedAt.compare_exchange_weak(seen, k)) {
                    }
                }
                std::unique_lock<std::mutex> lock(mutex);
                done[k] = std::move(part);
                if (appending)
                    continue;
                appending = true;
                while (nextAppend < count && done[nextAppend]) {
                    std::unique_ptr<ObjReader> next = std::move(done[nextAppend]);
                    lock.unlock();
                    const std::size_t before[4] = {out.vertices.size(), out.textCoords.size(), out.normals.size(),
                                                   out.faces.size()};
                    append(out, std::move(*next));
                    const std::size_t end = std::min(total, (nextAppend + 1) * chunk);
                    reserveFor(out.vertices, before[0], chunk, total - end);
                    reserveFor(out.textCoords, before[1], chunk, total - end);
                    reserveFor(out.normals, before[2], chunk, total - end);
                    reserveFor(out.faces, before[3], chunk, total - end);
                    clear(*next);
                    lock.lock();
                    spare.push_back(std::move(next));
                    ++nextAppend;
                }
                appending = false;
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex);
            if (!failure)
                failure = std::current_exception();
            failed = true;
        }
    };

    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threads; ++i) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // no more threads: the ones there are read it all
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);
}

void ObjChunks::append(ObjReader& to, ObjReader&& later)
{
    if (to.ended)
        return;
    const std::size_t faceOffset = to.faces.size();
    const long long positions = static_cast<long long>(to.vertices.size() / 3);
    const long long texts = static_cast<long long>(to.textCoords.size() / 2);
    const long long normalCount = static_cast<long long>(to.normals.size() / 3);
    auto add = [](auto& into, auto& from) {
        if (into.empty() && into.capacity() < from.size())
            into.swap(from);
        else
            into.insert(into.end(), from.begin(), from.end());
    };
    add(to.vertices, later.vertices);
    add(to.textCoords, later.textCoords);
    add(to.normals, later.normals);
    add(to.faces, later.faces);
    if (to.faceLines.capacity() < to.faces.capacity())
        to.faceLines.reserve(to.faces.capacity());
    const std::size_t firstLine = to.faceLines.size();
    to.faceLines.insert(to.faceLines.end(), later.faceLines.begin(), later.faceLines.end());
    for (std::size_t i = firstLine; i < to.faceLines.size(); ++i)
        to.faceLines[i] += to.lines;
    for (const ObjReader::ListCounts& counts : later.relativeFaces)
        to.relativeFaces.push_back({counts.face + faceOffset, counts.positions + positions, counts.texts + texts,
                                    counts.normals + normalCount});
    const std::size_t cornerOffset = to.extraCorners.size() / 3;
    add(to.extraCorners, later.extraCorners);
    for (const ObjReader::Polygon& polygon : later.polygons)
        to.polygons.push_back({polygon.face + faceOffset, polygon.first + cornerOffset, polygon.count});
    const int nameOffset = static_cast<int>(to.names.size());
    for (std::string& name : later.names)
        to.names.push_back(std::move(name));
    for (const ObjReader::Mark& mark : later.marks)
        to.marks.push_back({mark.face + faceOffset, mark.kind,
                            mark.kind == ObjReader::SMOOTHING ? mark.value : mark.value + nameOffset});
    to.hasNormals = to.hasNormals || later.hasNormals;
    to.hasText = to.hasText || later.hasText;
    to.paddedLines.add(later.paddedLines, to.lines);
    to.shortFaces.add(later.shortFaces, to.lines);
    to.lines += later.lines;
    to.ended = later.ended;
}

void ObjChunks::clear(ObjReader& reading)
{
    reading.vertices.clear();
    reading.textCoords.clear();
    reading.normals.clear();
    reading.faces.clear();
    reading.faceLines.clear();
    reading.relativeFaces.clear();
    reading.extraCorners.clear();
    reading.polygons.clear();
    reading.marks.clear();
    reading.names.clear();
    reading.hasNormals = reading.hasText = false;
    reading.paddedLines = reading.shortFaces = ObjReader::Tally();
    reading.lines = 0;
    reading.ended = false;
}

} // namespace vornak_engine
