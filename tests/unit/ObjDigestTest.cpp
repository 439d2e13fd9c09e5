// Every output of the OBJ and .mtl readings, to the bit, against the digests in
// tests/fixtures/obj-digests.txt: the repository's OBJ files and corpora, plus two
// generated files that reach every path (polygons of up to 9 corners, smoothing
// groups, materials, relative and out-of-range indices, odd numbers). A change to
// what any of them gives fails here; when a change is meant, rewrite the file with
// VORNAK_WRITE_OBJ_DIGESTS=1 and say why in the commit.

#include "vornak/Log.h"
#include "vornak/Mesh3D.h"
#include "vornak/Model.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using vornak_engine::Mesh3D;
using vornak_engine::MeshIndex;
using vornak_engine::Model;
using vornak_engine::ObjReader;

const std::string kRoot = VORNAK_SOURCE_DIR "/";
const std::string kDigests = kRoot + "tests/fixtures/obj-digests.txt";

// FNV-1a over the bytes of everything added.
class Digest {
public:
    void bytes(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i)
            hash = (hash ^ p[i]) * 0x100000001b3ull;
    }
    template <typename T>
    void value(const T& v)
    {
        bytes(&v, sizeof v);
    }
    template <typename T>
    void list(const std::vector<T>& v)
    {
        value(v.size());
        if (!v.empty())
            bytes(v.data(), v.size() * sizeof(T));
    }
    void text(const std::string& s)
    {
        value(s.size());
        bytes(s.data(), s.size());
    }
    void face(const MeshIndex& f)
    {
        bytes(f.vertex, sizeof f.vertex);
        bytes(f.text, sizeof f.text);
        bytes(f.normal, sizeof f.normal);
    }
    void tally(const ObjReader::Tally& t)
    {
        value(t.count);
        value(t.firstLine);
    }
    std::string hex() const
    {
        char out[17];
        std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(hash));
        return out;
    }

private:
    std::uint64_t hash = 0xcbf29ce484222325ull;
};

// The engine's lines while it lives, with `strip` cut out so temporary and source
// directories do not reach the digests.
class Messages {
public:
    explicit Messages(std::vector<std::string> strip) : strip(std::move(strip))
    {
        vornak_engine::setLogCallback(
            [](vornak_engine::LogLevel level, const char* message, void* user) {
                static_cast<Messages*>(user)->lines.push_back(std::to_string(static_cast<int>(level)) + message);
            },
            this);
    }
    ~Messages() { vornak_engine::setLogCallback(nullptr); }

    std::string clean(std::string s) const
    {
        for (const std::string& cut : strip) {
            for (std::size_t at; !cut.empty() && (at = s.find(cut)) != std::string::npos;)
                s.erase(at, cut.size());
        }
        return s;
    }
    void addTo(Digest& d) const
    {
        d.value(lines.size());
        for (const std::string& line : lines)
            d.text(clean(line));
    }

private:
    std::vector<std::string> strip;
    std::vector<std::string> lines;
};

void addReading(Digest& d, const ObjReader& r)
{
    d.list(r.vertices);
    d.list(r.textCoords);
    d.list(r.normals);
    d.value(r.faces.size());
    for (const MeshIndex& f : r.faces)
        d.face(f);
    d.list(r.faceLines);
    d.value(r.relativeFaces.size());
    for (const ObjReader::ListCounts& c : r.relativeFaces) {
        d.value(c.face);
        d.value(c.positions);
        d.value(c.texts);
        d.value(c.normals);
    }
    d.value(r.hasNormals);
    d.value(r.hasText);
    d.tally(r.paddedLines);
    d.tally(r.shortFaces);
    d.list(r.extraCorners);
    d.value(r.polygons.size());
    for (const ObjReader::Polygon& p : r.polygons) {
        d.value(p.face);
        d.value(p.first);
        d.value(p.count);
    }
    d.value(r.marks.size());
    for (const ObjReader::Mark& m : r.marks) {
        d.value(m.face);
        d.value(static_cast<int>(m.kind));
        d.value(m.value);
    }
    d.value(r.names.size());
    for (const std::string& name : r.names)
        d.text(name);
}

void addMaterial(Digest& d, const Model::Material& m, const Messages& messages)
{
    d.text(m.name);
    d.bytes(m.colour, sizeof m.colour);
    d.text(messages.clean(m.picture));
}

void addModel(Digest& d, const Model& m, const Messages& messages)
{
    d.list(m.vertexData);
    d.list(m.indices);
    d.value(m.materials.size());
    for (const Model::Material& material : m.materials)
        addMaterial(d, material, messages);
    d.value(m.ranges.size());
    for (const Model::Range& r : m.ranges) {
        d.value(r.first);
        d.value(r.count);
        d.value(r.material);
    }
    d.bytes(m.low, sizeof m.low);
    d.bytes(m.high, sizeof m.high);
    d.text(messages.clean(m.faultSummary()));
    d.text(m.info());
}

// Every output for one OBJ file, by kind.
std::map<std::string, std::string> objDigests(const std::string& path, const std::vector<std::string>& strip)
{
    std::map<std::string, std::string> out;
    std::string error;
    const struct {
        const char* name;
        unsigned threads;
        std::size_t chunk;
        bool polygons;
    } readings[] = {
        {"reader", 1, std::size_t(1) << 18, false},
        {"reader-polygons", 1, std::size_t(1) << 18, true},
        {"reader-chunked", 2, 7, false},
        {"reader-polygons-chunked", 2, 61, true},
    };
    for (const auto& r : readings) {
        ObjReader reader;
        ObjReader::Options options;
        options.threads = r.threads;
        options.chunkBytes = r.chunk;
        options.polygons = r.polygons;
        Digest d;
        d.value(reader.readFile(path.c_str(), options, error));
        addReading(d, reader);
        out[r.name] = d.hex();
    }
    {
        Digest d;
        const Messages messages(strip);
        auto mesh = Mesh3D::withoutGL();
        mesh->loadOBJ(path.c_str());
        mesh->buildMesh();
        d.list(mesh->normalArray);
        d.list(mesh->textArray);
        d.list(mesh->indexArray);
        d.value(mesh->indexCount);
        d.value(mesh->textCount);
        d.value(mesh->hasNormals);
        d.value(mesh->hasText);
        for (std::size_t k = 0; k < mesh->faces.size(); ++k)
            d.face(mesh->absoluteFace(k));
        d.list(mesh->faceLines);
        d.text(messages.clean(mesh->faultSummary()));
        messages.addTo(d);
        out["mesh"] = d.hex();
    }
    {
        Digest d;
        const Messages messages(strip);
        auto model = Model::withoutGL();
        d.value(model->load(path.c_str()));
        addModel(d, *model, messages);
        messages.addTo(d);
        out["model"] = d.hex();
    }
    {
        // Names that the files use, one of them twice: the first of a name wins.
        std::vector<Model::Material> library(4);
        const char* names[] = {"a", "b", "a", "paper"};
        for (std::size_t i = 0; i < library.size(); ++i) {
            library[i].name = names[i];
            library[i].colour[0] = 0.1f * static_cast<float>(i);
        }
        Digest d;
        const Messages messages(strip);
        ObjReader reader;
        ObjReader::Options options;
        options.polygons = true;
        reader.readFile(path.c_str(), options, error);
        auto model = Model::withoutGL();
        model->assemble(reader, library);
        addModel(d, *model, messages);
        messages.addTo(d);
        out["model-library"] = d.hex();
    }
    {
        // Each line on its own as a face line, both ways MeshIndex reads one.
        Digest d;
        std::ifstream in(path, std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            line.resize(std::min<std::size_t>(line.size(), 199));
            MeshIndex scanned;
            d.value(MeshIndex::readFace(line.data(), line.data() + line.size(), scanned));
            d.face(scanned);
            std::vector<char> buffer(line.begin(), line.end());
            buffer.push_back('\0');
            d.face(MeshIndex(buffer.data()));
        }
        out["faces"] = d.hex();
    }
    return out;
}

std::string mtlDigest(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<Model::Material> materials;
    const Model::Tally unusable = Model::readMaterials(bytes.data(), bytes.size(), "pictures/", materials);
    Digest d;
    d.tally(unusable);
    const Messages none({});
    d.value(materials.size());
    for (const Model::Material& m : materials)
        addMaterial(d, m, none);
    return d.hex();
}

// A number as exporters and hand-written files spell them.
std::string number(std::uint64_t& state)
{
    auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>(state >> 33);
    };
    const double x = (static_cast<double>(next() % 2000001) - 1000000.0) / 250000.0;
    char out[64];
    switch (next() % 12) {
    case 0: std::snprintf(out, sizeof out, "%.6f", x); break;
    case 1: std::snprintf(out, sizeof out, "%g", x * 1e-7); break;
    case 2: std::snprintf(out, sizeof out, "%.3E", x * 1e12); break;
    case 3: std::snprintf(out, sizeof out, "%d", static_cast<int>(x)); break;
    case 4: std::snprintf(out, sizeof out, "%.20f", x); break;
    case 5: std::snprintf(out, sizeof out, "%a", x); break;
    case 6: std::snprintf(out, sizeof out, "%s", next() % 2 ? "-0" : "1e-45"); break;
    case 7: std::snprintf(out, sizeof out, "%.9g", x * 1e30); break;
    default: std::snprintf(out, sizeof out, "%.4f", x); break;
    }
    return out;
}

// A file with every kind of line and fault the readers and the assembly know.
std::string generated(std::uint64_t seed, int lines, bool longLast)
{
    std::uint64_t state = seed;
    auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>(state >> 33);
    };
    std::string out = "# generated\nmtllib missing.mtl\n";
    int positions = 0, texts = 0, normals = 0;
    // Every draw is its own statement: the order of two in one expression is the compiler's to choose.
    auto index = [&](int count) {
        if (count == 0 || next() % 40 == 0) {
            const int near = static_cast<int>(next() % 5) - 2;
            return std::to_string(near + (next() % 2 ? count + 1 : 0));
        }
        // Mostly the latest entries, so that positions are shared between faces.
        const int back = static_cast<int>(next() % std::min(count, 12));
        return next() % 4 == 0 ? std::to_string(-1 - back) : std::to_string(count - back);
    };
    for (int i = 0; i < lines; ++i) {
        const unsigned kind = next() % 20;
        const char* end = next() % 25 == 0 ? "\r\n" : "\n";
        if (kind < 5) {
            out += "v";
            const int n = next() % 15 == 0 ? 2 + static_cast<int>(next() % 3) : 3;
            for (int j = 0; j < n; ++j) {
                out += " ";
                out += number(state);
            }
            ++positions;
        } else if (kind < 7) {
            out += "vt ";
            out += number(state);
            out += " ";
            out += number(state);
            ++texts;
        } else if (kind < 9) {
            out += "vn ";
            out += number(state);
            if (next() % 20) {
                out += " ";
                out += number(state);
                out += " ";
                out += number(state);
            }
            ++normals;
        } else if (kind < 16) {
            const bool few = next() % 3 != 0;
            const int corners = few ? 3 + static_cast<int>(next() % 2) : 2 + static_cast<int>(next() % 8);
            const unsigned form = next() % 4;
            out += "f";
            for (int c = 0; c < corners; ++c) {
                out += next() % 30 == 0 ? "  " : " ";
                out += index(positions);
                if (form == 1 || form == 3) {
                    out += "/";
                    out += index(texts);
                } else if (form == 2) {
                    out += "/";
                }
                if (form >= 2) {
                    out += "/";
                    out += index(normals);
                }
            }
        } else if (kind == 16) {
            const char* groups[] = {"s off", "s 0", "s 1", "s 2", "s 7", "s\toff", "s 3 "};
            out += groups[next() % 7];
        } else if (kind == 17) {
            const char* materials[] = {"usemtl a", "usemtl b", "usemtl paper", "usemtl  a ", "usemtl none"};
            out += materials[next() % 5];
        } else {
            const char* others[] = {"# comment", "", "o part", "g group", "vp 1 2", " v 1 2 3", "v\t1 2 3",
                                    "f\t1 2 3", "l 1 2"};
            out += others[next() % 9];
        }
        out += end;
    }
    if (longLast)
        out += "# " + std::string(240, 'x') + "\nv 9 9 9\n";
    return out;
}

TEST(ObjDigests, EveryReadingAndAssemblyIsUnchanged)
{
    const TempDir dir;
    const std::vector<std::string> strip = {dir.path() + "/", kRoot};
    std::map<std::string, std::string> now; // "file kind" -> digest
    auto addObj = [&](const std::string& name, const std::string& path) {
        for (const auto& [kind, digest] : objDigests(path, strip))
            now[name + " " + kind] = digest;
    };
    const char* objs[] = {"examples/gift.obj", "examples/knot.obj"};
    for (const char* name : objs)
        addObj(name, kRoot + name);
    const char* corpora[] = {"obj", "model", "meshindex"};
    const char* mtls[] = {"examples/gift.mtl", "fuzz/corpus/mtl/damaged", "fuzz/corpus/mtl/gift",
                          "fuzz/corpus/mtl/options"};
    for (const char* name : mtls)
        now[std::string(name) + " materials"] = mtlDigest(kRoot + name);
    for (const char* corpus : corpora) {
        for (const auto& entry : std::filesystem::directory_iterator(kRoot + "fuzz/corpus/" + corpus))
            addObj(std::string("fuzz/corpus/") + corpus + "/" + entry.path().filename().string(),
                   entry.path().string());
    }
    addObj("generated:mixed", dir.write("mixed.obj", generated(1, 6000, false)));
    addObj("generated:long-last", dir.write("long.obj", generated(2, 800, true)));

    if (std::getenv("VORNAK_WRITE_OBJ_DIGESTS")) {
        std::ofstream out(kDigests, std::ios::trunc);
        for (const auto& [key, digest] : now)
            out << key << " " << digest << "\n";
        GTEST_SKIP() << "wrote " << kDigests;
    }
    std::map<std::string, std::string> expected;
    {
        std::ifstream in(kDigests);
        for (std::string file, kind, digest; in >> file >> kind >> digest;)
            expected[file + " " + kind] = digest;
    }
    ASSERT_FALSE(expected.empty()) << kDigests << ": no digests";
    // Seeds added to a corpus later have no digest and are not judged here.
    for (const auto& [key, digest] : expected) {
        SCOPED_TRACE(key);
        const auto found = now.find(key);
        ASSERT_NE(found, now.end()) << "no longer computed";
        EXPECT_EQ(found->second, digest);
    }
}

} // namespace
