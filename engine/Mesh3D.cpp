#include "vornak/Mesh3D.h"

#include <GL/glew.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vornak_engine {

namespace {

// Whole lines are at most 199 characters, so the reader must see up to 200 to decide.
constexpr std::size_t kLineBuffer = 200;
constexpr std::size_t kChunk = std::size_t(1) << 20;

inline bool isSeparator(char c)
{
    return c == ' ' || c == '\n';
}

// White space strtod skips that can sit inside a token.
inline bool isInnerSpace(char c)
{
    return c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

inline bool isDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

float slowFloat(const char* begin, const char* end)
{
    char token[kLineBuffer];
    const std::size_t length = static_cast<std::size_t>(end - begin);
    std::memcpy(token, begin, length);
    token[length] = '\0';
    return static_cast<float>(std::strtod(token, nullptr));
}

// atof on the token [begin, end), narrowed to float. Plain decimals whose digits fit
// 2^53 and whose power of ten is at most 22 are exact in one multiply or divide (both
// operands are exact doubles and IEEE rounds the one operation), which is what atof's
// correct rounding gives; everything else goes to strtod itself.
float toFloat(const char* begin, const char* end)
{
    static const double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = begin;
    while (p < end && isInnerSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
        return slowFloat(begin, end);

    std::uint64_t mantissa = 0;
    int digits = 0;
    int exponent = 0;
    bool any = false;
    while (p < end && *p == '0') {
        ++p;
        any = true;
    }
    for (; p < end && isDigit(*p); ++p) {
        if (++digits > 19)
            return slowFloat(begin, end);
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        any = true;
    }
    if (p < end && *p == '.') {
        ++p;
        if (digits == 0) {
            for (; p < end && *p == '0'; ++p) {
                --exponent;
                any = true;
            }
        }
        for (; p < end && isDigit(*p); ++p) {
            if (++digits > 19)
                return slowFloat(begin, end);
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
            --exponent;
            any = true;
        }
    }
    if (!any)
        return slowFloat(begin, end); // no digits: inf, nan or no number at all
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool negativeExponent = false;
        if (q < end && (*q == '+' || *q == '-')) {
            negativeExponent = *q == '-';
            ++q;
        }
        if (q < end && isDigit(*q)) {
            int written = 0;
            for (; q < end && isDigit(*q); ++q) {
                if (written < 100000)
                    written = written * 10 + (*q - '0');
            }
            exponent += negativeExponent ? -written : written;
        }
    }
    double value = 0.0;
    if (mantissa != 0) {
        if (mantissa > (std::uint64_t(1) << 53) || exponent < -22 || exponent > 22)
            return slowFloat(begin, end);
        const double m = static_cast<double>(mantissa);
        value = exponent < 0 ? m / kPowers[-exponent] : m * kPowers[exponent];
    }
    return static_cast<float>(negative ? -value : value);
}

// A 1-based index into a list of `size` entries as a 0-based one, or -1 when it
// names no entry. Relative indices are resolved before this.
inline long long resolve(int index, std::size_t size)
{
    return index > 0 && static_cast<std::size_t>(index) <= size ? index - 1 : -1;
}

// A relative index counted back from `count` entries, as 1-based; 0 when it names none.
inline int fromEnd(int index, long long count)
{
    const long long absolute = count + index + 1;
    return absolute >= 1 && absolute <= INT_MAX ? static_cast<int>(absolute) : 0;
}

inline bool anyRelative(const MeshIndex& face)
{
    int bits = 0;
    for (int c = 0; c < 3; ++c)
        bits |= face.vertex[c] | face.text[c] | face.normal[c];
    return bits < 0;
}

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

Mesh3D::Mesh3D(const char* path)
{
    loadOBJ(path);
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
    source = path ? path : "";
    if (!path)
        return;
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return;
    // Chunks, not the whole file: a line that straddles two chunks moves to the front.
    std::vector<char> buffer(kChunk + kLineBuffer);
    std::size_t held = 0;
    lineNumber = 0;
    readingDone = false;
    bool atEnd = false;
    while (!readingDone && !atEnd) {
        const std::size_t got = std::fread(buffer.data() + held, 1, buffer.size() - held, file);
        held += got;
        atEnd = got == 0 || std::feof(file) || std::ferror(file);
        const std::size_t used = readLines(buffer.data(), held, atEnd);
        std::memmove(buffer.data(), buffer.data() + used, held - used);
        held -= used;
    }
    std::fclose(file);
}

void Mesh3D::parseOBJ(const char* bytes, std::size_t size)
{
    lineNumber = 0;
    readingDone = false;
    readLines(bytes, size, true);
}

std::size_t Mesh3D::readLines(const char* bytes, std::size_t size, bool atEnd)
{
    std::size_t used = 0;
    while (!readingDone && used < size) {
        const char* line = bytes + used;
        const std::size_t left = size - used;
        const std::size_t window = left < kLineBuffer ? left : kLineBuffer;
        const char* newline = static_cast<const char*>(std::memchr(line, '\n', window));
        const char* end;
        if (newline) {
            end = newline;
            used += static_cast<std::size_t>(newline - line) + 1;
        } else if (left >= kLineBuffer) {
            // 199 characters fill the buffer and the next is no newline: the stream
            // fails, so this part is the last thing read.
            end = line + kLineBuffer - 1;
            readingDone = true;
        } else if (atEnd) {
            end = bytes + size;
            used = size;
        } else {
            break;
        }
        ++lineNumber;
        // The line is a C string: a NUL in it ends what is seen of it.
        if (const void* nul = std::memchr(line, '\0', static_cast<std::size_t>(end - line)))
            end = static_cast<const char*>(nul);
        readLine(line, end);
    }
    if (atEnd)
        readingDone = true;
    return used;
}

void Mesh3D::readLine(const char* line, const char* end)
{
    const std::size_t length = static_cast<std::size_t>(end - line);
    if (length < 2)
        return;
    if (line[0] == 'v') {
        if (line[1] == ' ') {
            readValues(line, end, 3, vertices);
        } else if (line[1] == 't') {
            hasText = true;
            readValues(line, end, 2, textCoords);
        } else if (line[1] == 'n') {
            hasNormals = true;
            readValues(line, end, 3, normals);
        }
    } else if (line[0] == 'f' && line[1] == ' ') {
        MeshIndex face;
        if (MeshIndex::readFace(line, end, face) < 3) {
            shortFaces.add(lineNumber);
            return;
        }
        if (anyRelative(face))
            relativeFaces.push_back({faces.size(), static_cast<long long>(vertices.size() / 3),
                                     static_cast<long long>(textCoords.size() / 2),
                                     static_cast<long long>(normals.size() / 3)});
        faces.push_back(face);
        faceLines.push_back(lineNumber);
    }
}

// Skips the keyword and appends `count` values; missing ones are 0 so that every
// line adds one whole entry and later indices keep their meaning.
void Mesh3D::readValues(const char* p, const char* end, int count, std::vector<float>& list)
{
    while (p < end && isSeparator(*p))
        ++p;
    while (p < end && !isSeparator(*p))
        ++p;
    bool padded = false;
    for (int i = 0; i < count; ++i) {
        while (p < end && isSeparator(*p))
            ++p;
        if (p == end) {
            list.push_back(0.0f);
            padded = true;
            continue;
        }
        const char* token = p;
        while (p < end && !isSeparator(*p))
            ++p;
        list.push_back(toFloat(token, p));
    }
    if (padded)
        paddedLines.add(lineNumber);
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
        MeshIndex resolved;
        const bool isRelative = relative != relativeFaces.end() && relative->face == k;
        if (isRelative)
            resolved = absoluteFace(k), ++relative;
        const MeshIndex& face = isRelative ? resolved : faces[k];
        const int line = k < faceLines.size() ? faceLines[k] : 0;
        long long v[3];
        for (int c = 0; c < 3; ++c)
            v[c] = resolve(face.vertex[c], positions);
        // The position is both the element index and the slot, so it is checked first.
        if (v[0] < 0 || v[1] < 0 || v[2] < 0) {
            droppedFaces.add(line);
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            indexArray.push_back(static_cast<int>(v[c]));
            if (hasNormals) {
                const long long n = resolve(face.normal[c], normalCount);
                if (n < 0)
                    badNormals.add(line);
                else
                    std::memcpy(&normalArray[3 * v[c]], &normals[3 * n], 3 * sizeof(float));
            }
            if (hasText) {
                const long long t = resolve(face.text[c], textureCount);
                if (t < 0)
                    badTexts.add(line);
                else
                    std::memcpy(&textArray[2 * v[c]], &textCoords[2 * t], 2 * sizeof(float));
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
            std::fprintf(stderr, "%s\n", faults.c_str());
    }
}

MeshIndex Mesh3D::absoluteFace(std::size_t k) const
{
    MeshIndex face = faces.at(k);
    auto counts = std::lower_bound(relativeFaces.begin(), relativeFaces.end(), k,
                                   [](const ListCounts& entry, std::size_t face) { return entry.face < face; });
    if (counts == relativeFaces.end() || counts->face != k)
        return face;
    for (int c = 0; c < 3; ++c) {
        if (face.vertex[c] < 0)
            face.vertex[c] = fromEnd(face.vertex[c], counts->positions);
        if (face.text[c] < 0)
            face.text[c] = fromEnd(face.text[c], counts->texts);
        if (face.normal[c] < 0)
            face.normal[c] = fromEnd(face.normal[c], counts->normals);
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
