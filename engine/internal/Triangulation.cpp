#include "vornak/internal/Triangulation.h"

#include "vornak/internal/ObjSyntax.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vornak_engine::obj {

namespace {

inline float cross2(const float* o, const float* a, const float* b)
{
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

bool insideTriangle(const float* p, const float* a, const float* b, const float* c)
{
    return cross2(a, b, p) >= 0 && cross2(b, c, p) >= 0 && cross2(c, a, p) >= 0;
}

} // namespace

void triangulateByEars(const float* positions, const Corner* corners, int count, const float normal[3], int* out)
{
    // Drop the axis the normal leans on most.
    int axis = 2;
    const float ax = std::fabs(normal[0]), ay = std::fabs(normal[1]), az = std::fabs(normal[2]);
    if (ax >= ay && ax >= az)
        axis = 0;
    else if (ay >= az)
        axis = 1;
    const int u = axis == 0 ? 1 : 0, v = axis == 2 ? 1 : 2;
    float flat[kMaxCorners][2];
    for (int i = 0; i < count; ++i) {
        const float* p = positions + 3 * corners[i].position;
        flat[i][0] = p[u];
        flat[i][1] = p[v];
    }
    float orientation = 0.0f;
    for (int i = 0; i < count; ++i) {
        const float* b = flat[(i + 1) % count];
        orientation += flat[i][0] * b[1] - b[0] * flat[i][1];
    }
    if (!(orientation != 0.0f) || !std::isfinite(orientation)) {
        // No plane to cut in.
        for (int i = 1; i + 1 < count; ++i, out += 3)
            out[0] = 0, out[1] = i, out[2] = i + 1;
        return;
    }
    // Counter-clockwise in the plane, so an ear turns left.
    int left[kMaxCorners];
    for (int i = 0; i < count; ++i)
        left[i] = orientation > 0 ? i : count - 1 - i;
    int remaining = count;
    while (remaining > 3) {
        int ear = -1;
        for (int i = 0; i < remaining && ear < 0; ++i) {
            const int a = left[(i + remaining - 1) % remaining], b = left[i], c = left[(i + 1) % remaining];
            if (cross2(flat[a], flat[b], flat[c]) <= 0)
                continue;
            bool empty = true;
            for (int j = 0; j < remaining && empty; ++j) {
                const int p = left[j];
                if (p != a && p != b && p != c)
                    empty = !insideTriangle(flat[p], flat[a], flat[b], flat[c]);
            }
            if (empty)
                ear = i;
        }
        if (ear < 0)
            ear = 0; // crossing or degenerate outline: any cut still uses its own corners
        const int a = left[(ear + remaining - 1) % remaining], b = left[ear], c = left[(ear + 1) % remaining];
        *out++ = a, *out++ = b, *out++ = c;
        std::copy(left + ear + 1, left + remaining, left + ear);
        --remaining;
    }
    *out++ = left[0], *out++ = left[1], *out++ = left[2];
    if (orientation < 0) {
        // Cut in reverse order; put each triangle back in the face's own winding.
        for (int* triangle = out - 3 * (count - 2); triangle < out; triangle += 3)
            std::swap(triangle[1], triangle[2]);
    }
}

} // namespace vornak_engine::obj
