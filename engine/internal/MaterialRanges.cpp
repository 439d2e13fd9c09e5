#include "vornak/internal/MaterialRanges.h"

namespace vornak_engine::obj {

MaterialRanges::MaterialRanges(const std::vector<Model::Material>& library, const Model::Material& defaultMaterial,
                               std::vector<Model::Material>& materials, std::vector<Model::Range>& ranges)
    : library(library), defaultMaterial(defaultMaterial), materials(materials), ranges(ranges),
      usedAs(library.size() + 1, SIZE_MAX), current(library.size())
{
    for (std::size_t i = 0; i < library.size(); ++i)
        byName.emplace(library[i].name, i);
}

void MaterialRanges::use(const std::string& name)
{
    const auto found = byName.find(name);
    current = found == byName.end() ? library.size() : found->second;
    if (found == byName.end() && unknown++ == 0)
        firstUnknown = name;
}

void MaterialRanges::startRange(std::size_t at)
{
    if (!ranges.empty())
        ranges.back().count = at - ranges.back().first;
    if (usedAs[current] == SIZE_MAX) {
        usedAs[current] = materials.size();
        materials.push_back(current == library.size() ? defaultMaterial : library[current]);
    }
    ranges.push_back({at, 0, usedAs[current]});
    inRange = current;
}

void MaterialRanges::finish(std::size_t end)
{
    if (!ranges.empty())
        ranges.back().count = end - ranges.back().first;
}

} // namespace vornak_engine::obj
