#pragma once

// Needs: nothing: pure CPU.
//
// The ranges of Model's assembly: consecutive faces of one material make one range
// of indices, in file order. `usemtl` names are looked up in the library (the first
// of a name wins); an unknown name, or none yet, means the default material. The
// materials the ranges use are listed once each, in first-use order.

#include "vornak/Model.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vornak_engine::obj {

class MaterialRanges {
public:
    MaterialRanges(const std::vector<Model::Material>& library, const Model::Material& defaultMaterial,
                   std::vector<Model::Material>& materials, std::vector<Model::Range>& ranges);

    // A usemtl line: the faces after it take this material.
    void use(const std::string& name);
    // Before a face's indices go in at `at`: a new range when its material is not
    // the last range's.
    void beginFace(std::size_t at)
    {
        if (current != inRange)
            startRange(at);
    }
    // After the last face, with the number of indices.
    void finish(std::size_t end);

    long long unknownNames() const { return unknown; }
    const std::string& firstUnknownName() const { return firstUnknown; }

private:
    void startRange(std::size_t at);

    const std::vector<Model::Material>& library;
    const Model::Material& defaultMaterial;
    std::vector<Model::Material>& materials;
    std::vector<Model::Range>& ranges;
    std::unordered_map<std::string, std::size_t> byName; // library entries; the default is library.size()
    std::vector<std::size_t> usedAs;                      // per library entry: its place in materials
    std::size_t current;                                  // the material faces take now
    std::size_t inRange = SIZE_MAX;                       // that of the last range
    long long unknown = 0;
    std::string firstUnknown;
};

} // namespace vornak_engine::obj
