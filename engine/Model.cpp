#include "vornak/Model.h"
#include "vornak/Log.h"

#include "vornak/FileData.h"
#include "vornak/Texture.h"

#include "vornak/GL.h"
#include "vornak/internal/Appender.h"
#include "vornak/internal/CornerVertices.h"
#include "vornak/internal/FaceCorners.h"
#include "vornak/internal/FaceNormals.h"
#include "vornak/internal/GlDialect.h"
#include "vornak/internal/LargePages.h"
#include "vornak/internal/MaterialRanges.h"
#include "vornak/internal/Triangulation.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace vornak_engine {

namespace {

using obj::kFloatsPerVertex;
// The group of faces before any `s` line: smooth, like a group of its own.
constexpr int kNoGroupYet = std::numeric_limits<int>::min();

void describe(std::string& out, long long count, int firstLine, const char* one, const char* many, const char* what)
{
    if (count == 0)
        return;
    if (!out.empty())
        out += "; ";
    out += std::to_string(count) + " " + (count == 1 ? one : many) + " " + what;
    if (firstLine > 0)
        out += " (first at line " + std::to_string(firstLine) + ")";
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A float the whole token spells; false for anything else.
bool readNumber(const std::string& token, float& out)
{
    if (token.empty())
        return false;
    char* end = nullptr;
    const double value = std::strtod(token.c_str(), &end);
    // Finite as a float too: 1e99 reads as a double but not as a colour.
    if (end != token.c_str() + token.size() || !(std::fabs(value) <= std::numeric_limits<float>::max()))
        return false;
    out = static_cast<float>(value);
    return true;
}

// A face with an index out of range: false, counted, when a position names no
// entry (the position is the vertex, so nothing can stand in); otherwise its
// unusable texture and normal indices count as none, each counted.
bool keepUsable(obj::Corner* corners, int count, int line, ObjReader::Tally& droppedFaces,
                ObjReader::Tally& badTexts, ObjReader::Tally& badNormals)
{
    bool usable = true;
    for (int c = 0; c < count; ++c) {
        obj::Corner& corner = corners[c];
        usable = usable && corner.position >= 0;
        if (corner.text == obj::kOutOfRange) {
            badTexts.add(line);
            corner.text = obj::kNone;
        }
        if (corner.normal == obj::kOutOfRange) {
            badNormals.add(line);
            corner.normal = obj::kNone;
        }
    }
    if (!usable)
        droppedFaces.add(line);
    return usable;
}

} // namespace

// ---- Materials --------------------------------------------------------------------

Model::Tally Model::readMaterials(const char* bytes, std::size_t size, const std::string& directory,
                                  std::vector<Material>& out)
{
    Tally unusable;
    Material* current = nullptr;
    int line = 0;
    std::size_t at = 0;
    std::vector<std::string> tokens;
    while (at < size) {
        ++line;
        const char* start = bytes + at;
        const char* newline = static_cast<const char*>(std::memchr(start, '\n', size - at));
        const char* end = newline ? newline : bytes + size;
        at = static_cast<std::size_t>(end - bytes) + 1;
        if (std::memchr(start, '\0', static_cast<std::size_t>(end - start))) {
            unusable.add(line); // not text
            continue;
        }
        tokens.clear();
        for (const char* p = start; p < end;) {
            while (p < end && std::isspace(static_cast<unsigned char>(*p)))
                ++p;
            const char* token = p;
            while (p < end && !std::isspace(static_cast<unsigned char>(*p)))
                ++p;
            if (p > token)
                tokens.emplace_back(token, p);
        }
        if (tokens.empty() || tokens[0][0] == '#')
            continue;
        const std::string& key = tokens[0];
        if (key == "newmtl") {
            if (tokens.size() < 2) {
                unusable.add(line);
                current = nullptr;
                continue;
            }
            out.emplace_back();
            current = &out.back();
            // The name is the rest of the line: some exporters keep blanks in it.
            const char* name = start;
            while (std::isspace(static_cast<unsigned char>(*name)))
                ++name;
            name += 6; // past "newmtl"
            const char* nameEnd = end;
            while (name < nameEnd && std::isspace(static_cast<unsigned char>(*name)))
                ++name;
            while (nameEnd > name && std::isspace(static_cast<unsigned char>(nameEnd[-1])))
                --nameEnd;
            current->name.assign(name, nameEnd);
            continue;
        }
        const bool known = key == "Kd" || key == "d" || key == "Tr" || key == "map_Kd";
        if (!known)
            continue; // Ka, Ks, Ns, illum, other maps: nothing this model draws with
        if (!current) {
            unusable.add(line); // a property of no material
            continue;
        }
        bool ok = true;
        if (key == "Kd") {
            // One value stands for all three.
            float rgb[3];
            ok = (tokens.size() == 2 || tokens.size() == 4) && readNumber(tokens[1], rgb[0]);
            for (int i = 1; ok && i < 3; ++i)
                ok = tokens.size() == 2 ? (rgb[i] = rgb[0], true) : readNumber(tokens[i + 1], rgb[i]);
            if (ok)
                std::copy(rgb, rgb + 3, current->colour);
        } else if (key == "d" || key == "Tr") {
            float value;
            ok = tokens.size() == 2 && readNumber(tokens[1], value);
            if (ok)
                current->colour[3] = key == "d" ? value : 1.0f - value;
        } else {
            // Options (-s 1 1 1, -bm 0.5, ...) come first; the file name is last.
            ok = tokens.size() >= 2;
            if (ok) {
                std::string file = tokens.back();
                std::replace(file.begin(), file.end(), '\\', '/'); // as written on Windows
                current->picture = file[0] == '/' ? file : directory + file;
            }
        }
        if (!ok)
            unusable.add(line);
    }
    return unusable;
}

// ---- Reading and assembly -----------------------------------------------------------

std::unique_ptr<Model> Model::withoutGL()
{
    return std::unique_ptr<Model>(new Model());
}

Model::Model(const char* path)
{
    load(path);
    createOpenGLBinding();
}

Model::~Model()
{
    if (vao) {
        glDeleteBuffers(2, vbo);
        glDeleteVertexArrays(1, &vao);
    }
    // The pictures are this model's alone, so their names go with it.
    for (auto& picture : pictures) {
        const GLuint name = picture->getTexID();
        glDeleteTextures(1, &name);
    }
    if (white)
        glDeleteTextures(1, &white);
}

bool Model::load(const char* path)
{
    ObjReader reader;
    ObjReader::Options options;
    options.polygons = true;
    std::string error;
    if (!reader.readFile(path, options, error)) {
        logMessage(LogLevel::Error, error.c_str());
        assemble(ObjReader(), {}, path);
        return false;
    }
    std::vector<Material> library;
    const std::string directory = directoryOf(path);
    libraryFailed = false;
    for (const ObjReader::Mark& mark : reader.marks) {
        if (mark.kind != ObjReader::MATERIAL_LIBRARY)
            continue;
        // One line may name several files.
        const std::string& names = reader.names[static_cast<std::size_t>(mark.value)];
        for (std::size_t at = 0; at < names.size();) {
            const std::size_t blank = std::min(names.find_first_of(" \t", at), names.size());
            const std::string file = directory + names.substr(at, blank - at);
            at = names.find_first_not_of(" \t", blank);
            if (at == std::string::npos)
                at = names.size();
            std::vector<unsigned char> bytes;
            if (!readFileData(file.c_str(), bytes, error)) {
                logMessage(LogLevel::Error, error.c_str());
                libraryFailed = true;
                continue;
            }
            const Tally unusable = readMaterials(reinterpret_cast<const char*>(bytes.data()), bytes.size(),
                                                 directoryOf(file), library);
            libraryFailed = libraryFailed || unusable.count > 0;
            if (unusable.count > 0)
                logFormat(LogLevel::Warning, "%s: %lld unusable line%s skipped (first at line %d)", file.c_str(),
                             unusable.count, unusable.count == 1 ? "" : "s", unusable.firstLine);
        }
    }
    assemble(reader, library, path);
    libraryFailed = false;
    return true;
}

// In file order, each face: the marks before it (smoothing group, material), its
// corners resolved and checked, a normal where it needs one, its vertices, its
// range, and its triangles.
void Model::assemble(const ObjReader& reader, const std::vector<Material>& library, const std::string& source)
{
    vertexData.clear();
    indices.clear();
    materials.clear();
    ranges.clear();
    faults.clear();

    const float* const positions = reader.vertices.data();
    const std::size_t faceCount = reader.faces.size();
    obj::CornerVertices vertices(reader, vertexData);
    // Every triangle the faces can give: a face of n corners gives n - 2.
    indices.reserve(3 * faceCount + reader.extraCorners.size());
    preferLargePages(indices);
    Appender<unsigned> indexOut(indices);
    obj::MaterialRanges materialRanges(library, defaultMaterial, materials, ranges);
    obj::SmoothingSums sums(reader.vertices.size() / 3);
    obj::FaceCorners faceCorners(reader);

    Tally droppedFaces, badTexts, badNormals;
    int group = kNoGroupYet;
    std::size_t mark = 0, markFace = obj::faceOf(reader.marks, 0);
    obj::Corner corners[obj::kMaxCorners];
    unsigned vertexOf[obj::kMaxCorners];
    int triangles[3 * (obj::kMaxCorners - 2)];
    for (std::size_t k = 0; k < faceCount; ++k) {
        for (; markFace <= k; markFace = obj::faceOf(reader.marks, ++mark)) {
            const ObjReader::Mark& m = reader.marks[mark];
            if (m.kind == ObjReader::SMOOTHING)
                group = m.value;
            else if (m.kind == ObjReader::USE_MATERIAL)
                materialRanges.use(reader.names[static_cast<std::size_t>(m.value)]);
        }

        const obj::FaceCorners::Face face = faceCorners.read(k, corners);
        const int count = face.count;
        if (face.outOfRange && !keepUsable(corners, count, k < reader.faceLines.size() ? reader.faceLines[k] : 0,
                                           droppedFaces, badTexts, badNormals))
            continue;

        float faceNormal[3] = {0, 0, 0};
        if (face.needsNormal)
            obj::polygonNormal(positions, corners, count, faceNormal);
        float flatNormal[3] = {faceNormal[0], faceNormal[1], faceNormal[2]};
        if (face.needsNormal && group == 0)
            obj::normalise(flatNormal);

        if (group == 0 && !face.givesNormal) {
            vertices.makeFlat(corners, count, flatNormal, vertexOf);
        } else {
            for (int c = 0; c < count; ++c) {
                const obj::Corner& corner = corners[c];
                int sum = 0;
                if (corner.normal < 0) {
                    if (group == 0) {
                        vertexOf[c] = vertices.make(corner, flatNormal); // s off: no sharing across faces
                        continue;
                    }
                    sum = sums.add(static_cast<std::size_t>(corner.position), group, faceNormal);
                }
                vertexOf[c] = vertices.share(corner, sum);
            }
        }

        materialRanges.beginFace(indexOut.size());
        unsigned* index = indexOut.take(3 * static_cast<std::size_t>(count - 2));
        if (count == 3) {
            index[0] = vertexOf[0];
            index[1] = vertexOf[1];
            index[2] = vertexOf[2];
        } else {
            obj::triangulate(positions, corners, count, faceNormal, triangles);
            for (int i = 0; i < 3 * (count - 2); ++i)
                index[i] = vertexOf[triangles[i]];
        }
    }
    indexOut.finish();
    vertices.finish(sums, low, high);
    materialRanges.finish(indices.size());

    describe(faults, reader.shortFaces.count, reader.shortFaces.firstLine, "face line", "face lines",
             "with fewer than 3 corners skipped");
    describe(faults, reader.paddedLines.count, reader.paddedLines.firstLine, "value line", "value lines",
             "short of values padded with 0");
    describe(faults, droppedFaces.count, droppedFaces.firstLine, "face", "faces",
             "with a position index out of range dropped");
    describe(faults, badNormals.count, badNormals.firstLine, "corner", "corners",
             "with a normal index out of range given a made one");
    describe(faults, badTexts.count, badTexts.firstLine, "corner", "corners",
             "with a texture index out of range given none");
    if (materialRanges.unknownNames() > 0 && !libraryFailed)
        describe(faults, materialRanges.unknownNames(), 0, "usemtl line", "usemtl lines",
                 ("naming no material read, \"" + materialRanges.firstUnknownName() +
                  "\" the first, drawn with the default")
                     .c_str());
    if (!faults.empty()) {
        faults = (source.empty() ? std::string("<memory>") : source) + ": " + faults;
        if (!source.empty())
            logMessage(LogLevel::Warning, faults.c_str());
    }
}

std::string Model::info() const
{
    return "triangles " + std::to_string(indices.size() / 3) + ", vertices " +
           std::to_string(vertexData.size() / kFloatsPerVertex) + ", materials " + std::to_string(materials.size());
}

// ---- Upload and drawing -------------------------------------------------------------

void Model::createOpenGLBinding()
{
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(2, vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo[0]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexData.size() * sizeof(float)), vertexData.data(),
                 GL_STATIC_DRAW);
    const GLsizei stride = kFloatsPerVertex * sizeof(float);
    const int sizes[3] = {3, 3, 2};
    for (GLuint attribute = 0, offset = 0; attribute < 3; offset += static_cast<GLuint>(sizes[attribute++])) {
        glVertexAttribPointer(attribute, sizes[attribute], GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(static_cast<std::uintptr_t>(offset * sizeof(float))));
        glEnableVertexAttribArray(attribute);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, vbo[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(unsigned)),
                 indices.data(), GL_STATIC_DRAW);
    glBindVertexArray(0);

    // The white picture of plain materials, read from our texel whatever unpack
    // state (a bound unpack buffer, skipped rows) the caller left.
    const unsigned char texel[4] = {255, 255, 255, 255};
    glGenTextures(1, &white);
    glBindTexture(GL_TEXTURE_2D, white);
    {
        const gl::TightRows tight;
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

    // One texture per picture file, however many materials use it.
    std::unordered_map<std::string, GLuint> loaded; // 0 where the file would not load
    pictures.clear();
    textureOf.assign(materials.size(), white);
    for (std::size_t i = 0; i < materials.size(); ++i) {
        Material& material = materials[i];
        if (material.picture.empty())
            continue;
        auto found = loaded.find(material.picture);
        if (found == loaded.end()) {
            auto picture = std::make_unique<Texture>(material.picture.c_str(), imageTypeOf(material.picture));
            GLuint name = picture->getTexID();
            if (picture->getWidth() > 0) {
                pictures.push_back(std::move(picture));
            } else {
                glDeleteTextures(1, &name); // the decoder has named the file
                name = 0;
            }
            found = loaded.emplace(material.picture, name).first;
        }
        if (found->second)
            textureOf[i] = found->second;
        else
            material = defaultMaterial;
    }
}

void Model::draw(unsigned program)
{
    const GLint colour = glGetUniformLocation(program, "materialColour");
    const GLint sampler = glGetUniformLocation(program, "materialPicture");
    glUniform1i(sampler, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindVertexArray(vao);
    for (const Range& range : ranges) {
        glUniform4fv(colour, 1, materials[range.material].colour);
        glBindTexture(GL_TEXTURE_2D, textureOf[range.material]);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(range.count), GL_UNSIGNED_INT,
                       reinterpret_cast<const void*>(range.first * sizeof(unsigned)));
    }
}

} // namespace vornak_engine
