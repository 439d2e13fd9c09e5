#include "vornak/Model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace {

using vornak_engine::Model;
using vornak_engine::ObjReader;
using Vec3 = std::array<float, 3>;

ObjReader read(const std::string& text, unsigned threads = 1, std::size_t chunkBytes = std::size_t(1) << 18)
{
    ObjReader reader;
    reader.readBytes(text.data(), text.size(), ObjReader::Options{threads, chunkBytes, true});
    return reader;
}

std::unique_ptr<Model> build(const std::string& text, const std::vector<Model::Material>& library = {},
                             const std::string& source = "")
{
    auto model = Model::withoutGL();
    model->assemble(read(text), library, source);
    return model;
}

Vec3 at(const Model& model, unsigned vertex, int offset = 0)
{
    const float* v = &model.vertexData[8 * vertex + offset];
    return {v[0], v[1], v[2]};
}

std::vector<Vec3> cornersOf(const Model& model, std::size_t t)
{
    return {at(model, model.indices[3 * t]), at(model, model.indices[3 * t + 1]), at(model, model.indices[3 * t + 2])};
}

float dot(const Vec3& a, const Vec3& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// Signed area in the xy plane.
float area(const std::vector<Vec3>& p)
{
    return 0.5f * ((p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[1][1] - p[0][1]) * (p[2][0] - p[0][0]));
}

const std::string kSquare = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
const std::vector<Model::Material> kLibrary{{"red", {1, 1, 1, 1}, ""}, {"blue", {1, 1, 1, 1}, ""}};

TEST(Model, EveryPolygonBecomesTrianglesOfItsOwnCorners)
{
    const std::string ell = "v 0 0 0\nv 2 0 0\nv 2 1 0\nv 1 1 0\nv 1 2 0\nv 0 2 0\n";
    const struct {
        const char* label;
        std::string text;
        std::size_t triangles;
        float area; // total, counter-clockwise in the xy plane; NaN: degenerate, only the count and bounds
    } rows[] = {
        {"quad", kSquare + "f 1 2 3 4\n", 2, 1.0f},
        {"pentagon", kSquare + "v 0.5 1.5 0\nf 1 2 3 5 4\n", 3, 1.25f},
        {"mixed", kSquare + "v 0.5 1.5 0\nf 1 2 3\nf 1 3 4\nf 4 3 5\nf 1 2 3 5 4\n", 6, 2.5f},
        {"concave: a fan from its first corner would cover the notch", ell + "f 3 4 5 6 1 2\n", 4, 3.0f},
        {"concave, clockwise", ell + "f 2 1 6 5 4 3\n", 4, -3.0f},
        {"relative corners past the third", kSquare + "f -4 -3 -2 -1\n", 2, 1.0f},
        {"tabs and double blanks", kSquare + "f 1 2 3\t 4\nf 1  2 3  4 \n", 4, 2.0f},
        {"carriage returns", kSquare + "f 1 2 3 4\r\nf 1 2 3 4 \r\n", 4, 2.0f},
        {"in a line", "v 0 0 0\nv 1 1 1\nv 2 2 2\nv 3 3 3\nv 4 4 4\nf 1 2 3 4 5\n", 3, NAN},
        {"not numbers", "v nan 0 0\nv 1 inf 0\nv 0 1 0\nv 1 1 0\nf 1 2 3 4\n", 2, NAN},
        {"a notch and a crossing", ell + "f 1 2 3 4 6 5\n", 4, NAN},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        auto model = build(row.text);
        ASSERT_EQ(model->indices.size(), 3 * row.triangles);
        for (unsigned index : model->indices)
            EXPECT_LT(index, model->vertexData.size() / 8);
        if (std::isnan(row.area))
            continue;
        float total = 0;
        for (std::size_t t = 0; t < row.triangles; ++t) {
            const auto corners = cornersOf(*model, t);
            // Every triangle turns the polygon's way: none folds over outside it.
            EXPECT_GE(area(corners) * row.area, 0.0f) << "triangle " << t;
            total += area(corners);
        }
        EXPECT_NEAR(total, row.area, 1e-5);
        EXPECT_EQ(model->faultSummary(), "");
    }
    auto quad = build(kSquare + "f 1 2 3 4\n");
    EXPECT_EQ(cornersOf(*quad, 0), (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}));
    EXPECT_EQ(cornersOf(*quad, 1), (std::vector<Vec3>{{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
}

TEST(Model, PolygonsReadTheSameInChunksOnThreads)
{
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += "v " + std::to_string(i) + " 0 " + std::to_string(i % 7) + "\nvt 0.5 0.5\n";
        if (i >= 5)
            text += (i % 3 ? "f -1/-1 -2/-2 -3/-3 -4/-4 -5/-5\n" : "s " + std::to_string(i % 4) + "\nusemtl m" +
                                                                      std::to_string(i % 5) + "\nf 1 2 3 4\n");
    }
    const ObjReader whole = read(text), chunked = read(text, 2, 97);
    EXPECT_EQ(whole.extraCorners, chunked.extraCorners);
    EXPECT_EQ(whole.names, chunked.names);
    const auto polygon = [](const ObjReader::Polygon& p) { return std::make_tuple(p.face, p.first, p.count); };
    const auto mark = [](const ObjReader::Mark& m) { return std::make_tuple(m.face, m.kind, m.value); };
    EXPECT_TRUE(std::equal(whole.polygons.begin(), whole.polygons.end(), chunked.polygons.begin(),
                           chunked.polygons.end(), [&](auto& a, auto& b) { return polygon(a) == polygon(b); }));
    EXPECT_TRUE(std::equal(whole.marks.begin(), whole.marks.end(), chunked.marks.begin(), chunked.marks.end(),
                           [&](auto& a, auto& b) { return mark(a) == mark(b); }));
    const auto assembled = [](const ObjReader& r) { auto m = Model::withoutGL(); m->assemble(r, {}); return m; };
    const auto a = assembled(whole), b = assembled(chunked);
    EXPECT_EQ(a->indices, b->indices);
    EXPECT_EQ(a->vertexData, b->vertexData);
}

TEST(Model, NormalsAreMadeWhereTheFileHasNone)
{
    // A closed smooth model away from the origin: every normal points out from its centre, not the origin.
    auto closed = build("v 4 0 0\nv 2 0 0\nv 3 1 0\nv 3 -1 0\nv 3 0 1\nv 3 0 -1\nf 1 3 5\nf 2 5 3\nf 1 5 4\n"
                        "f 2 4 5\nf 1 6 3\nf 2 3 6\nf 1 4 6\nf 2 6 4\n");
    ASSERT_EQ(closed->vertexData.size() / 8, 6u);
    for (unsigned v = 0; v < 6; ++v) {
        const Vec3 p = at(*closed, v), n = at(*closed, v, 3), out{p[0] - 3, p[1], p[2]};
        EXPECT_NEAR(dot(n, n), 1.0f, 1e-4) << v;
        EXPECT_GT(dot(n, out), 0.9999f) << v;
    }
    // A file's normals are kept: a corner is shared only where its normal is the same too.
    auto kept = build(kSquare + "vn 0 0 1\nvn 0.6 0 0.8\nf 1//2 2//2 3//2\nf 1//2 3//2 4//2\nf 1//1 3//1 4//1\n");
    EXPECT_EQ(kept->vertexData.size() / 8, 7u);
    for (std::size_t k = 0; k < 9; ++k)
        EXPECT_EQ(at(*kept, kept->indices[k], 3), (k < 6 ? Vec3{0.6f, 0, 0.8f} : Vec3{0, 0, 1})) << k;
    // Two squares meeting at a right angle along the x axis, wound outward: +z and -y.
    const std::string hinge = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 -1\nv 1 0 -1\n";
    const struct {
        const char* label;
        std::string text;
        std::size_t vertices;
        bool smooth;
    } rows[] = {
        {"one smoothing group: shared and averaged", hinge + "s 1\nf 1 2 3 4\nf 5 6 2 1\n", 6, true},
        {"no s line: smooth", hinge + "f 1 2 3 4\nf 5 6 2 1\n", 6, true},
        {"two groups: a hard edge", hinge + "s 1\nf 1 2 3 4\ns 2\nf 5 6 2 1\n", 8, false},
        {"s off: flat faces", hinge + "s off\nf 1 2 3 4\nf 5 6 2 1\n", 8, false},
        {"s 0 is off too", hinge + "s 0\nf 1 2 3 4\nf 5 6 2 1\n", 8, false},
    };
    const float h = std::sqrt(0.5f);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        auto model = build(row.text);
        EXPECT_EQ(model->vertexData.size() / 8, row.vertices);
        // Every corner: its face's normal, or on a smooth shared edge their average.
        for (std::size_t k = 0; k < model->indices.size(); ++k) {
            const Vec3 p = at(*model, model->indices[k]), n = at(*model, model->indices[k], 3);
            const Vec3 want = row.smooth && p[1] == 0 && p[2] == 0 ? Vec3{0, -h, h}
                              : k < 6                              ? Vec3{0, 0, 1}
                                                                   : Vec3{0, -1, 0};
            for (int i = 0; i < 3; ++i)
                EXPECT_NEAR(n[i], want[i], 1e-6) << "corner " << k << ", axis " << i;
        }
    }
}

TEST(Model, MaterialsAreReadFromTheirFile)
{
    const std::string mtl = "# two materials\n"
                            "newmtl red\nKd 1 0 0\nKa 0.1 0.1 0.1\nillum 2\nd 0.5\n"
                            "newmtl paper wrap\r\nKd 0.25\nTr 0.25\nmap_Kd -s 2 2 1 textures\\paper.png\n"
                            "newmtl abs\nmap_Kd /pictures/abs.jpg\n";
    std::vector<Model::Material> materials;
    const Model::Tally unusable = Model::readMaterials(mtl.data(), mtl.size(), "models/", materials);
    EXPECT_EQ(unusable.count, 0);
    ASSERT_EQ(materials.size(), 3u);
    EXPECT_EQ(materials[0].name, "red");
    const auto colour = [](const Model::Material& m) { return std::vector<float>(m.colour, m.colour + 4); };
    EXPECT_EQ(colour(materials[0]), (std::vector<float>{1, 0, 0, 0.5f}));
    EXPECT_EQ(materials[1].name, "paper wrap");
    EXPECT_EQ(colour(materials[1]), (std::vector<float>{0.25f, 0.25f, 0.25f, 0.75f}));
    EXPECT_EQ(materials[1].picture, "models/textures/paper.png");
    EXPECT_EQ(materials[2].picture, "/pictures/abs.jpg");

    // Unusable lines: how many, and the first. A colour before any newmtl: the GL ModelTest.
    const auto tally = [](const char* text) {
        std::vector<Model::Material> out;
        const Model::Tally t = Model::readMaterials(text, std::strlen(text), "", out);
        return std::make_pair(t.count, t.firstLine);
    };
    EXPECT_EQ(tally("newmtl a\nKd 1 x 0\nKd 1 0\nd\nd 1 2\nKd 1e99 0 0\nmap_Kd\n"), std::make_pair(6LL, 2));
    EXPECT_EQ(tally("newmtl\nKd 1 0 0\n"), std::make_pair(2LL, 1));
}

TEST(Model, UsemtlRangesKeepFileOrderAndTheirMaterials)
{
    const std::string text = kSquare + "f 1 2 3\nusemtl blue\nf 1 3 4\nf 1 2 3 4\nusemtl red\nusemtl red\nf 1 2 3\n"
                                       "usemtl nowhere\nf 1 2 3\nusemtl blue\nf 1 2 3\n";
    auto model = build(text, kLibrary, "scene.obj");
    ASSERT_EQ(model->ranges.size(), 5u);
    const std::size_t first[] = {0, 3, 12, 15, 18}, count[] = {3, 9, 3, 3, 3};
    const char* names[] = {"", "blue", "red", "", "blue"};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_TRUE(model->ranges[i].first == first[i] && model->ranges[i].count == count[i] &&
                    model->materials[model->ranges[i].material].name == names[i]) << i;
    EXPECT_EQ(model->info(), "triangles 7, vertices 4, materials 3"); // the default, blue, red: each once
    EXPECT_EQ(model->faultSummary(),
              "scene.obj: 1 usemtl line naming no material read, \"nowhere\" the first, drawn with the default");
}

TEST(Model, FaultsAreSummedUpAndBoundsCoverWhatIsDrawn)
{
    const std::string text = kSquare + "vt 0 0\nvn 0 0 1\nv 100 100 100\nf 1/1/1 2/9/1 3/1/7 4\nf 1 2 9\nf 1 2\n";
    auto model = build(text, {}, "faulty.obj");
    EXPECT_EQ(model->indices.size(), 6u);
    EXPECT_EQ(model->faultSummary(), "faulty.obj: 1 face line with fewer than 3 corners skipped (first at line 10); "
                                     "1 face with a position index out of range dropped (first at line 9); "
                                     "1 corner with a normal index out of range given a made one (first at line 8); "
                                     "1 corner with a texture index out of range given none (first at line 8)");
    // The unused position 5 is outside the bounds.
    EXPECT_EQ((Vec3{model->low[0], model->low[1], model->low[2]}), (Vec3{0, 0, 0}));
    EXPECT_EQ((Vec3{model->high[0], model->high[1], model->high[2]}), (Vec3{1, 1, 0}));
    auto empty = build("");
    EXPECT_EQ(empty->info(), "triangles 0, vertices 0, materials 0");
    EXPECT_EQ((Vec3{empty->low[0], empty->high[1], empty->high[2]}), (Vec3{0, 0, 0}));
}

// Lists grown past their first guess (flat corners outnumber positions), assembled a
// second time into the same model: every triangle still names its own face's corners.
TEST(Model, BigModelsKeepEveryCornerInItsPlace)
{
    const int kFaces = 3000;
    std::string text = kSquare + "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\ns off\n";
    for (int k = 0; k < kFaces; ++k) {
        if (k % 700 == 0)
            text += k % 1400 ? "usemtl blue\n" : "usemtl red\n";
        if (k == kFaces / 2)
            text += "s 1\n"; // the rest share their vertices
        text += k % 2 ? "f 1/1 2/2 3/3\n" : "f 1/1 3/3 4/4\n";
    }
    auto model = Model::withoutGL();
    model->assemble(read("v 9 9 9\nf 1 1 1\n"), kLibrary);
    model->assemble(read(text), kLibrary);
    ASSERT_EQ(model->indices.size(), 3u * kFaces);
    EXPECT_EQ(model->vertexData.size(), 8u * (3 * kFaces / 2 + 4));
    const Vec3 square[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const int corner[2][3] = {{0, 2, 3}, {0, 1, 2}}; // of even and odd faces
    for (std::size_t k = 0; k < 3u * kFaces; ++k) {
        const float* v = &model->vertexData.at(8 * model->indices[k]);
        const Vec3& p = square[corner[k / 3 % 2][k % 3]];
        // Flat or smooth, the square faces +z; the texture coordinates repeat the corner.
        ASSERT_TRUE((Vec3{v[0], v[1], v[2]}) == p && std::abs(v[5] - 1) < 1e-6f && v[6] == p[0] && v[7] == p[1])
            << "corner " << k;
    }
    ASSERT_EQ(model->ranges.size(), 5u);
    for (std::size_t i = 0; i < model->ranges.size(); ++i)
        EXPECT_TRUE(model->ranges[i].first == 3 * 700 * i &&
                    model->ranges[i].count == 3 * std::min<std::size_t>(700, kFaces - 700 * i) &&
                    model->materials[model->ranges[i].material].name == (i % 2 ? "blue" : "red")) << i;
    EXPECT_EQ((Vec3{model->low[0], model->low[1], model->low[2]}), (Vec3{0, 0, 0}));
    EXPECT_EQ((Vec3{model->high[0], model->high[1], model->high[2]}), (Vec3{1, 1, 0}));
}

// Run under the sanitizers: every OBJ the repository ships or fuzzes from.
TEST(Model, TheRepositorysOwnFilesAssemble)
{
    std::vector<std::string> files = {VORNAK_SOURCE_DIR "/examples/knot.obj", VORNAK_SOURCE_DIR "/examples/gift.obj"};
    for (const std::string set : {"obj", "model"})
        for (const auto& entry : std::filesystem::directory_iterator(VORNAK_SOURCE_DIR "/fuzz/corpus/" + set))
            files.push_back(entry.path());
    ASSERT_GT(files.size(), 8u);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        testing::internal::CaptureStderr();
        auto model = Model::withoutGL();
        EXPECT_TRUE(model->load(file.c_str())); // a failure prints to stdout, not the captured stderr
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(model->indices.size() % 3, 0u);
        for (unsigned index : model->indices)
            ASSERT_LT(index, model->vertexData.size() / 8);
        for (const auto& range : model->ranges)
            ASSERT_LE(range.first + range.count, model->indices.size());
    }
}

} // namespace
