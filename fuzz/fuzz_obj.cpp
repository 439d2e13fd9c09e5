// The OBJ reading and assembly steps on arbitrary bytes, no GL. The fast reader must
// agree to the bit with the literal line-buffer reading, and the assembled arrays
// must stay inside the lists whatever the indices say.

#include "engine/Mesh3D.h"
#include "tests/support/ObjReference.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    check(a.size() == b.size());
    check(a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    auto mesh = vornak_engine::Mesh3D::withoutGL();
    mesh->parseOBJ(bytes.data(), bytes.size());

    ObjReference ref(bytes);
    sameBits(mesh->vertices, ref.vertices);
    sameBits(mesh->textCoords, ref.textCoords);
    sameBits(mesh->normals, ref.normals);
    check(mesh->hasNormals == ref.hasNormals && mesh->hasText == ref.hasText);
    check(mesh->faceLines == ref.faceLines);
    check(mesh->faces.size() == ref.faces.size());
    for (std::size_t k = 0; k < ref.faces.size(); ++k)
        check(std::memcmp(&mesh->faces[k], &ref.faces[k], sizeof ref.faces[k]) == 0);

    mesh->buildMesh();
    const std::size_t positions = mesh->vertices.size() / 3;
    check(mesh->vertices.size() % 3 == 0 && mesh->textCoords.size() % 2 == 0 && mesh->normals.size() % 3 == 0);
    check(mesh->normalArray.size() == mesh->vertices.size());
    check(mesh->textArray.size() == 2 * positions && mesh->textCount == static_cast<int>(2 * positions));
    check(mesh->indexCount == static_cast<int>(mesh->indexArray.size()));
    check(mesh->indexArray.size() % 3 == 0 && mesh->indexArray.size() <= 3 * mesh->faces.size());
    for (int index : mesh->indexArray)
        check(index >= 0 && static_cast<std::size_t>(index) < positions);
    return 0;
}
