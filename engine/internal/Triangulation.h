#pragma once

// Needs: nothing: pure CPU.
//
// A polygon of a face line as triangles of its own corners, count - 2 of them: the
// fan from corner 0 where it covers the face exactly once (every convex face), else
// ears cut in the plane the face's normal points out of, so no triangle covers what
// lies outside the outline. A crossing or degenerate outline still gives triangles of
// its own corners, in the face's winding. The fan check is static inline (see
// ObjNumbers.h): most faces never leave it.

#include "vornak/internal/ObjIndex.h"

namespace vornak_engine::obj {

// True when every triangle of the fan from corner 0 turns the face's way.
static inline bool fanTurnsAlong(const float* positions, const Corner* corners, int count, const float normal[3])
{
    const float* first = positions + 3 * corners[0].position;
    bool fan = true;
    for (int i = 1; i + 1 < count && fan; ++i) {
        const float* a = positions + 3 * corners[i].position;
        const float* b = positions + 3 * corners[i + 1].position;
        const float e[3] = {a[0] - first[0], a[1] - first[1], a[2] - first[2]};
        const float f[3] = {b[0] - first[0], b[1] - first[1], b[2] - first[2]};
        fan = (e[1] * f[2] - e[2] * f[1]) * normal[0] + (e[2] * f[0] - e[0] * f[2]) * normal[1] +
                  (e[0] * f[1] - e[1] * f[0]) * normal[2] >=
              0;
    }
    return fan;
}

// The ears, for faces the fan does not cover.
void triangulateByEars(const float* positions, const Corner* corners, int count, const float normal[3], int* out);

// 3 × (count - 2) corner numbers to `out`; `normal` is the face's (polygonNormal).
// The fan is checked inline; only other faces pay for a call.
static inline void triangulate(const float* positions, const Corner* corners, int count, const float normal[3], int* out)
{
    if (!fanTurnsAlong(positions, corners, count, normal)) {
        triangulateByEars(positions, corners, count, normal, out);
        return;
    }
    for (int i = 1; i + 1 < count; ++i, out += 3)
        out[0] = 0, out[1] = i, out[2] = i + 1;
}

} // namespace vornak_engine::obj
