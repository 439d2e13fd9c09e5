#pragma once

// Needs: a current OpenGL 4.1 core context and GLEW initialised with
// glewExperimental = GL_TRUE for the constructor, createOpenGLBinding, draw and the
// destructor; a mesh from withoutGL() reads and assembles with no context at all.
//
// An indexed triangle mesh read from a Wavefront OBJ file (positions, texture
// coordinates, normals, faces) and kept in a GL vertex array drawn with one call.
// One GL vertex per OBJ position: vertices are never split, so a shared position keeps
// the normal and texture coordinate of the last corner that uses it. No materials,
// groups or corners past the third; it binds no program of its own.
//
// The reading and assembly steps touch no GL; withoutGL() gives a mesh for them alone.
// Faults in the file (indices out of range, short lines) never reach memory outside a
// list: a face with an unusable position index is dropped, an unusable normal or
// texture index writes nothing, and one line on standard error sums them up.
// A relative (negative) index counts back from the entries read before its face line;
// the face record keeps it as written and the assembly resolves it.

#include "vornak/MeshIndex.h"
#include "vornak/ObjReader.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace vornak_engine {

class Mesh3D {
public:
    // Reads, assembles and uploads; a GL context must be current. An unreadable
    // path gives an empty mesh that draws nothing, after one line on standard error.
    explicit Mesh3D(const char* path);
    explicit Mesh3D(char* path);
    // The same, reading as the options say (threads are opt-in); the same mesh.
    Mesh3D(const char* path, const ObjReader::Options& options);
    ~Mesh3D();
    Mesh3D(const Mesh3D&) = delete;
    Mesh3D& operator=(const Mesh3D&) = delete;

    // An empty mesh with no GL objects, for loadOBJ/parseOBJ and buildMesh without a
    // context. It must not be drawn until createOpenGLBinding() has uploaded it, which
    // needs a current context: a file can be read and checked before any window opens.
    static std::unique_ptr<Mesh3D> withoutGL();

    // The reading step (ObjReader): lines of up to 199 characters whole; a longer one
    // gives its first 199 and ends the reading. A path that is not a regular file
    // (a directory, a FIFO) gives one line on standard error and nothing else.
    void loadOBJ(const char* path);
    void loadOBJ(char* path);
    void loadOBJ(const char* path, const ObjReader::Options& options);
    // The reading step on bytes in memory, read as the file's lines would be.
    void parseOBJ(const char* bytes, std::size_t size);
    void parseOBJ(const char* bytes, std::size_t size, const ObjReader::Options& options);
    // The assembly step (no GL); prints the fault summary for a mesh read from a file.
    void buildMesh();
    void createOpenGLBinding();
    // Expects a program taking position at location 0, normal at 1, texture coordinate at 2.
    // Leaves the mesh's vertex array bound.
    void draw();

    // Face k with each relative index replaced by the 1-based entry it names, counted
    // back from the entries read before its line; 0 where it names none.
    MeshIndex absoluteFace(std::size_t k) const;

    // "path: what was dropped or padded (first at line N); ...", or empty.
    const std::string& faultSummary() const { return faults; }

    std::vector<float> vertices;   // x, y, z per position
    std::vector<float> textCoords; // u, v per texture coordinate
    std::vector<float> normals;    // x, y, z per normal
    // Face records in file order; held by value in one list, owned by the mesh.
    std::vector<MeshIndex> faces;
    std::vector<float> normalArray; // per position, zero where no corner gave one
    std::vector<float> textArray;   // per position, zero where no corner gave one
    std::vector<int> indexArray;    // 0-based position indices, three per kept face
    int indexCount = 0;
    int textCount = 0;
    bool hasNormals = false;
    bool hasText = false;
    unsigned vao = 0;
    unsigned vbo[4] = {0, 0, 0, 0}; // positions, normals, texture coordinates, elements

    // The 1-based file line of each face record, for the fault summary.
    std::vector<int> faceLines;

private:
    using Tally = ObjReader::Tally;

    Mesh3D() = default;
    void take(ObjReader&& reader);

    std::vector<ObjReader::ListCounts> relativeFaces;
    std::string source;
    Tally paddedLines;
    Tally shortFaces;
    Tally droppedFaces;
    Tally badNormals;
    Tally badTexts;
    std::string faults;
};

} // namespace vornak_engine
