// The OBJ reading and assembly steps on arbitrary bytes, no GL. The fast reader must
// agree to the bit with the literal line-buffer reading, also in small chunks read on
// two threads, and the assembled arrays must stay inside the lists whatever the
// indices say.

#include "vornak/Mesh3D.h"
#include "tests/support/ObjReference.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    auto mesh = vornak_engine::Mesh3D::withoutGL();
    mesh->parseOBJ(bytes.data(), bytes.size());
    const ObjReference reference(bytes);
    bool ok = reference.matches(*mesh);

    vornak_engine::ObjReader::Options options;
    // Threads cost a lot to start under the sanitizers: one input in four.
    options.threads = size && data[0] % 4 == 0 ? 2 : 1;
    // Small chunks, but few enough that each input stays quick.
    options.chunkBytes = std::max<std::size_t>(size ? 1 + data[0] % 97 : 1, size / 32);
    auto chunked = vornak_engine::Mesh3D::withoutGL();
    chunked->parseOBJ(bytes.data(), bytes.size(), options);
    ok = ok && reference.matches(*chunked);

    mesh->buildMesh();
    const std::size_t positions = mesh->vertices.size() / 3;
    ok = ok && mesh->vertices.size() % 3 == 0 && mesh->textCoords.size() % 2 == 0 && mesh->normals.size() % 3 == 0 &&
         mesh->normalArray.size() == mesh->vertices.size() && mesh->textArray.size() == 2 * positions &&
         mesh->textCount == static_cast<int>(2 * positions) &&
         mesh->indexCount == static_cast<int>(mesh->indexArray.size()) && mesh->indexArray.size() % 3 == 0 &&
         mesh->indexArray.size() <= 3 * mesh->faces.size();
    for (int index : mesh->indexArray)
        ok = ok && index >= 0 && static_cast<std::size_t>(index) < positions;
    if (!ok)
        std::abort();
    return 0;
}
