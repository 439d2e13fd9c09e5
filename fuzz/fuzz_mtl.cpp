// The .mtl reader on arbitrary bytes, no GL: every line is read or counted as
// unusable, every material keeps a finite colour, and a picture path is always the
// directory's or an absolute one.

#include "vornak/Model.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly `size` bytes, so reading one past the end is caught.
    const std::vector<char> bytes(data, data + size);
    std::vector<vornak_engine::Model::Material> materials;
    const auto unusable = vornak_engine::Model::readMaterials(bytes.data(), bytes.size(), "dir/", materials);
    bool ok = unusable.count >= 0 && (unusable.count == 0) == (unusable.firstLine == 0);
    for (const auto& material : materials) {
        for (float c : material.colour)
            ok = ok && std::isfinite(c);
        ok = ok && (material.picture.empty() || material.picture.rfind("dir/", 0) == 0 || material.picture[0] == '/');
    }
    if (!ok)
        std::abort();
    return 0;
}
