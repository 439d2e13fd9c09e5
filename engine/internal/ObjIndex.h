#pragma once

// Needs: nothing: pure CPU, inline.
//
// The one place an index as a face line writes it becomes a place in a list, for
// the face records, Mesh3D and Model alike. Written indices are 1-based, 0 for
// none, or relative: -1 is the last entry the list held when the face was read.
// Lists are taken to hold fewer than 2^31 entries (a file of many gigabytes).
// Static inline, as the helpers of every hot loop here: see ObjNumbers.h.

#include <climits>
#include <cstddef>

namespace vornak_engine::obj {

// One corner of a face as resolve() gives its indices: 0-based, kNone for none.
struct Corner {
    int position, text, normal;
};

// What resolve() gives for an index of 0, and for one that names no entry.
constexpr int kNone = -1;
constexpr int kOutOfRange = -2;

// The stored index minus 1, as the face records' getters give it: wrapping as
// unsigned arithmetic does, never overflowing.
static inline int minusOne(int written)
{
    return static_cast<int>(static_cast<unsigned>(written) - 1u);
}

// 0-based into a list of `limit` entries, kNone for 0, kOutOfRange for anything
// outside it. `before` is how many entries the list held when the face was read;
// 0 serves for a face with no relative index.
static inline int resolve(int written, long long before, std::size_t limit)
{
    if (written > 0)
        return static_cast<std::size_t>(written) - 1 < limit ? written - 1 : kOutOfRange;
    if (written == 0)
        return kNone;
    const long long index = before + written;
    return index >= 0 && static_cast<unsigned long long>(index) < limit ? static_cast<int>(index) : kOutOfRange;
}

// A relative index as the 1-based one it names, counted back from `before`; 0 when
// it names none. Any other index as written.
static inline int absolute(int written, long long before)
{
    if (written >= 0)
        return written;
    const long long reachable = before < INT_MAX ? before : INT_MAX;
    const int index = resolve(written, before, static_cast<std::size_t>(reachable < 0 ? 0 : reachable));
    return index >= 0 ? index + 1 : 0;
}

} // namespace vornak_engine::obj
