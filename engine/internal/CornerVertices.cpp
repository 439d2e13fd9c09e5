#include "vornak/internal/CornerVertices.h"

#include <cstring>
#include <limits>

namespace vornak_engine::obj {

namespace {

// Room for a vertex per position and one per face more, or four per face if fewer,
// before the appender takes the list.
std::vector<float>& reserved(const ObjReader& reader, std::vector<float>& vertexData)
{
    const std::size_t positionCount = reader.vertices.size() / 3, faceCount = reader.faces.size();
    vertexData.reserve(kFloatsPerVertex * std::min(positionCount + faceCount, 4 * faceCount));
    preferLargePages(vertexData);
    return vertexData;
}

} // namespace

CornerVertices::CornerVertices(const ObjReader& reader, std::vector<float>& vertexData)
    : vertexData(vertexData), out(reserved(reader, vertexData)), positions(reader.vertices.data()),
      texts(reader.textCoords.data()), normals(reader.normals.data()),
      lowest{std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity(),
             std::numeric_limits<float>::infinity()},
      highest{-std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
              -std::numeric_limits<float>::infinity()}
{
    const std::size_t positionCount = reader.vertices.size() / 3, faceCount = reader.faces.size();
    head.reserve(positionCount);
    preferLargePages(head);
    head.assign(positionCount, -1);
    keys.reserve(std::min(positionCount + faceCount, 4 * faceCount));
    preferLargePages(keys);
}

void CornerVertices::finish(SmoothingSums& sums, float low[3], float high[3])
{
    out.finish();
    sums.normaliseAll();
    if (!sums.empty()) {
        for (const Key& key : keys) {
            const int normal = static_cast<int>(key.pair >> 32);
            if (normal <= -2)
                std::memcpy(&vertexData[kFloatsPerVertex * std::size_t(key.vertex) + 3], sums.normal(-2 - normal),
                            3 * sizeof(float));
        }
    }
    for (int i = 0; i < 3; ++i) {
        low[i] = vertexData.empty() ? 0.0f : lowest[i];
        high[i] = vertexData.empty() ? 0.0f : highest[i];
    }
}

} // namespace vornak_engine::obj
