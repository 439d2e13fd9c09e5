// Reading a ~100 MB triangulated OBJ: Mesh3D's reading step against tinyobjloader
// on the same file in the same run. The file is generated once, deterministically,
// into /tmp; before timing, both readers' results are checked to be identical.

#include "vornak/Mesh3D.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#ifdef VORNAK_HAVE_TINYOBJLOADER
#include <tiny_obj_loader.h>
#endif

namespace {

using vornak_engine::Mesh3D;

const char* const kPath = "/tmp/vornak_obj_bench.obj";
constexpr int kGrid = 700; // 490,000 positions, 977,202 triangles, about 104 MB

// "-0.123456": six decimals from a fixed-point integer, as exporters print them.
void appendDecimal(std::string& out, std::uint64_t& state)
{
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const long long micro = static_cast<long long>((state >> 33) % 2000001) - 1000000;
    char text[32];
    const long long magnitude = micro < 0 ? -micro : micro;
    const int n = std::snprintf(text, sizeof text, " %s%lld.%06lld", micro < 0 ? "-" : "", magnitude / 1000000,
                                magnitude % 1000000);
    out.append(text, static_cast<std::size_t>(n));
}

std::string generate()
{
    std::string out;
    out.reserve(110u << 20);
    std::uint64_t state = 42;
    out += "# vornak benchmark grid\no grid\n";
    const int positions = kGrid * kGrid;
    for (int i = 0; i < positions; ++i) {
        out += "v";
        for (int j = 0; j < 3; ++j)
            appendDecimal(out, state);
        out += "\n";
    }
    for (int i = 0; i < positions; ++i) {
        out += "vt";
        for (int j = 0; j < 2; ++j)
            appendDecimal(out, state);
        out += "\n";
    }
    for (int i = 0; i < positions; ++i) {
        out += "vn";
        for (int j = 0; j < 3; ++j)
            appendDecimal(out, state);
        out += "\n";
    }
    auto corner = [&](int p) {
        // Texture and normal indices differ from the position's so each is really read.
        const int t = (p * 7) % positions + 1;
        const int n = (p * 13) % positions + 1;
        out += " " + std::to_string(p + 1) + "/" + std::to_string(t) + "/" + std::to_string(n);
    };
    for (int y = 0; y + 1 < kGrid; ++y) {
        for (int x = 0; x + 1 < kGrid; ++x) {
            const int a = y * kGrid + x, b = a + 1, c = a + kGrid, d = c + 1;
            out += "f";
            corner(a), corner(b), corner(d);
            out += "\nf";
            corner(a), corner(d), corner(c);
            out += "\n";
        }
    }
    return out;
}

std::size_t prepareFile()
{
    const std::string text = generate();
    std::ifstream existing(kPath, std::ios::binary | std::ios::ate);
    if (!existing || static_cast<std::size_t>(existing.tellg()) != text.size()) {
        std::ofstream out(kPath, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    return text.size();
}

std::size_t fileSize = 0;

std::unique_ptr<Mesh3D> readOurs()
{
    auto mesh = Mesh3D::withoutGL();
    mesh->loadOBJ(const_cast<char*>(kPath));
    return mesh;
}

void BM_Vornak_loadOBJ(benchmark::State& state)
{
    for (auto _ : state) {
        auto mesh = readOurs();
        benchmark::DoNotOptimize(mesh->faces.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize));
}
BENCHMARK(BM_Vornak_loadOBJ)->Unit(benchmark::kMillisecond)->MinTime(3.0);

#ifdef VORNAK_HAVE_TINYOBJLOADER
bool readTheirs(tinyobj::attrib_t& attrib, std::vector<tinyobj::shape_t>& shapes)
{
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    // No triangulation asked: the file is all triangles, so this is tinyobjloader's cheapest path.
    return tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, kPath, nullptr, false);
}

void BM_Tinyobjloader_LoadObj(benchmark::State& state)
{
    for (auto _ : state) {
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        if (!readTheirs(attrib, shapes))
            state.SkipWithError("tinyobjloader failed");
        benchmark::DoNotOptimize(attrib.vertices.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize));
}
BENCHMARK(BM_Tinyobjloader_LoadObj)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Positions, texture coordinates and normals to the bit, and every corner's indices.
bool identical()
{
    auto ours = readOurs();
    ours->buildMesh();
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    if (!readTheirs(attrib, shapes))
        return false;
    auto sameFloats = [](const std::vector<float>& a, const std::vector<float>& b, const char* what) {
        if (a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0)
            return true;
        std::size_t i = 0;
        while (i < a.size() && i < b.size() && std::memcmp(&a[i], &b[i], sizeof(float)) == 0)
            ++i;
        std::fprintf(stderr, "%s differ: sizes %zu/%zu, first at %zu\n", what, a.size(), b.size(), i);
        return false;
    };
    // Each list is compared, so every one that differs is reported.
    const bool positions = sameFloats(ours->vertices, attrib.vertices, "positions");
    const bool coordinates = sameFloats(ours->textCoords, attrib.texcoords, "texture coordinates");
    const bool normals = sameFloats(ours->normals, attrib.normals, "normals");
    bool ok = positions && coordinates && normals;
    std::size_t corner = 0;
    for (const tinyobj::shape_t& shape : shapes) {
        for (const tinyobj::index_t& index : shape.mesh.indices) {
            const vornak_engine::MeshIndex& face = ours->faces[corner / 3];
            const int c = static_cast<int>(corner % 3);
            if (corner >= ours->indexArray.size() || index.vertex_index != ours->indexArray[corner] ||
                index.texcoord_index != face.getText(c) || index.normal_index != face.getNormal(c)) {
                std::fprintf(stderr, "indices differ at corner %zu\n", corner);
                return false;
            }
            ++corner;
        }
    }
    if (corner != ours->indexArray.size()) {
        std::fprintf(stderr, "corner counts differ: %zu/%zu\n", corner, ours->indexArray.size());
        return false;
    }
    return ok;
}
#endif

// Keeps each run's throughput so the ratio can be printed at the end.
class RateReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> rates;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end())
                rates[run.benchmark_name()] = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    fileSize = prepareFile();
    std::printf("%s: %.1f MB\n", kPath, static_cast<double>(fileSize) / 1e6);
#ifdef VORNAK_HAVE_TINYOBJLOADER
    if (!identical()) {
        std::fprintf(stderr, "the two readers disagree; not timing\n");
        return 1;
    }
    std::printf("results identical to tinyobjloader's\n");
#endif
    benchmark::Initialize(&argc, argv);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double ours = 0, theirs = 0;
    for (const auto& [name, rate] : reporter.rates) {
        if (name.find("Vornak") != std::string::npos)
            ours = rate;
        if (name.find("Tinyobj") != std::string::npos)
            theirs = rate;
    }
    if (ours > 0)
        std::printf("Mesh3D::loadOBJ: %.0f MB/s\n", ours / 1e6);
    if (theirs > 0)
        std::printf("tinyobjloader:   %.0f MB/s\nratio: %.2fx\n", theirs / 1e6, ours / theirs);
    benchmark::Shutdown();
    return 0;
}
