#include "vornak/Mesh3D.h"
#include "vornak/Log.h"

#include "vornak/GL.h"
#include "vornak/internal/ObjIndex.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vornak_engine {

namespace {

void describe(std::string& out, long long count, int firstLine, const char* one, const char* many,
              const char* what)
{
    if (count == 0)
        return;
    out += out.empty() ? "" : "; ";
    out += std::to_string(count) + " " + (count == 1 ? one : many) + " " + what + " (first at line " +
           std::to_string(firstLine) + ")";
}

} // namespace

Mesh3D::Mesh3D(char* path) : Mesh3D(static_cast<const char*>(path)) {}

Mesh3D::Mesh3D(const char* path) : Mesh3D(path, ObjReader::Options()) {}

Mesh3D::Mesh3D(const char* path, const ObjReader::Options& options)
{
    loadOBJ(path, options);
    buildMesh();
    createOpenGLBinding();
}

Mesh3D::~Mesh3D()
{
    // A mesh made by withoutGL() has no GL objects and maybe no context to ask.
    if (vao != 0) {
        glDeleteBuffers(4, vbo);
        glDeleteVertexArrays(1, &vao);
    }
}

std::unique_ptr<Mesh3D> Mesh3D::withoutGL()
{
    return std::unique_ptr<Mesh3D>(new Mesh3D());
}

void Mesh3D::loadOBJ(char* path)
{
    loadOBJ(static_cast<const char*>(path));
}

void Mesh3D::loadOBJ(const char* path)
{
    loadOBJ(path, ObjReader::Options());
}

void Mesh3D::loadOBJ(const char* path, const ObjReader::Options& options)
{
    source = path ? path : "";
    if (!path)
        return;
    ObjReader reader;
    std::string error;
    if (reader.readFile(path, options, error))
        take(std::move(reader));
    else
        logMessage(LogLevel::Error, error.c_str());
}

void Mesh3D::parseOBJ(const char* bytes, std::size_t size)
{
    parseOBJ(bytes, size, ObjReader::Options());
}

void Mesh3D::parseOBJ(const char* bytes, std::size_t size, const ObjReader::Options& options)
{
    ObjReader reader;
    reader.readBytes(bytes, size, options);
    take(std::move(reader));
}

// Moves the lists in; after earlier ones, appends them with their faces' counts moved on.
void Mesh3D::take(ObjReader&& reader)
{
    const std::size_t faceOffset = faces.size();
    const long long positions = static_cast<long long>(vertices.size() / 3);
    const long long texts = static_cast<long long>(textCoords.size() / 2);
    const long long normalCount = static_cast<long long>(normals.size() / 3);
    auto add = [](auto& to, auto& from) {
        if (to.empty())
            to.swap(from);
        else
            to.insert(to.end(), from.begin(), from.end());
    };
    add(vertices, reader.vertices);
    add(textCoords, reader.textCoords);
    add(normals, reader.normals);
    add(faces, reader.faces);
    add(faceLines, reader.faceLines);
    for (ObjReader::ListCounts& counts : reader.relativeFaces) {
        counts.face += faceOffset;
        counts.positions += positions;
        counts.texts += texts;
        counts.normals += normalCount;
    }
    add(relativeFaces, reader.relativeFaces);
    hasNormals = hasNormals || reader.hasNormals;
    hasText = hasText || reader.hasText;
    paddedLines.add(reader.paddedLines, 0);
    shortFaces.add(reader.shortFaces, 0);
}

void Mesh3D::buildMesh()
{
    const std::size_t positions = vertices.size() / 3;
    const std::size_t normalCount = normals.size() / 3;
    const std::size_t textureCount = textCoords.size() / 2;
    textCount = static_cast<int>(2 * positions);
    normalArray.assign(vertices.size(), 0.0f);
    textArray.assign(2 * positions, 0.0f);
    indexArray.clear();
    indexArray.reserve(3 * faces.size());
    droppedFaces = Tally();
    badNormals = Tally();
    badTexts = Tally();

    auto relative = relativeFaces.begin();
    for (std::size_t k = 0; k < faces.size(); ++k) {
        // Entries before the face, for its relative indices; 0 serves a face with none.
        ObjReader::ListCounts before = {k, 0, 0, 0};
        if (relative != relativeFaces.end() && relative->face == k)
            before = *relative++;
        const MeshIndex& face = faces[k];
        const int line = k < faceLines.size() ? faceLines[k] : 0;
        int v[3];
        for (int c = 0; c < 3; ++c)
            v[c] = obj::resolve(face.vertex[c], before.positions, positions);
        // The position is both the element index and the slot, so it is checked first.
        if (v[0] < 0 || v[1] < 0 || v[2] < 0) {
            droppedFaces.add(line);
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            const std::size_t slot = static_cast<std::size_t>(v[c]);
            indexArray.push_back(v[c]);
            if (hasNormals) {
                const int n = obj::resolve(face.normal[c], before.normals, normalCount);
                if (n < 0)
                    badNormals.add(line);
                else
                    std::memcpy(&normalArray[3 * slot], &normals[3 * static_cast<std::size_t>(n)], 3 * sizeof(float));
            }
            if (hasText) {
                const int t = obj::resolve(face.text[c], before.texts, textureCount);
                if (t < 0)
                    badTexts.add(line);
                else
                    std::memcpy(&textArray[2 * slot], &textCoords[2 * static_cast<std::size_t>(t)], 2 * sizeof(float));
            }
        }
    }
    indexCount = static_cast<int>(indexArray.size());

    faults.clear();
    describe(faults, shortFaces.count, shortFaces.firstLine, "face line", "face lines",
             "with fewer than 3 corners skipped");
    describe(faults, paddedLines.count, paddedLines.firstLine, "value line", "value lines",
             "short of values padded with 0");
    describe(faults, droppedFaces.count, droppedFaces.firstLine, "face", "faces",
             "with a position index out of range dropped");
    describe(faults, badNormals.count, badNormals.firstLine, "corner", "corners",
             "without a usable normal index");
    describe(faults, badTexts.count, badTexts.firstLine, "corner", "corners",
             "without a usable texture index");
    if (!faults.empty()) {
        faults = (source.empty() ? std::string("<memory>") : source) + ": " + faults;
        if (!source.empty())
            logMessage(LogLevel::Warning, faults.c_str());
    }
}

MeshIndex Mesh3D::absoluteFace(std::size_t k) const
{
    MeshIndex face = faces.at(k);
    auto counts = std::lower_bound(relativeFaces.begin(), relativeFaces.end(), k,
                                   [](const ObjReader::ListCounts& entry, std::size_t face) { return entry.face < face; });
    if (counts == relativeFaces.end() || counts->face != k)
        return face;
    for (int c = 0; c < 3; ++c) {
        face.vertex[c] = obj::absolute(face.vertex[c], counts->positions);
        face.text[c] = obj::absolute(face.text[c], counts->texts);
        face.normal[c] = obj::absolute(face.normal[c], counts->normals);
    }
    return face;
}

void Mesh3D::createOpenGLBinding()
{
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(4, vbo);

    const GLsizeiptr positionBytes = static_cast<GLsizeiptr>(vertices.size() * sizeof(float));
    glBindBuffer(GL_ARRAY_BUFFER, vbo[0]);
    glBufferData(GL_ARRAY_BUFFER, positionBytes, vertices.data(), GL_DYNAMIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(0);

    glBindBuffer(GL_ARRAY_BUFFER, vbo[1]);
    glBufferData(GL_ARRAY_BUFFER, positionBytes, normalArray.data(), GL_DYNAMIC_DRAW);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(1);

    glBindBuffer(GL_ARRAY_BUFFER, vbo[2]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(4) * textCount, textArray.data(), GL_DYNAMIC_DRAW);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(2);

    // The element binding is recorded in the vertex array, so draw() binds nothing else.
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, vbo[3]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(4) * indexCount, indexArray.data(),
                 GL_DYNAMIC_DRAW);

    glBindVertexArray(0);
}

void Mesh3D::draw()
{
    glBindVertexArray(vao);
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_INT, nullptr);
}

} // namespace vornak_engine
