#include "vornak/Mesh3D.h"
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
// Two objects as exporters write them: each one's entries, then its faces relative to them.
const std::string kObject = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 1\nvn 0 0 1\n"
                            "f -4/-2/-1 -3/-1/-1 -2/-2/-1 -1/-1/-1\n";

TEST(MeshAssembly, PositionIndicesOutOfRangeDropTheFace)
{
    struct Row {
        std::string file;
        std::vector<int> indices; // empty: dropped, with a fault line
    } rows[] = {
        {kSquare + "f 1 2 3", {0, 1, 2}}, {kSquare + "f -1 -2 -3", {3, 2, 1}}, {kSquare + "f -4 1 2", {0, 0, 1}},
        {kSquare + "f 0 1 2", {}}, {kSquare + "f 1 2 5", {}}, {kSquare + "f -5 1 2", {}},
        {kSquare + "f 1 2 2147483647", {}}, {kSquare + "f -2147483648 1 2", {}}, {kSquare + "f 1/1/1 2/2/2 x", {}},
        // Without vn or vt lines their indices are never looked at.
        {kSquare + "f 1/5/5 2/6/6 3/7/7", {0, 1, 2}},
        // A relative index counts back from the entries read so far, however many follow.
        {kObject + "o second\n" + kObject, {0, 1, 2, 4, 5, 6}},
        {"f -1 -2 -3\nv 0 0 0\nv 1 0 0\nv 1 1 0\n", {}},
        {"v 0 0 0\nv 1 0 0\nf -1 -2 -3\nv 1 1 0\n", {}},
        {"v 0 0 0\nv 1 0 0\nv 1 1 0\nf -1 -2 -3\nv 2 2 2\n", {2, 1, 0}},
        // Absolute ones beside them still count from the file's first entry.
        {"v 0 0 0\nv 1 0 0\nf 4 -1 -2\nv 1 1 0\nv 2 2 2\n", {3, 1, 0}},
        {"v 0 0 0\nf -1 1 -1\nv 1 0 0\nf -1 -2 2\n", {0, 0, 0, 1, 0, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        auto mesh = build(row.file + "\n");
        EXPECT_EQ(mesh->indexArray, row.indices);
        EXPECT_EQ(mesh->indexCount, static_cast<int>(row.indices.size()));
        EXPECT_EQ(mesh->faultSummary().empty(), !row.indices.empty()) << mesh->faultSummary();
    }
}

TEST(MeshAssembly, FaultsAreSummedUpInOneLine)
{
    TempDir dir;
    // Lines 3 and 6 are padded (position 4 is still line 4's); 7 is too short; 8 and 11 are dropped; 9 has two bad
    // textures and a bad normal; 10 has neither; in 12, -1 is line 5's normal and line 6's texture, not 13's or 14's.
    const std::string path = dir.write("faulty.obj", "v 0 0 0\nv 1 0 0\nv 3\nv 0 1 0\nvn 0 0 1\nvt 0.25\n"
                                                     "f 1/1/1 2/1/1\nf 1/1/1 2/1/1 9/1/1\nf 1/1/1 2/7/1 4/0/3\n"
                                                     "f 1 2 4\nf 4/-1/-2 3/0/0 -9/1/1\nf 3/-1/-1 2/-1/-1 1/1/1\n"
                                                     "vn 0 1 0\nvt 0.5 0.5\n");
    auto mesh = Mesh3D::withoutGL();
    testing::internal::CaptureStderr();
    mesh->loadOBJ(const_cast<char*>(path.c_str()));
    mesh->buildMesh();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              path + ": 1 face line with fewer than 3 corners skipped (first at line 7); "
                     "2 value lines short of values padded with 0 (first at line 3); "
                     "2 faces with a position index out of range dropped (first at line 8); "
                     "4 corners without a usable normal index (first at line 9); "
                     "5 corners without a usable texture index (first at line 9)\n");
    EXPECT_EQ(mesh->vertices, (std::vector<float>{0, 0, 0, 1, 0, 0, 3, 0, 0, 0, 1, 0}));
    EXPECT_EQ(mesh->indexArray, (std::vector<int>{0, 1, 3, 0, 1, 3, 2, 1, 0}));
    // Unusable indices write nothing; of usable ones the last corner wins.
    EXPECT_EQ(mesh->normalArray, (std::vector<float>{0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(mesh->textArray, (std::vector<float>{0.25f, 0, 0.25f, 0, 0.25f, 0, 0, 0}));
}

} // namespace
