#include "engine/Mesh3D.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vornak_engine::Mesh3D;

std::unique_ptr<Mesh3D> build(const std::string& text)
{
    auto mesh = Mesh3D::withoutGL();
    mesh->parseOBJ(text.data(), text.size());
    mesh->buildMesh();
    return mesh;
}

const std::string kSquare = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

TEST(MeshAssembly, PositionIndicesOutOfRangeDropTheFace)
{
    struct Row {
        const char* face;
        std::vector<int> indices; // empty: dropped
    } rows[] = {
        {"f 1 2 3", {0, 1, 2}},
        {"f 4 3 2 1", {3, 2, 1}},
        {"f -1 -2 -3", {3, 2, 1}},
        {"f -4 1 2", {0, 0, 1}},
        {"f 0 1 2", {}},
        {"f 1 2 5", {}},
        {"f -5 1 2", {}},
        {"f 1 2 2147483647", {}},
        {"f -2147483648 1 2", {}},
        {"f 1/1/1 2/2/2 x", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.face);
        auto mesh = build(kSquare + row.face + "\n");
        EXPECT_EQ(mesh->indexArray, row.indices);
        EXPECT_EQ(mesh->indexCount, static_cast<int>(row.indices.size()));
        EXPECT_EQ(mesh->textCount, 8);
        EXPECT_EQ(mesh->normalArray.size(), 12u);
        EXPECT_EQ(mesh->textArray.size(), 8u);
        if (row.indices.empty())
            EXPECT_EQ(mesh->faultSummary(),
                      "<memory>: 1 face with a position index out of range dropped (first at line 5)");
        else
            EXPECT_EQ(mesh->faultSummary(), "");
    }
}

TEST(MeshAssembly, NormalAndTextureSlots)
{
    // Zero-filled; the last corner with a usable index wins; unusable ones write nothing.
    auto mesh = build(kSquare +
                      "vn 0 0 1\nvn 0 1 0\nvt 0.25 0.75\nvt 0.5 1\n"
                      "f 1/1/1 2/1/1 3/1/1\n"
                      "f 1/9/9 2/-1/-1 3/0/0\n");
    EXPECT_EQ(mesh->indexArray, (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(mesh->normalArray, (std::vector<float>{0, 0, 1, 0, 1, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(mesh->textArray, (std::vector<float>{0.25f, 0.75f, 0.5f, 1, 0.25f, 0.75f, 0, 0}));
    EXPECT_EQ(mesh->faultSummary(), "<memory>: 2 corners without a usable normal index (first at line 10); "
                                     "2 corners without a usable texture index (first at line 10)");

    // Without vn or vt lines the indices are never looked at.
    auto plain = build(kSquare + "f 1/5/5 2/6/6 3/7/7\n");
    EXPECT_EQ(plain->normalArray, std::vector<float>(12, 0.0f));
    EXPECT_EQ(plain->textArray, std::vector<float>(8, 0.0f));
    EXPECT_EQ(plain->faultSummary(), "");
}

TEST(MeshAssembly, ShortLinesKeepLaterIndicesMeaningful)
{
    // The short position line still adds a whole position, so "4" still names (7 8 9).
    auto mesh = build("v 1 1 1\nv 2 2 2\nv 3\nv 7 8 9\nvt 0.5\nvn\nf 1 2\nf 2/1/1 3/1/1 4/1/1\n");
    EXPECT_EQ(mesh->vertices, (std::vector<float>{1, 1, 1, 2, 2, 2, 3, 0, 0, 7, 8, 9}));
    EXPECT_EQ(mesh->textCoords, (std::vector<float>{0.5f, 0}));
    EXPECT_EQ(mesh->normals, (std::vector<float>{0, 0, 0}));
    EXPECT_EQ(mesh->faces.size(), 1u);
    EXPECT_EQ(mesh->indexArray, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(mesh->faultSummary(), "<memory>: 1 face line with fewer than 3 corners skipped (first at line 7); "
                                     "3 value lines short of values padded with 0 (first at line 3)");
}

TEST(MeshAssembly, OneLineOnStandardErrorPerFile)
{
    TempDir dir;
    const std::string path = dir.write("faulty.obj",
                                       "v 0 0 0\n"                 // 1
                                       "v 1 0 0\n"                 // 2
                                       "v 1 1 0\n"                 // 3
                                       "v 0 1\n"                   // 4: padded
                                       "vn 0 0 1\n"                // 5
                                       "vt 0.25 0.75\n"            // 6
                                       "f 1/1/1 2/1/1\n"           // 7: too short
                                       "f 1/1/1 2/1/1 9/1/1\n"     // 8: dropped
                                       "f 1/1/1 2/7/1 3/1/2\n"     // 9: bad texture, bad normal
                                       "f 1 2 4\n"                 // 10: no normals, no textures
                                       "f 4/-1/-1 3/1/1 -9/1/1\n"); // 11: dropped
    auto mesh = Mesh3D::withoutGL();
    testing::internal::CaptureStderr();
    mesh->loadOBJ(const_cast<char*>(path.c_str()));
    mesh->buildMesh();
    const std::string expected = path +
                                 ": 1 face line with fewer than 3 corners skipped (first at line 7); "
                                 "1 value line short of values padded with 0 (first at line 4); "
                                 "2 faces with a position index out of range dropped (first at line 8); "
                                 "4 corners without a usable normal index (first at line 9); "
                                 "4 corners without a usable texture index (first at line 9)\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);
    EXPECT_EQ(mesh->indexArray, (std::vector<int>{0, 1, 2, 0, 1, 3}));
    EXPECT_EQ(mesh->normalArray, (std::vector<float>{0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(mesh->textArray, (std::vector<float>{0.25f, 0.75f, 0, 0, 0.25f, 0.75f, 0, 0}));

    // A clean file says nothing.
    const std::string clean = dir.write("clean.obj", kSquare + "f 1 2 3\n");
    auto quiet = Mesh3D::withoutGL();
    testing::internal::CaptureStderr();
    quiet->loadOBJ(const_cast<char*>(clean.c_str()));
    quiet->buildMesh();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(MeshAssembly, NegativeIndicesCountBackFromTheWholeList)
{
    // -1 is the last entry of the whole file, even for a face written before it.
    auto mesh = build("v 0 0 0\nv 1 0 0\nv 1 1 0\nvn 1 0 0\nf -3//-1 -2//-1 -1//-2\nvn 0 1 0\n");
    EXPECT_EQ(mesh->faces[0].vertex[0], -3); // kept as written
    EXPECT_EQ(mesh->indexArray, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(mesh->normalArray, (std::vector<float>{0, 1, 0, 0, 1, 0, 1, 0, 0}));
}

} // namespace
