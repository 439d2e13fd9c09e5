#pragma once

// Needs: a current GL context (OpenGL 4.1 core; the calls are also valid GLES 3.0)
// for the constructor, createOpenGLBinding, draw and the destructor; a model from
// withoutGL() reads and assembles with no context at all.
//
// A model as modelling programs export it, for drawing. Every polygon becomes
// triangles; a vertex is one distinct corner (position, texture coordinate, normal),
// so seams and hard edges stay; normals the file lacks are generated, smooth across
// a shared position within an `s` group and flat under `s off`; `usemtl` ranges are
// drawn in file order with their .mtl colour and picture. It keeps none of the OBJ
// lists after assembly and, unlike Mesh3D, has no line-for-line reading contract.
//
// Faults never reach memory outside a list: a face with an unusable position index
// is dropped, an unusable texture or normal index counts as none, and one line on
// standard error sums them up. An unreadable .mtl or picture costs one line naming
// it; the faces it would have coloured are drawn with the default material.

#include "vornak/ObjReader.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace vornak_engine {

class Texture;

class Model {
public:
    struct Material {
        std::string name;
        float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f}; // Kd, then d as alpha: a picture alone shows as it is
        std::string picture;                         // map_Kd, as a path to open; empty for none
    };

    // Indices [first, first + count) drawn with materials[material].
    struct Range {
        std::size_t first;
        std::size_t count;
        std::size_t material;
    };

    // Lines of a .mtl file that could not be used, and the first of them.
    using Tally = ObjReader::Tally;

    // Reads, assembles and uploads; a GL context must be current. An unreadable
    // path gives an empty model that draws nothing, after one line on standard error.
    explicit Model(const char* path);
    ~Model();
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // An empty model with no GL objects, to read and assemble before any context
    // exists; createOpenGLBinding() uploads it once one is current.
    static std::unique_ptr<Model> withoutGL();

    // Reads the OBJ file and the .mtl files it names, then assembles. False, after
    // one line on standard error, when the OBJ file itself cannot be read.
    bool load(const char* path);
    // The assembly from a reading made with ObjReader::Options::polygons, replacing
    // what the model held. `library` is every material the .mtl files gave; `usemtl`
    // names are looked up there (the first of a name wins). `source` names the file
    // in the fault summary.
    void assemble(const ObjReader& reader, const std::vector<Material>& library, const std::string& source = "");
    // Appends the materials of a .mtl file's bytes (newmtl, Kd, d, Tr, map_Kd; other
    // keywords are skipped). Picture paths are taken relative to `directory` (which
    // ends in '/', or is empty). Returns the lines that were unusable.
    static Tally readMaterials(const char* bytes, std::size_t size, const std::string& directory,
                               std::vector<Material>& out);

    // Creates the vertex array, the buffers and the pictures; a context must be current.
    void createOpenGLBinding();
    // Draws the ranges in order with the current program, which takes position at
    // location 0, normal at 1 and texture coordinate at 2, a vec4 "materialColour"
    // and a sampler2D "materialPicture" (white where a material has no picture).
    // Leaves the model's vertex array bound, texture unit 0 active with the last
    // range's picture bound, and the program's "materialPicture" set to unit 0.
    void draw(unsigned program);

    // "triangles N, vertices N, materials N".
    std::string info() const;
    // "path: what was dropped (first at line N); ...", or empty.
    const std::string& faultSummary() const { return faults; }

    // What a face gets with no usemtl, an unknown name, or a picture that would not
    // load; set it before load() or assemble().
    Material defaultMaterial = {"", {0.8f, 0.8f, 0.8f, 1.0f}, ""};

    std::vector<float> vertexData;  // per vertex: position x, y, z, normal x, y, z, texture u, v
    std::vector<unsigned> indices;  // three per triangle
    std::vector<Material> materials; // those the ranges use, in first-use order
    std::vector<Range> ranges;      // in file order
    float low[3] = {0, 0, 0};       // bounds of the vertices; all 0 when there are none
    float high[3] = {0, 0, 0};

    unsigned vao = 0;
    unsigned vbo[2] = {0, 0}; // vertices, indices

private:
    Model() = default;

    std::vector<std::unique_ptr<Texture>> pictures; // one per picture file that loaded
    std::vector<unsigned> textureOf;                 // per material: its picture, or white
    unsigned white = 0; // 1×1 white, for materials without a picture
    std::string faults;
    bool libraryFailed = false; // a .mtl has had its line: unknown usemtl names say nothing more
};

} // namespace vornak_engine
