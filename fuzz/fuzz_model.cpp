// Model's assembly from what ObjReader reads with polygons, on arbitrary bytes, no
// GL: reading in small chunks on two threads gives the same model, every index names
// a vertex, and the ranges cover the indices once, in order, with their materials.

#include "vornak/Model.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using vornak_engine::Model;
    using vornak_engine::ObjReader;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<Model::Material> library(3);
    library[0].name = "a";
    library[1].name = "b";
    library[2].name = "a"; // a repeated name: the first wins

    ObjReader::Options options;
    options.polygons = true;
    ObjReader whole;
    whole.readBytes(bytes.data(), bytes.size(), options);
    auto model = Model::withoutGL();
    model->assemble(whole, library);

    // Threads cost a lot to start under the sanitizers: one input in four.
    options.threads = size && data[0] % 4 == 0 ? 2 : 1;
    options.chunkBytes = std::max<std::size_t>(size ? 1 + data[0] % 97 : 1, size / 32);
    ObjReader chunked;
    chunked.readBytes(bytes.data(), bytes.size(), options);
    auto again = Model::withoutGL();
    again->assemble(chunked, library);

    const std::size_t vertices = model->vertexData.size() / 8;
    bool ok = model->vertexData.size() % 8 == 0 && model->indices.size() % 3 == 0 &&
              model->indices == again->indices && model->ranges.size() == again->ranges.size() &&
              std::equal(model->vertexData.begin(), model->vertexData.end(), again->vertexData.begin(),
                         again->vertexData.end(), [](float x, float y) { return x == y || (x != x && y != y); });
    for (unsigned index : model->indices)
        ok = ok && index < vertices;
    std::size_t next = 0;
    for (const Model::Range& range : model->ranges) {
        ok = ok && range.first == next && range.count > 0 && range.count % 3 == 0 &&
             range.material < model->materials.size();
        next = range.first + range.count;
    }
    ok = ok && next == model->indices.size();
    for (const Model::Material& material : model->materials)
        ok = ok && (material.name.empty() || material.name == "a" || material.name == "b");
    if (!ok)
        std::abort();
    return 0;
}
