#include "engine/Mesh3D.h"
#include "support/ObjReference.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
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

std::uint32_t bits(float f)
{
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// Same floats to the bit (NaNs and the sign of zero included).
void expectBits(const std::vector<float>& actual, const std::vector<float>& expected, const char* what)
{
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_EQ(bits(actual[i]), bits(expected[i])) << what << "[" << i << "] " << actual[i] << " vs " << expected[i];
}

void expectMatchesReference(const std::string& text)
{
    auto mesh = parse(text);
    ObjReference ref(text);
    expectBits(mesh->vertices, ref.vertices, "vertices");
    expectBits(mesh->textCoords, ref.textCoords, "textCoords");
    expectBits(mesh->normals, ref.normals, "normals");
    EXPECT_EQ(mesh->hasNormals, ref.hasNormals);
    EXPECT_EQ(mesh->hasText, ref.hasText);
    EXPECT_EQ(mesh->faceLines, ref.faceLines);
    ASSERT_EQ(mesh->faces.size(), ref.faces.size());
    for (std::size_t k = 0; k < ref.faces.size(); ++k) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(mesh->faces[k].vertex[c], ref.faces[k].vertex[c]) << "face " << k;
            EXPECT_EQ(mesh->faces[k].text[c], ref.faces[k].text[c]) << "face " << k;
            EXPECT_EQ(mesh->faces[k].normal[c], ref.faces[k].normal[c]) << "face " << k;
        }
    }
}

TEST(ObjReader, LineKinds)
{
    auto mesh = parse("v 1.5 -2 3e2 1\n"
                      "vt 0.25 0.75 0\n"
                      "vn 0 0 1\n"
                      "f 1 2 3 4\n");
    EXPECT_EQ(mesh->vertices, (std::vector<float>{1.5f, -2.0f, 300.0f}));
    EXPECT_EQ(mesh->textCoords, (std::vector<float>{0.25f, 0.75f}));
    EXPECT_EQ(mesh->normals, (std::vector<float>{0, 0, 1}));
    EXPECT_TRUE(mesh->hasText);
    EXPECT_TRUE(mesh->hasNormals);
    ASSERT_EQ(mesh->faces.size(), 1u);
    EXPECT_EQ(mesh->faces[0].vertex[2], 3);
    EXPECT_EQ(mesh->faceLines, std::vector<int>{4});

    // Each of these is skipped whole; vt and vn are known by their two letters alone.
    struct Row {
        const char* line;
        std::size_t vertices, textCoords, normals, faces;
    } rows[] = {
        {" v 1 2 3", 0, 0, 0, 0},  {"\tv 1 2 3", 0, 0, 0, 0},   {"v\t1 2 3", 0, 0, 0, 0},
        {"f\t1 2 3", 0, 0, 0, 0},  {"vp 1 2 3", 0, 0, 0, 0},    {"# v 1 2 3", 0, 0, 0, 0},
        {"o v 1 2 3", 0, 0, 0, 0}, {"g f 1 2 3", 0, 0, 0, 0},   {"s 1", 0, 0, 0, 0},
        {"usemtl x", 0, 0, 0, 0},  {"V 1 2 3", 0, 0, 0, 0},     {"", 0, 0, 0, 0},
        {"vtx 1 2", 0, 2, 0, 0},   {"vn\t0 0 1 7", 0, 0, 3, 0}, {"v  1  2  3 ", 3, 0, 0, 0},
        {"f 1\t2 3 4", 0, 0, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        auto m = parse(std::string(row.line) + "\n");
        EXPECT_EQ(m->vertices.size(), row.vertices);
        EXPECT_EQ(m->textCoords.size(), row.textCoords);
        EXPECT_EQ(m->normals.size(), row.normals);
        EXPECT_EQ(m->faces.size(), row.faces);
        EXPECT_EQ(m->hasText, row.textCoords > 0);
        EXPECT_EQ(m->hasNormals, row.normals > 0);
    }
    // "vtx 1 2": the keyword token is vtx, then two values.
    EXPECT_EQ(parse("vtx 1 2\n")->textCoords, (std::vector<float>{1, 2}));
}

TEST(ObjReader, LineBufferOf200Characters)
{
    const std::string next = "\nv 4 5 6\n";
    // Padding after the values makes a line of any length that still reads 1 2 3.
    auto vLine = [](std::size_t length) { return "v 1 2 3" + std::string(length - 7, ' '); };

    // A first line over 199 characters (a comment) ends the reading.
    EXPECT_TRUE(parse("#" + std::string(250, 'x') + next)->vertices.empty());
    EXPECT_TRUE(parse("#" + std::string(199, 'x') + next)->vertices.empty()); // exactly 200

    struct Row {
        std::size_t length;
        std::size_t floats;
    } rows[] = {{198, 6}, {199, 6}, {200, 3}, {201, 3}, {400, 3}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.length);
        // The cut line's first 199 characters are still processed, then nothing more.
        auto mesh = parse(vLine(row.length) + next);
        EXPECT_EQ(mesh->vertices.size(), row.floats);
        expectMatchesReference(vLine(row.length) + next);
    }

    // The cut falls inside a number: only its first digit is inside the 199.
    std::string cut = "v 1 2 " + std::string(192, ' ') + "34\nv 7 8 9\n";
    ASSERT_EQ(cut.find('\n'), 200u);
    EXPECT_EQ(parse(cut)->vertices, (std::vector<float>{1, 2, 3}));

    // 199 characters with no newline at the very end of the input are read whole.
    EXPECT_EQ(parse("v 4 5 6\n" + vLine(199))->vertices.size(), 6u);
}

TEST(ObjReader, LineEndings)
{
    // CR LF: the CR stays on the last token and stops the number there.
    auto crlf = parse("v 1 2 3.5\r\nvt 0.5 0.25\r\nvn 0 1 0\r\nf 1/1/1 1/1/1 1/1/1\r\n\r\n");
    EXPECT_EQ(crlf->vertices, (std::vector<float>{1, 2, 3.5f}));
    EXPECT_EQ(crlf->textCoords, (std::vector<float>{0.5f, 0.25f}));
    EXPECT_EQ(crlf->normals, (std::vector<float>{0, 1, 0}));
    ASSERT_EQ(crlf->faces.size(), 1u);
    EXPECT_EQ(crlf->faces[0].normal[2], 1);

    // No final newline: the last line is still read.
    EXPECT_EQ(parse("v 1 2 3\nv 4 5 6")->vertices.size(), 6u);
    EXPECT_EQ(parse("f 1 2 3")->faces.size(), 1u);

    // A NUL ends what is seen of a line, not the line itself.
    EXPECT_EQ(parse("v 1 2\0 9\nv 4 5 6\n"s)->vertices,
              (std::vector<float>{1, 2, 0, 4, 5, 6}));

    // Line numbers count every line, skipped and cut ones included.
    EXPECT_EQ(parse("# a\n\n v\nf 1 2 3\r\n\nf 4 5 6")->faceLines, (std::vector<int>{4, 6}));
}

TEST(ObjReader, NumbersConvertAsAtof)
{
    const char* tokens[] = {
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
    for (const char* token : tokens) {
        SCOPED_TRACE(token);
        auto mesh = parse(std::string("v ") + token + " 0 0\n");
        ASSERT_EQ(mesh->vertices.size(), 3u);
        EXPECT_EQ(bits(mesh->vertices[0]), bits(static_cast<float>(std::atof(token))));
    }

    // Plain decimals of every length, as exporters write them, against atof itself.
    std::mt19937_64 random(1234);
    std::string text;
    std::vector<std::string> written;
    for (int i = 0; i < 200000; ++i) {
        char token[64];
        const int form = static_cast<int>(random() % 4);
        const double value = std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(random() % 80));
        const int digits = static_cast<int>(random() % 21);
        if (form == 0)
            std::snprintf(token, sizeof token, "%.*f", digits, random() % 2 ? value : -value);
        else if (form == 1)
            std::snprintf(token, sizeof token, "%.*e", digits, value);
        else if (form == 2)
            std::snprintf(token, sizeof token, "%llu.%llue%d", static_cast<unsigned long long>(random() % 100000),
                          static_cast<unsigned long long>(random() % 1000000000),
                          static_cast<int>(random() % 60) - 30);
        else
            std::snprintf(token, sizeof token, "%.*g", digits + 1, value * 1e-6);
        written.push_back(token);
        text += "vt ";
        text += token;
        text += " 1\n";
    }
    auto mesh = parse(text);
    ASSERT_EQ(mesh->textCoords.size(), 2 * written.size());
    int wrong = 0;
    for (std::size_t i = 0; i < written.size() && wrong < 10; ++i) {
        if (bits(mesh->textCoords[2 * i]) != bits(static_cast<float>(std::atof(written[i].c_str())))) {
            ADD_FAILURE() << written[i];
            ++wrong;
        }
    }
}

TEST(ObjReader, MatchesTheLiteralReading)
{
    const std::string files[] = {
        "",
        "\n\n\n",
        "v 1 2 3\nv 4 5 6\nv 7 8 9\nf 1 2 3\n",
        "v 0.1 0.2 0.3\r\nvt 1 1\r\nvn 0 0 -1\r\nf 1/1/1 1/1/1 1/1/1\r\n",
        "v 1\nvt\nvn 1 2\nf 1\nf 1 2\nf 1 2 3\nf\n",
        "vt 0.5 0.5 0.5\nvn 1 0 0 0\nv -1e3 +2.5E-2 .5 9\nf -1/-1/-1 -1/-1/-1 -1/-1/-1\n",
        "f 1/2/3/4 5//6 7/\nf\t1 2 3\nf 1  2   3\nf 1 2 3 4 5 6\n",
        "# comment\no object\ng group\ns off\nusemtl m\nmtllib x.mtl\nvp 1 2 3\n",
        "v\t1 2 3\n v 1 2 3\nv 1\t2 3\nv 0x1p4 inf nan\nv 1e400 -1e400 1e-400\n",
        "v 1 2 3\0\nf 1 2 3\0 4\n"s,
        "v " + std::string(300, '1') + " 2 3\nv 4 5 6\n",
        "v 1 2 3" + std::string(192, ' ') + "\nf 1 1 1" + std::string(193, ' ') + "\nv 9 9 9",
        "f 99999999999/-99999999999/2147483648 -2147483649 0\nf +1/+2/+3 -0 00\n",
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file.substr(0, 60));
        expectMatchesReference(file);
    }
}

TEST(ObjReader, UnreadablePathGivesNothing)
{
    TempDir dir;
    const std::string paths[] = {dir.path() + "/missing.obj", dir.path()};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        auto mesh = Mesh3D::withoutGL();
        testing::internal::CaptureStderr();
        mesh->loadOBJ(const_cast<char*>(path.c_str()));
        mesh->buildMesh();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_TRUE(mesh->vertices.empty());
        EXPECT_TRUE(mesh->textCoords.empty());
        EXPECT_TRUE(mesh->normals.empty());
        EXPECT_TRUE(mesh->faces.empty());
        EXPECT_FALSE(mesh->hasNormals);
        EXPECT_FALSE(mesh->hasText);
        EXPECT_EQ(mesh->indexCount, 0);
        EXPECT_EQ(mesh->textCount, 0);
    }
}

TEST(ObjReader, FileReadInChunksMatchesMemory)
{
    // Larger than one read chunk, with lines of every length straddling the chunk edges.
    std::string text;
    std::mt19937 random(7);
    while (text.size() < (3u << 20)) {
        const int kind = static_cast<int>(random() % 4);
        if (kind == 0)
            text += "v " + std::to_string(random() % 1000) + ".25 -1 2\n";
        else if (kind == 1)
            text += "vn 0 0 1\n";
        else if (kind == 2)
            text += "f " + std::to_string(random() % 50 + 1) + "//1 2//1 3//1\n";
        else
            text += "# " + std::string(random() % 190, 'c') + "\n";
    }
    TempDir dir;
    const std::string path = dir.write("big.obj", text);
    auto fromFile = Mesh3D::withoutGL();
    fromFile->loadOBJ(const_cast<char*>(path.c_str()));
    auto fromMemory = parse(text);
    expectBits(fromFile->vertices, fromMemory->vertices, "vertices");
    expectBits(fromFile->normals, fromMemory->normals, "normals");
    EXPECT_EQ(fromFile->faceLines, fromMemory->faceLines);
    EXPECT_EQ(fromFile->faces.size(), fromMemory->faces.size());
}

#ifdef VORNAK_TEST_TINYOBJ
TEST(ObjReader, AgreesWithTinyobjloader)
{
    // Triangulated files both readers take the same way: tinyobjloader's 0-based indices
    // (-1 for none) against ours minus one.
    const std::string files[] = {
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 1 3 4\n",
        "v 0.5 -0.25 1e-3\nv 1.125 2 3\nv -7 8.5 9\nvt 0 0\nvt 1 0\nvt 0.5 1\nvn 0 0 1\n"
        "f 1/1/1 2/2/1 3/3/1\n",
        "v 1 2 3\nv 4 5 6\nv 7 8 9\nvn 1 0 0\nvn 0 1 0\nf 1//2 2//1 3//2\nf 3//1 2//2 1//1\n",
        "# exported\no thing\nv 0.123456 0.654321 -0.5\nv 1 1 1\nv 2 2 2\nv 3 3 3\nvt 0.1 0.2\nvt 0.3 0.4\n"
        "g part\nf 1/1 2/2 3/1\nf 2/2 3/1 4/2\n",
        "v 1 2 3\r\nv 4 5 6\r\nv 7 8 9\r\nvt 0.25 0.75\r\nvn 0 0 1\r\nf 1/1/1 2/1/1 3/1/1\r\n",
        "v 1 1 1\nv 2 2 2\nv 3 3 3\nvt 0.5 0.5\nvn 0 1 0\nf -3/-1/-1 -2/-1/-1 -1/-1/-1\n",
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        auto mesh = parse(file);
        mesh->buildMesh();
        EXPECT_EQ(mesh->faultSummary(), "");

        tinyobj::ObjReaderConfig config;
        config.triangulate = false;
        tinyobj::ObjReader reader;
        ASSERT_TRUE(reader.ParseFromString(file, "", config)) << reader.Error();
        const tinyobj::attrib_t& attrib = reader.GetAttrib();
        expectBits(mesh->vertices, attrib.vertices, "vertices");
        expectBits(mesh->textCoords, attrib.texcoords, "textCoords");
        expectBits(mesh->normals, attrib.normals, "normals");

        std::vector<tinyobj::index_t> corners;
        for (const tinyobj::shape_t& shape : reader.GetShapes())
            corners.insert(corners.end(), shape.mesh.indices.begin(), shape.mesh.indices.end());
        ASSERT_EQ(corners.size(), 3 * mesh->faces.size());
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const int c = static_cast<int>(i % 3);
            EXPECT_EQ(corners[i].vertex_index, mesh->indexArray[i]) << "corner " << i;
            const vornak_engine::MeshIndex& face = mesh->faces[i / 3];
            // tinyobjloader resolves negative indices as it reads; ours keep them as written.
            if (face.normal[c] > 0) {
                EXPECT_EQ(corners[i].normal_index, face.getNormal(c)) << "corner " << i;
            } else if (face.normal[c] == 0) {
                EXPECT_EQ(corners[i].normal_index, -1) << "corner " << i;
            }
            if (face.text[c] > 0) {
                EXPECT_EQ(corners[i].texcoord_index, face.getText(c)) << "corner " << i;
            } else if (face.text[c] == 0) {
                EXPECT_EQ(corners[i].texcoord_index, -1) << "corner " << i;
            }
        }
    }
}
#endif

} // namespace
