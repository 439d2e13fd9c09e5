#pragma once

// Needs: nothing: pure CPU.
//
// The normals Model makes where a file gives none: a face's own, by Newell's
// method, flat under `s off`; and within a smoothing group, at each position the
// sum of the normals of the group's faces that meet there, normalised once all
// are in, so a bigger face weighs more. The per-face helpers are static inline
// (see ObjNumbers.h).

#include "vornak/internal/ObjIndex.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace vornak_engine::obj {

// Newell's normal: twice the area, pointing out of a counter-clockwise face, and
// sound for faces that are not quite flat. Corners must name positions.
static inline void polygonNormal(const float* positions, const Corner* corners, int count, float out[3])
{
    if (count == 3) {
        // The same for a triangle, in fewer steps: the cross product of two edges.
        const float* a = positions + 3 * corners[0].position;
        const float* b = positions + 3 * corners[1].position;
        const float* c = positions + 3 * corners[2].position;
        const float e[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const float f[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        out[0] = e[1] * f[2] - e[2] * f[1];
        out[1] = e[2] * f[0] - e[0] * f[2];
        out[2] = e[0] * f[1] - e[1] * f[0];
        return;
    }
    out[0] = out[1] = out[2] = 0.0f;
    for (int i = 0; i < count; ++i) {
        const float* a = positions + 3 * corners[i].position;
        const float* b = positions + 3 * corners[i + 1 == count ? 0 : i + 1].position;
        out[0] += (a[1] - b[1]) * (a[2] + b[2]);
        out[1] += (a[2] - b[2]) * (a[0] + b[0]);
        out[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
}

// To unit length; a zero or unbounded vector stays as it is.
static inline void normalise(float* v)
{
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0.0f && std::isfinite(length)) {
        const float inverse = 1.0f / length;
        v[0] *= inverse;
        v[1] *= inverse;
        v[2] *= inverse;
    }
}

// One sum per position and smoothing group, found through a list per position.
class SmoothingSums {
public:
    explicit SmoothingSums(std::size_t positionCount) : positionCount(positionCount) {}

    // Adds a face's normal to the sum of `group` at position `slot`; returns that
    // sum's number, the same for every face of the group that meets there.
    int add(std::size_t slot, int group, const float normal[3])
    {
        if (head.empty())
            start();
        int s = head[slot];
        while (s >= 0 && sums[static_cast<std::size_t>(s)].group != group)
            s = sums[static_cast<std::size_t>(s)].next;
        if (s < 0) {
            s = static_cast<int>(sums.size());
            sums.push_back({group, head[slot], {0, 0, 0}});
            head[slot] = s;
        }
        float* sum = sums[static_cast<std::size_t>(s)].normal;
        sum[0] += normal[0];
        sum[1] += normal[1];
        sum[2] += normal[2];
        return s;
    }

    bool empty() const { return sums.empty(); }
    // Once every face is in.
    void normaliseAll();
    const float* normal(int sum) const { return sums[static_cast<std::size_t>(sum)].normal; }

private:
    struct Sum {
        int group;
        int next;
        float normal[3];
    };

    // The lists, made when the first sum is, since most files give their normals.
    void start();

    std::size_t positionCount;
    std::vector<int> head; // per position, its newest sum, or -1
    std::vector<Sum> sums;
};

} // namespace vornak_engine::obj
