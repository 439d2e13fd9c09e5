#include "vornak/Model.h"
#include "vornak/Log.h"

#include "vornak/FileData.h"
#include "vornak/Texture.h"

#include "vornak/GL.h"
#if defined(__linux__)
#include <sys/mman.h>
#endif

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

constexpr int kFloatsPerVertex = 8;
// A face line holds at most 199 characters, so at most 100 corners or so.
constexpr int kMaxCorners = 3 + 100;
// The group of faces before any `s` line: smooth, like a group of its own.
constexpr int kNoGroupYet = std::numeric_limits<int>::min();

// 0-based indices; -1 for none.
struct Corner {
    int position, text, normal;
};

// A 1-based or relative index as written to a 0-based one: -1 for none (0), -2 for
// one outside [0, limit). `before` is the list's length when the face was read.
inline int resolve(int written, const long long* before, std::size_t limit)
{
    if (written > 0)
        return static_cast<std::size_t>(written) - 1 < limit ? written - 1 : -2;
    if (written == 0)
        return -1;
    const long long index = before ? *before + written : -1;
    return index >= 0 && static_cast<unsigned long long>(index) < limit ? static_cast<int>(index) : -2;
}

// Newell's normal: twice the area, pointing out of a counter-clockwise face, and
// sound for faces that are not quite flat.
void polygonNormal(const float* positions, const Corner* corners, int count, float out[3])
{
    if (count == 3) {
        // The same for a triangle, in fewer steps: the cross product of two edges.
        const float* a = positions + 3 * corners[0].position;
        const float* b = positions + 3 * corners[1].position;
        const float* c = positions + 3 * corners[2].position;
        const float e[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const float f[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        out[0] = e[1] * f[2] - e[2] * f[1];
        out[1] = e[2] * f[0] - e[0] * f[2];
        out[2] = e[0] * f[1] - e[1] * f[0];
        return;
    }
    out[0] = out[1] = out[2] = 0.0f;
    for (int i = 0; i < count; ++i) {
        const float* a = positions + 3 * corners[i].position;
        const float* b = positions + 3 * corners[i + 1 == count ? 0 : i + 1].position;
        out[0] += (a[1] - b[1]) * (a[2] + b[2]);
        out[1] += (a[2] - b[2]) * (a[0] + b[0]);
        out[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
}

void normalise(float* v)
{
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0.0f && std::isfinite(length)) {
        const float inverse = 1.0f / length;
        v[0] *= inverse;
        v[1] *= inverse;
        v[2] *= inverse;
    }
}

inline float cross2(const float* o, const float* a, const float* b)
{
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

bool insideTriangle(const float* p, const float* a, const float* b, const float* c)
{
    return cross2(a, b, p) >= 0 && cross2(b, c, p) >= 0 && cross2(c, a, p) >= 0;
}

// True when every triangle of the fan from corner 0 turns the face's way: then the
// fan covers the face exactly once (so for every convex face).
inline bool fanTurnsAlong(const float* positions, const Corner* corners, int count, const float normal[3])
{
    const float* first = positions + 3 * corners[0].position;
    bool fan = true;
    for (int i = 1; i + 1 < count && fan; ++i) {
        const float* a = positions + 3 * corners[i].position;
        const float* b = positions + 3 * corners[i + 1].position;
        const float e[3] = {a[0] - first[0], a[1] - first[1], a[2] - first[2]};
        const float f[3] = {b[0] - first[0], b[1] - first[1], b[2] - first[2]};
        fan = (e[1] * f[2] - e[2] * f[1]) * normal[0] + (e[2] * f[0] - e[0] * f[2]) * normal[1] +
                  (e[0] * f[1] - e[1] * f[0]) * normal[2] >=
              0;
    }
    return fan;
}

// Triangles as corner numbers, count - 2 of them (3 * (count - 2) numbers to `out`),
// each made of the face's own corners: the fan where it covers the face, else ears
// cut in the plane the normal faces, so no triangle covers what lies outside the
// outline. The fan is checked inline; only other faces pay for a call.
void triangulateOther(const float* positions, const Corner* corners, int count, const float normal[3], int* out);

inline void triangulate(const float* positions, const Corner* corners, int count, const float normal[3], int* out)
{
    if (!fanTurnsAlong(positions, corners, count, normal)) {
        triangulateOther(positions, corners, count, normal, out);
        return;
    }
    for (int i = 1; i + 1 < count; ++i, out += 3)
        out[0] = 0, out[1] = i, out[2] = i + 1;
}

void triangulateOther(const float* positions, const Corner* corners, int count, const float normal[3], int* out)
{
    // Drop the axis the normal leans on most.
    int axis = 2;
    const float ax = std::fabs(normal[0]), ay = std::fabs(normal[1]), az = std::fabs(normal[2]);
    if (ax >= ay && ax >= az)
        axis = 0;
    else if (ay >= az)
        axis = 1;
    const int u = axis == 0 ? 1 : 0, v = axis == 2 ? 1 : 2;
    float flat[kMaxCorners][2];
    for (int i = 0; i < count; ++i) {
        const float* p = positions + 3 * corners[i].position;
        flat[i][0] = p[u];
        flat[i][1] = p[v];
    }
    float orientation = 0.0f;
    for (int i = 0; i < count; ++i) {
        const float* b = flat[(i + 1) % count];
        orientation += flat[i][0] * b[1] - b[0] * flat[i][1];
    }
    if (!(orientation != 0.0f) || !std::isfinite(orientation)) {
        // No plane to cut in.
        for (int i = 1; i + 1 < count; ++i, out += 3)
            out[0] = 0, out[1] = i, out[2] = i + 1;
        return;
    }
    // Counter-clockwise in the plane, so an ear turns left.
    int left[kMaxCorners];
    for (int i = 0; i < count; ++i)
        left[i] = orientation > 0 ? i : count - 1 - i;
    int remaining = count;
    while (remaining > 3) {
        int ear = -1;
        for (int i = 0; i < remaining && ear < 0; ++i) {
            const int a = left[(i + remaining - 1) % remaining], b = left[i], c = left[(i + 1) % remaining];
            if (cross2(flat[a], flat[b], flat[c]) <= 0)
                continue;
            bool empty = true;
            for (int j = 0; j < remaining && empty; ++j) {
                const int p = left[j];
                if (p != a && p != b && p != c)
                    empty = !insideTriangle(flat[p], flat[a], flat[b], flat[c]);
            }
            if (empty)
                ear = i;
        }
        if (ear < 0)
            ear = 0; // crossing or degenerate outline: any cut still uses its own corners
        const int a = left[(ear + remaining - 1) % remaining], b = left[ear], c = left[(ear + 1) % remaining];
        *out++ = a, *out++ = b, *out++ = c;
        std::copy(left + ear + 1, left + remaining, left + ear);
        --remaining;
    }
    *out++ = left[0], *out++ = left[1], *out++ = left[2];
    if (orientation < 0) {
        // Cut in reverse order; put each triangle back in the face's own winding.
        for (int* triangle = out - 3 * (count - 2); triangle < out; triangle += 3)
            std::swap(triangle[1], triangle[2]);
    }
}

// A big model's vertices and indices are tens of megabytes written once, front to
// back: faulted in 4 KB at a time they make the whole assembly some 40% slower.
// Only advice, for whole 2 MB pages inside the list; a kernel without them ignores it.
template <typename T>
void preferLargePages(const std::vector<T>& list)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kLarge = std::uintptr_t(2) << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(list.data());
    const std::uintptr_t end = begin + list.capacity() * sizeof(T);
    const std::uintptr_t from = (begin + kLarge - 1) & ~(kLarge - 1), to = end & ~(kLarge - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE); // only advice: failure changes nothing
#else
    (void)list;
#endif
}

// Appends to a list through a pointer. The list grows by resize() a block at a
// time, so its zero-fill runs just ahead of the writes, in cache, and each append
// is one compare; finish() cuts the list to what was written.
template <typename T>
class Appender {
public:
    explicit Appender(std::vector<T>& list) : list(list), next(list.data() + list.size()), limit(next) {}
    T* take(std::size_t n)
    {
        if (static_cast<std::size_t>(limit - next) < n)
            grow(n);
        T* taken = next;
        next += n;
        return taken;
    }
    std::size_t size() const { return static_cast<std::size_t>(next - list.data()); }
    void finish() { list.resize(size()); }

private:
    void grow(std::size_t n)
    {
        constexpr std::size_t kBlock = (std::size_t(64) << 10) / sizeof(T);
        const std::size_t used = size();
        const T* const before = list.data();
        list.resize(std::max(std::min(list.capacity(), used + kBlock), used + n));
        if (list.data() != before)
            preferLargePages(list); // outgrew its reserve
        next = list.data() + used;
        limit = list.data() + list.size();
    }

    std::vector<T>& list;
    T* next;
    T* limit;
};

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

void Model::assemble(const ObjReader& reader, const std::vector<Material>& library, const std::string& source)
{
    vertexData.clear();
    indices.clear();
    materials.clear();
    ranges.clear();
    faults.clear();

    const float* const positions = reader.vertices.data();
    const float* const fileTexts = reader.textCoords.data();
    const float* const fileNormals = reader.normals.data();
    const std::size_t positionCount = reader.vertices.size() / 3;
    const std::size_t textCount = reader.textCoords.size() / 2;
    const std::size_t normalCount = reader.normals.size() / 3;
    const std::size_t faceCount = reader.faces.size();
    const MeshIndex* const faces = reader.faces.data();
    vertexData.reserve(kFloatsPerVertex * std::min(positionCount + faceCount, 4 * faceCount));
    // Every triangle the faces can give: a face of n corners gives n - 2.
    indices.reserve(3 * faceCount + reader.extraCorners.size());
    preferLargePages(vertexData);
    preferLargePages(indices);
    Appender<float> vertexOut(vertexData);
    Appender<unsigned> indexOut(indices);

    // Materials: library entries by name, and the default one after them.
    std::unordered_map<std::string, std::size_t> byName;
    for (std::size_t i = 0; i < library.size(); ++i)
        byName.emplace(library[i].name, i);
    const std::size_t defaultKey = library.size();
    std::vector<std::size_t> usedAs(library.size() + 1, SIZE_MAX);
    std::size_t materialKey = defaultKey;
    std::size_t rangeKey = SIZE_MAX; // the material key of the range faces go to now
    long long unknownNames = 0;
    std::string firstUnknown;

    // The vertices made so far for each position, as a list through `next`, newest
    // first: a corner reuses one with its texture coordinate and normal (or smoothing
    // sum), both packed into `pair` so one compare tells. Lists are under 2^31 entries
    // (a file of many gigabytes), so ints hold every index. Flat vertices are in no
    // list, so they have no key.
    std::vector<int> head;
    head.reserve(positionCount);
    preferLargePages(head);
    head.assign(positionCount, -1);
    struct Key {
        std::uint64_t pair; // the texture coordinate, and above it a file normal or -2 - a smoothing sum
        int next;
        unsigned vertex;
    };
    auto pack = [](int text, int normal) {
        return static_cast<std::uint32_t>(text) | std::uint64_t(static_cast<std::uint32_t>(normal)) << 32;
    };
    std::vector<Key> keys;
    keys.reserve(std::min(positionCount + faceCount, 4 * faceCount));
    preferLargePages(keys);
    // Smoothing sums, one per position and group, listed per position the same way.
    struct Sum {
        int group;
        int next;
        float normal[3];
    };
    std::vector<int> sumHead;
    std::vector<Sum> sums;

    Tally droppedFaces, badTexts, badNormals;
    int group = kNoGroupYet;
    std::size_t relative = 0, polygon = 0, mark = 0;
    Corner corners[kMaxCorners];
    unsigned vertexOf[kMaxCorners];
    int triangles[3 * (kMaxCorners - 2)];
    float lowest[3] = {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity(),
                       std::numeric_limits<float>::infinity()};
    float highest[3] = {-lowest[0], -lowest[1], -lowest[2]};

    // Bounds are taken here, from the position each new vertex copies.
    auto makeVertex = [&](const Corner& c, const float* normal) {
        float* vertex = vertexOut.take(kFloatsPerVertex);
        const float* position = positions + 3 * static_cast<std::size_t>(c.position);
        for (int i = 0; i < 3; ++i) {
            vertex[i] = position[i];
            lowest[i] = std::min(lowest[i], position[i]);
            highest[i] = std::max(highest[i], position[i]);
        }
        for (int i = 0; i < 3; ++i)
            vertex[3 + i] = normal ? normal[i] : 0.0f;
        const float* text = c.text >= 0 ? fileTexts + 2 * static_cast<std::size_t>(c.text) : nullptr;
        vertex[6] = text ? text[0] : 0.0f;
        vertex[7] = text ? text[1] : 0.0f;
        return static_cast<unsigned>(vertexOut.size() / kFloatsPerVertex - 1);
    };

    // The face at which the next mark, relative face and polygon apply.
    auto faceOf = [](const auto& list, std::size_t at) { return at < list.size() ? list[at].face : SIZE_MAX; };
    std::size_t markFace = faceOf(reader.marks, 0), relativeFace = faceOf(reader.relativeFaces, 0),
                polygonFace = faceOf(reader.polygons, 0);
    for (std::size_t k = 0; k < faceCount; ++k) {
        for (; markFace <= k; markFace = faceOf(reader.marks, ++mark)) {
            const ObjReader::Mark& m = reader.marks[mark];
            if (m.kind == ObjReader::SMOOTHING) {
                group = m.value;
            } else if (m.kind == ObjReader::USE_MATERIAL) {
                const std::string& name = reader.names[static_cast<std::size_t>(m.value)];
                const auto found = byName.find(name);
                materialKey = found == byName.end() ? defaultKey : found->second;
                if (found == byName.end() && unknownNames++ == 0)
                    firstUnknown = name;
            }
        }
        const long long* before[3] = {nullptr, nullptr, nullptr};
        if (relativeFace == k) {
            const ObjReader::ListCounts& counts = reader.relativeFaces[relative];
            relativeFace = faceOf(reader.relativeFaces, ++relative);
            before[0] = &counts.positions, before[1] = &counts.texts, before[2] = &counts.normals;
        }
        auto line = [&] { return k < reader.faceLines.size() ? reader.faceLines[k] : 0; }; // for faults only

        const MeshIndex& face = faces[k];
        int count = 3;
        const int* more = nullptr;
        if (polygonFace == k) {
            const ObjReader::Polygon& p = reader.polygons[polygon];
            polygonFace = faceOf(reader.polygons, ++polygon);
            more = &reader.extraCorners[3 * p.first];
            count += std::min(p.count, kMaxCorners - 3);
        }
        // Any out-of-range index sets the sign bit of `bad`, any missing normal that of
        // `lacking` and any normal given that of `having`, so the common face takes no
        // branch per corner.
        int bad = 0, lacking = count > 3 ? -1 : 0, having = 0;
        auto take = [&](Corner& corner, int position, int text, int normal) {
            corner.position = resolve(position, before[0], positionCount);
            corner.text = resolve(text, before[1], textCount);
            corner.normal = resolve(normal, before[2], normalCount);
            bad |= corner.position | (corner.text + 1) | (corner.normal + 1);
            lacking |= corner.normal;
            having |= ~corner.normal;
        };
        for (int c = 0; c < 3; ++c)
            take(corners[c], face.vertex[c], face.text[c], face.normal[c]);
        for (int c = 3; c < count; ++c)
            take(corners[c], more[3 * (c - 3)], more[3 * (c - 3) + 1], more[3 * (c - 3) + 2]);
        if (bad < 0) {
            bool usable = true;
            for (int c = 0; c < count; ++c) {
                Corner& corner = corners[c];
                usable = usable && corner.position >= 0;
                if (corner.text == -2) {
                    badTexts.add(line());
                    corner.text = -1;
                }
                if (corner.normal == -2) {
                    badNormals.add(line());
                    corner.normal = -1;
                }
            }
            if (!usable) {
                droppedFaces.add(line());
                continue;
            }
        }
        const bool needNormal = lacking < 0;

        float faceNormal[3] = {0, 0, 0};
        if (needNormal)
            polygonNormal(positions, corners, count, faceNormal);
        float flatNormal[3] = {faceNormal[0], faceNormal[1], faceNormal[2]};
        if (needNormal && group == 0)
            normalise(flatNormal);

        if (group == 0 && having >= 0) {
            // A flat face with no normal of its own: its vertices are new and in a row.
            const unsigned first = static_cast<unsigned>(vertexOut.size() / kFloatsPerVertex);
            float* vertex = vertexOut.take(kFloatsPerVertex * static_cast<std::size_t>(count));
            for (int c = 0; c < count; ++c, vertex += kFloatsPerVertex) {
                const float* position = positions + 3 * static_cast<std::size_t>(corners[c].position);
                for (int i = 0; i < 3; ++i) {
                    vertex[i] = position[i];
                    lowest[i] = std::min(lowest[i], position[i]);
                    highest[i] = std::max(highest[i], position[i]);
                    vertex[3 + i] = flatNormal[i];
                }
                const int text = corners[c].text;
                vertex[6] = text >= 0 ? fileTexts[2 * static_cast<std::size_t>(text)] : 0.0f;
                vertex[7] = text >= 0 ? fileTexts[2 * static_cast<std::size_t>(text) + 1] : 0.0f;
                vertexOf[c] = first + static_cast<unsigned>(c);
            }
        } else for (int c = 0; c < count; ++c) {
            const Corner& corner = corners[c];
            const std::size_t slot = static_cast<std::size_t>(corner.position);
            int normalKey;
            if (corner.normal >= 0) {
                normalKey = corner.normal;
            } else if (group == 0) {
                // s off: no sharing across faces, and out of every list.
                vertexOf[c] = makeVertex(corner, flatNormal);
                continue;
            } else {
                if (sumHead.empty()) {
                    sumHead.reserve(positionCount);
                    preferLargePages(sumHead);
                    sumHead.assign(positionCount, -1);
                    // At most one sum per position and group: mostly one per position.
                    sums.reserve(positionCount);
                    preferLargePages(sums);
                }
                int s = sumHead[slot];
                while (s >= 0 && sums[static_cast<std::size_t>(s)].group != group)
                    s = sums[static_cast<std::size_t>(s)].next;
                if (s < 0) {
                    s = static_cast<int>(sums.size());
                    sums.push_back({group, sumHead[slot], {0, 0, 0}});
                    sumHead[slot] = s;
                }
                float* sum = sums[static_cast<std::size_t>(s)].normal;
                sum[0] += faceNormal[0];
                sum[1] += faceNormal[1];
                sum[2] += faceNormal[2];
                normalKey = -2 - s;
            }
            const std::uint64_t pair = pack(corner.text, normalKey);
            int key = head[slot];
            while (key >= 0 && keys[static_cast<std::size_t>(key)].pair != pair)
                key = keys[static_cast<std::size_t>(key)].next;
            if (key < 0) {
                const float* normal =
                    corner.normal >= 0 ? fileNormals + 3 * static_cast<std::size_t>(corner.normal) : nullptr;
                key = static_cast<int>(keys.size());
                keys.push_back({pair, head[slot], makeVertex(corner, normal)});
                head[slot] = key;
            }
            vertexOf[c] = keys[static_cast<std::size_t>(key)].vertex;
        }

        if (materialKey != rangeKey) {
            if (!ranges.empty())
                ranges.back().count = indexOut.size() - ranges.back().first;
            if (usedAs[materialKey] == SIZE_MAX) {
                usedAs[materialKey] = materials.size();
                materials.push_back(materialKey == defaultKey ? defaultMaterial : library[materialKey]);
            }
            ranges.push_back({indexOut.size(), 0, usedAs[materialKey]});
            rangeKey = materialKey;
        }
        unsigned* index = indexOut.take(3 * static_cast<std::size_t>(count - 2));
        if (count == 3) {
            index[0] = vertexOf[0];
            index[1] = vertexOf[1];
            index[2] = vertexOf[2];
        } else {
            triangulate(positions, corners, count, faceNormal, triangles);
            for (int i = 0; i < 3 * (count - 2); ++i)
                index[i] = vertexOf[triangles[i]];
        }
    }
    vertexOut.finish();
    indexOut.finish();
    if (!ranges.empty())
        ranges.back().count = indices.size() - ranges.back().first;

    for (Sum& sum : sums)
        normalise(sum.normal);
    if (!sums.empty()) {
        for (const Key& key : keys) {
            const int normal = static_cast<int>(key.pair >> 32);
            if (normal <= -2)
                std::memcpy(&vertexData[kFloatsPerVertex * std::size_t(key.vertex) + 3],
                            sums[static_cast<std::size_t>(-2 - normal)].normal, 3 * sizeof(float));
        }
    }

    for (int i = 0; i < 3; ++i) {
        low[i] = vertexData.empty() ? 0.0f : lowest[i];
        high[i] = vertexData.empty() ? 0.0f : highest[i];
    }

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
    if (unknownNames > 0 && !libraryFailed)
        describe(faults, unknownNames, 0, "usemtl line", "usemtl lines",
                 ("naming no material read, \"" + firstUnknown + "\" the first, drawn with the default").c_str());
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

    // The white picture of plain materials; the unpack buffer a caller left bound
    // would turn the pointer into an offset, so it is set aside for the upload.
    GLint unpackBuffer = 0;
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpackBuffer);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    const unsigned char texel[4] = {255, 255, 255, 255};
    glGenTextures(1, &white);
    glBindTexture(GL_TEXTURE_2D, white);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(unpackBuffer));

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
