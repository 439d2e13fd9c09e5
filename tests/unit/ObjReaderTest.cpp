#include "vornak/Mesh3D.h"
#include "support/ObjReference.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#if __has_include(<tiny_obj_loader.h>)
#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>
#define VORNAK_TEST_TINYOBJ 1
#endif

namespace {

using namespace std::string_literals;
using vornak_engine::Mesh3D;

std::unique_ptr<Mesh3D> parse(const std::string& text)
{
    auto mesh = Mesh3D::withoutGL();
    mesh->parseOBJ(text.data(), text.size());
    return mesh;
}

TEST(ObjReader, NumbersConvertAsAtof)
{
    std::vector<std::string> tokens = {
        "0.123456", "-0", "-0.0", "+0", "1e-5", "1E+2", "1e", "1e+", "1e-", ".5", "-.5", "5.", ".", "-", "+",
        "", "0x1p3", "0X10", "0x", "inf", "-INFINITY", "nan", "-nan", "nan(123)", "1e400", "-1e400",
        "1e-400", "123456789012345678901234", "0.1000000000000000055511151231257827",
        "9007199254740993", "9007199254740992", "18014398509481985", "\t1.5", "\v2", "\r3", "1.5abc",
        "3.4028235e38", "3.4028236e38", "1.17549435e-38", "1e-45", "7e-46", "00000000000000000000001.5",
        "1.0000000000000000000000", "4.9e-324", "2.2250738585072011e-308", "12345678901234567890e-10",
        "1234567890123456789e-10", "1e22", "1e23", "9007199254740992e22", "0.0000000000000000000000000001",
        "1_000", "0.000001e6", "100000000000000000000e-20", "1e0000000000000000000000005", "1e-99999999999",
        "0e99999999999", "1.e5", ".e5", "-.e5", "2.5E-3x", "1,5", "0.3", "0.1", "0.7", "16777217",
    };
    // Float midpoints (odd 25-bit mantissas), 1 to 21 digits: a double one step off rounds to the other float.
    std::mt19937_64 random(1234);
    for (int i = 0; i < 20000; ++i) {
        const double value = std::ldexp(static_cast<double>((random() >> 39) | 1), -static_cast<int>(random() % 40));
        const int digits = static_cast<int>(random() % 21);
        char token[64];
        std::snprintf(token, sizeof token, random() % 2 ? "%.*f" : "%.*e", digits, random() % 2 ? value : -value);
        tokens.push_back(token);
    }
    std::string text;
    for (const std::string& token : tokens)
        text += "v " + token + " 0 0\n";
    auto mesh = parse(text);
    ASSERT_EQ(mesh->vertices.size(), 3 * tokens.size());
    for (std::size_t i = 0; i < tokens.size() && !HasFailure(); ++i) {
        const float expected = static_cast<float>(std::atof(tokens[i].c_str()));
        EXPECT_EQ(std::memcmp(&mesh->vertices[3 * i], &expected, sizeof expected), 0)
            << "'" << tokens[i] << "' read as " << mesh->vertices[3 * i] << ", not " << expected;
    }
}

// Read whole, and in chunks on threads: every chunk size cuts lines somewhere, splitting faces across
// chunks and leaving relative indices pointing into earlier ones.
TEST(ObjReader, MatchesTheLiteralReading)
{
    std::string objects;
    for (int object = 0; object < 6; ++object) {
        objects += "o part\nv 1 2 3\nv 4 5 6\nv 7 8 9\nvt 0.5 0.25\nvn 0 0 1\nvn 0 1 0\n"
                   "f -3/-1/-2 -2//-1 -1/-1\nf 1 -1/1 2//2 -2/-1/-1\n# " +
                   std::string(static_cast<std::size_t>(object * 31), '#') + "\n";
    }
    const std::string files[] = {
        "",
        "v 1\nvt\nvn 1 2\nf 1\nf 1 2\nf 1 2 3\nf\n",
        "vt 0.5 0.5 0.5\nvn 1 0 0 0\nv -1e3 +2.5E-2 .5 9\nf -1/-1/-1 -1/-1/-1 -1/-1/-1\n",
        "f 1/2/3/4 5//6 7/\nf\t1 2 3\nf 1  2   3\nf 1 2 3 4 5 6\n",
        "# comment\no object\ng group\ns off\nusemtl m\nmtllib x.mtl\nvp 1 2 3\n",
        "v\t1 2 3\n v 1 2 3\nv 1\t2 3\nv 0x1p4 inf nan\nv 1e400 -1e400 1e-400\n",
        "# a\n\n v\nf 1 2 3\r\n\nf 4 5 6",
        "v 1 2 3\0\nf 1 2 3\0 4\nv 1 2\0 9\n"s,
        "v " + std::string(300, '1') + " 2 3\nv 4 5 6\n",
        "v 1 2 " + std::string(192, ' ') + "34\nv 7 8 9\n",
        "v 1 2 3" + std::string(192, ' ') + "\nf 1 1 1" + std::string(193, ' ') + "\nv 9 9 9",
        "v 4 5 6\n" + ("v 1 2 3" + std::string(192, ' ')), // 199 characters, no newline
        "#" + std::string(199, 'x') + "\nv 4 5 6\n", // even a comment ends the reading
        // The CR stays on a line's last token and stops the number there.
        "v 1.5 -2 3e2 1\r\nvt 0.25 0.75\r\nvn 0 0 1\r\nf 1 2 3 4\r\nf 1/1/1 1/1/1 1/1/1\r\n\r\n",
        // Lines known by two letters alone; a tab is no separator.
        "\tv 1 2 3\nV 1 2 3\no v 1 2 3\nvtx 1 2\nvn\t0 0 1 7\nv 1\t2 3\nf 1\t2 3 4\n",
        "f 99999999999/-99999999999/2147483648 -2147483649 0\nf +1/+2/+3 -0 00\n",
        "f -1 -1 -1\nv 1 2 3\nvt 1 1\nf -1/-1 -1/-1/-1 -2//-1\nvn 0 0 1\nf 1/-1/-1 -1//-1 -1\nv\nf -1 -2 -3\n",
        objects,
        objects + "v 0.1 0.2 0.3\r\nf -1 -1 -1\r\nf 1 2 3\0 -1\nvt 1 2"s,
        objects + "f 1 2 3 # " + std::string(250, 'x') + "\nf -1 -1 -1\n" + objects,
        "#" + std::string(300, 'x') + "\n" + objects,
        objects + std::string(199, 'c') + "\n" + "v 9 9 9\nf -1 -1 -1\n",
    };
    TempDir dir;
    for (const std::string& file : files) {
        const ObjReference expected(file);
        const std::string path = dir.write("chunks.obj", file);
        EXPECT_TRUE(expected.matches(*parse(file))) << "file " << &file - files;
        for (unsigned threads : {1u, 2u, 3u}) {
            for (std::size_t chunk : {1, 2, 3, 7, 16, 63, 199, 200, 201, 1000, 1 << 20}) {
                SCOPED_TRACE("file " + std::to_string(&file - files) + ", " + std::to_string(threads) +
                             " threads, chunks of " + std::to_string(chunk));
                const vornak_engine::ObjReader::Options options{threads, chunk, false};
                auto fromMemory = Mesh3D::withoutGL(), fromFile = Mesh3D::withoutGL();
                fromMemory->parseOBJ(file.data(), file.size(), options);
                fromFile->loadOBJ(path.c_str(), options);
                EXPECT_TRUE(expected.matches(*fromMemory) && expected.matches(*fromFile));
                if (HasFailure())
                    return;
            }
        }
    }
}

#ifdef VORNAK_TEST_TINYOBJ
TEST(ObjReader, AgreesWithTinyobjloader)
{
    const std::string files[] = {
        "v 1 2 3\nv 4 5 6\nv 7 8 9\nvn 1 0 0\nvn 0 1 0\nf 1//2 2//1 3//2\nf 3//1 2//2 1//1\n",
        "# exported\no thing\nv 0.123456 0.654321 -0.5\nv 1 1 1\nv 2 2 2\nv 3 3 3\nvt 0.1 0.2\nvt 0.3 0.4\n"
        "g part\nf 1/1 2/2 3/1\nf 2/2 3/1 4/2\n",
        "v 0.5 -0.25 1e-3\r\nv 1.125 2 3\r\nv -7 8.5 9\r\nvt 0 0\r\nvt 1 0\r\nvn 0 0 1\r\nf 1/1/1 2/2/1 3/1/1\r\n",
        "v 1 1 1\nv 2 2 2\nv 3 3 3\nvt 0.5 0.5\nvn 0 1 0\nf -3/-1/-1 -2/-1/-1 -1/-1/-1\n",
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        auto mesh = parse(file);
        mesh->buildMesh();
        EXPECT_EQ(mesh->faultSummary(), "");
        tinyobj::ObjReader reader;
        ASSERT_TRUE(reader.ParseFromString(file, "")) << reader.Error();
        const tinyobj::attrib_t& attrib = reader.GetAttrib();
        EXPECT_TRUE(ObjReference::same(mesh->vertices, attrib.vertices) &&
                    ObjReference::same(mesh->textCoords, attrib.texcoords) &&
                    ObjReference::same(mesh->normals, attrib.normals));
        std::vector<tinyobj::index_t> corners;
        for (const tinyobj::shape_t& shape : reader.GetShapes())
            corners.insert(corners.end(), shape.mesh.indices.begin(), shape.mesh.indices.end());
        ASSERT_EQ(corners.size(), 3 * mesh->faces.size());
        for (std::size_t i = 0; i < corners.size(); ++i) {
            SCOPED_TRACE(i);
            // tinyobjloader's indices are 0-based, -1 for none.
            const vornak_engine::MeshIndex face = mesh->absoluteFace(i / 3);
            EXPECT_EQ(corners[i].vertex_index, mesh->indexArray[i]);
            EXPECT_EQ(corners[i].normal_index, face.normal[i % 3] - 1);
            EXPECT_EQ(corners[i].texcoord_index, face.text[i % 3] - 1);
        }
    }
}
#endif

} // namespace
