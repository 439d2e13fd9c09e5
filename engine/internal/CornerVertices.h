#pragma once

// Needs: nothing: pure CPU.
//
// The vertices of Model's assembly: position, normal and texture coordinate, 8
// floats each. A vertex is one distinct corner: a corner reuses a vertex of its
// position with the same texture coordinate and the same normal (a file normal, or
// a smoothing group's sum), so seams and hard edges stay and nothing else is split.
// The vertices made for a position are a list through `next`, newest first; the
// texture coordinate and normal are packed into one key so one compare tells. Flat
// faces' vertices are never shared, so they have no key. Lists are under 2^31
// entries, so ints hold every index.

#include "vornak/ObjReader.h"
#include "vornak/internal/Appender.h"
#include "vornak/internal/FaceNormals.h"
#include "vornak/internal/ObjIndex.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vornak_engine::obj {

constexpr int kFloatsPerVertex = 8;

class CornerVertices {
public:
    // Appends to `vertexData`, which must stay untouched until finish().
    CornerVertices(const ObjReader& reader, std::vector<float>& vertexData);

    // A vertex of its own for a corner, with `normal` (null: 0, 0, 0).
    unsigned make(const Corner& c, const float* normal)
    {
        float* vertex = out.take(kFloatsPerVertex);
        const float* position = positions + 3 * static_cast<std::size_t>(c.position);
        for (int i = 0; i < 3; ++i) {
            vertex[i] = position[i];
            lowest[i] = std::min(lowest[i], position[i]);
            highest[i] = std::max(highest[i], position[i]);
        }
        for (int i = 0; i < 3; ++i)
            vertex[3 + i] = normal ? normal[i] : 0.0f;
        const float* text = c.text >= 0 ? texts + 2 * static_cast<std::size_t>(c.text) : nullptr;
        vertex[6] = text ? text[0] : 0.0f;
        vertex[7] = text ? text[1] : 0.0f;
        return static_cast<unsigned>(out.size() / kFloatsPerVertex - 1);
    }

    // New vertices in a row for a face with one normal for all and none of its own.
    void makeFlat(const Corner* corners, int count, const float normal[3], unsigned* vertexOf)
    {
        const unsigned first = static_cast<unsigned>(out.size() / kFloatsPerVertex);
        float* vertex = out.take(kFloatsPerVertex * static_cast<std::size_t>(count));
        for (int c = 0; c < count; ++c, vertex += kFloatsPerVertex) {
            const float* position = positions + 3 * static_cast<std::size_t>(corners[c].position);
            for (int i = 0; i < 3; ++i) {
                vertex[i] = position[i];
                lowest[i] = std::min(lowest[i], position[i]);
                highest[i] = std::max(highest[i], position[i]);
                vertex[3 + i] = normal[i];
            }
            const int text = corners[c].text;
            vertex[6] = text >= 0 ? texts[2 * static_cast<std::size_t>(text)] : 0.0f;
            vertex[7] = text >= 0 ? texts[2 * static_cast<std::size_t>(text) + 1] : 0.0f;
            vertexOf[c] = first + static_cast<unsigned>(c);
        }
    }

    // The shared vertex of a corner with a file normal (corner.normal >= 0) or,
    // when it has none, with smoothing sum `sum`; made on first use.
    unsigned share(const Corner& corner, int sum)
    {
        const std::size_t slot = static_cast<std::size_t>(corner.position);
        const std::uint64_t pair = pack(corner.text, corner.normal >= 0 ? corner.normal : -2 - sum);
        int key = head[slot];
        while (key >= 0 && keys[static_cast<std::size_t>(key)].pair != pair)
            key = keys[static_cast<std::size_t>(key)].next;
        if (key < 0) {
            const float* normal = corner.normal >= 0 ? normals + 3 * static_cast<std::size_t>(corner.normal) : nullptr;
            key = static_cast<int>(keys.size());
            keys.push_back({pair, head[slot], make(corner, normal)});
            head[slot] = key;
        }
        return keys[static_cast<std::size_t>(key)].vertex;
    }

    // Cuts the list to what was written and gives each vertex that shares a
    // smoothing sum its normalised normal. low and high: the vertices' bounds, all
    // 0 when there are none.
    void finish(SmoothingSums& sums, float low[3], float high[3]);

private:
    struct Key {
        std::uint64_t pair; // the texture coordinate, and above it a file normal or -2 - a smoothing sum
        int next;
        unsigned vertex;
    };

    static std::uint64_t pack(int text, int normal)
    {
        return static_cast<std::uint32_t>(text) | std::uint64_t(static_cast<std::uint32_t>(normal)) << 32;
    }

    std::vector<float>& vertexData;
    Appender<float> out;
    const float* positions;
    const float* texts;
    const float* normals;
    std::vector<int> head; // per position, its newest key, or -1
    std::vector<Key> keys;
    float lowest[3];
    float highest[3];
};

} // namespace vornak_engine::obj
