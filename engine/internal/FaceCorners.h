#pragma once

// Needs: nothing: pure CPU.
//
// The faces of a reading in file order, each as its corners resolved against the
// lists (ObjIndex.h): the first three from the face record, the rest from the
// polygon's extra corners, relative indices counted back from the entries read
// before the face. Nothing is dropped or repaired here; the caller decides.

#include "vornak/ObjReader.h"
#include "vornak/internal/ObjIndex.h"
#include "vornak/internal/ObjSyntax.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace vornak_engine::obj {

// The face that entry `at` of a list of ObjReader's face-numbered entries applies
// to; SIZE_MAX past the end.
template <typename List>
std::size_t faceOf(const List& list, std::size_t at)
{
    return at < list.size() ? list[at].face : SIZE_MAX;
}

class FaceCorners {
public:
    struct Face {
        int count;         // corners, 3 to kMaxCorners
        bool outOfRange;   // some index names no entry
        bool needsNormal;  // some corner has no usable normal, or the face is no triangle
        bool givesNormal;  // some corner has a usable normal
    };

    explicit FaceCorners(const ObjReader& reader)
        : reader(reader), positionCount(reader.vertices.size() / 3), textCount(reader.textCoords.size() / 2),
          normalCount(reader.normals.size() / 3), relativeFace(faceOf(reader.relativeFaces, 0)),
          polygonFace(faceOf(reader.polygons, 0))
    {
    }

    // Face k into `corners` (kMaxCorners of room); k counts up from 0, once each.
    Face read(std::size_t k, Corner* corners)
    {
        long long before[3] = {0, 0, 0}; // positions, texture coordinates, normals
        if (relativeFace == k) {
            const ObjReader::ListCounts& counts = reader.relativeFaces[relative];
            relativeFace = faceOf(reader.relativeFaces, ++relative);
            before[0] = counts.positions, before[1] = counts.texts, before[2] = counts.normals;
        }
        const MeshIndex& face = reader.faces[k];
        int count = 3;
        const int* more = nullptr;
        if (polygonFace == k) {
            const ObjReader::Polygon& p = reader.polygons[polygon];
            polygonFace = faceOf(reader.polygons, ++polygon);
            more = &reader.extraCorners[3 * p.first];
            count += std::min(p.count, kMaxCorners - 3);
        }
        // Any out-of-range index sets the sign bit of `bad`, any missing normal that of
        // `lacking` and any normal given that of `having`, so the common face takes no
        // branch per corner.
        int bad = 0, lacking = count > 3 ? -1 : 0, having = 0;
        auto take = [&](Corner& corner, int position, int text, int normal) {
            corner.position = resolve(position, before[0], positionCount);
            corner.text = resolve(text, before[1], textCount);
            corner.normal = resolve(normal, before[2], normalCount);
            bad |= corner.position | (corner.text + 1) | (corner.normal + 1);
            lacking |= corner.normal;
            having |= ~corner.normal;
        };
        for (int c = 0; c < 3; ++c)
            take(corners[c], face.vertex[c], face.text[c], face.normal[c]);
        for (int c = 3; c < count; ++c)
            take(corners[c], more[3 * (c - 3)], more[3 * (c - 3) + 1], more[3 * (c - 3) + 2]);
        return {count, bad < 0, lacking < 0, having < 0};
    }

private:
    const ObjReader& reader;
    std::size_t positionCount, textCount, normalCount;
    std::size_t relative = 0, polygon = 0;     // the next entries of those lists
    std::size_t relativeFace, polygonFace;     // and the faces they apply to
};

} // namespace vornak_engine::obj
