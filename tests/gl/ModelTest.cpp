#include "vornak/Matrix.h"
#include "vornak/Model.h"
#include "vornak/ShaderProgram.h"
#include "support/DrawHelpers.h"
#include "support/GLTest.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using vornak_engine::Matrix;
using vornak_engine::Model;

// Unlit: the material's colour times its picture, as the model hands them over.
const char* const kVS = R"(#version 410 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 texcoord;
uniform mat4 transform;
out vec2 uv;
void main() { uv = texcoord; gl_Position = transform * vec4(position, 1.0); }
)";
const char* const kFS = R"(#version 410 core
in vec2 uv;
uniform vec4 materialColour;
uniform sampler2D materialPicture;
out vec4 colour;
void main() { colour = vec4(materialColour.rgb * texture(materialPicture, uv).rgb, 1.0); }
)";

class ModelTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        program = std::make_unique<vornak_engine::ShaderProgram>(draw::makeProgram(dir, kVS, kFS));
        Matrix identity;
        identity.scale(1, 1, 1);
        transform = identity;
    }

    // Reads the file as the constructor does, with a green default material, then
    // draws it; returns what went to standard error.
    std::string drawFile(const std::string& path)
    {
        testing::internal::CaptureStderr();
        auto model = Model::withoutGL();
        model->defaultMaterial.colour[0] = 0;
        model->defaultMaterial.colour[1] = 1;
        model->defaultMaterial.colour[2] = 0;
        model->load(path.c_str());
        model->createOpenGLBinding();
        glClear(GL_COLOR_BUFFER_BIT);
        program->use();
        program->setUniform("transform", transform);
        model->draw(program->getProgramID());
        return testing::internal::GetCapturedStderr();
    }

    std::vector<std::uint8_t> frameOf(const std::string& name, const std::string& text)
    {
        EXPECT_EQ(drawFile(dir.write(name, text)), "");
        return frame();
    }

    // Pixels of the frame that are not the black background.
    static long covered()
    {
        const auto f = frame();
        long count = 0;
        for (std::size_t i = 0; i < f.size(); i += 4)
            count += f[i] + f[i + 1] + f[i + 2] > 30;
        return count;
    }

    TempDir dir;
    std::unique_ptr<vornak_engine::ShaderProgram> program;
    Matrix transform;
};

TEST_F(ModelTest, QuadsDrawTheSamePixelsAsTheirTriangles)
{
    // A 3 x 2 grid of quads and a pentagon roof over it, and the same cut by hand.
    std::string positions;
    for (int y = 0; y <= 2; ++y)
        for (int x = 0; x <= 3; ++x)
            positions += "v " + std::to_string(-0.9 + 0.5 * x) + " " + std::to_string(-0.9 + 0.5 * y) + " 0\n";
    positions += "v -0.15 0.8 0\n"; // 13: the roof's top
    std::string quads = positions, triangles = positions;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const int a = 1 + y * 4 + x, b = a + 1, c = a + 5, d = a + 4;
            quads += "f " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + " " +
                     std::to_string(d) + "\n";
            triangles += "f " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + "\nf " +
                         std::to_string(a) + " " + std::to_string(c) + " " + std::to_string(d) + "\n";
        }
    quads += "f 9 10 11 12 13\n"; // a roof on the top row's corners: a pentagon with a straight base
    triangles += "f 9 10 11\nf 9 11 12\nf 9 12 13\n";
    const auto fromQuads = frameOf("quads.obj", quads);
    const long area = covered();
    const auto fromTriangles = frameOf("triangles.obj", triangles);
    EXPECT_TRUE(fromQuads == fromTriangles);
    // The grid covers 1.5 x 1.0 of the 2 x 2 view, the roof 1.5 x 0.7 / 2 above it.
    EXPECT_NEAR(static_cast<double>(area) / (kWidth * kHeight), (1.5 + 0.525) / 4, 0.01);
    // The second triangle of every quad is there: a top-left corner of each cell.
    drawFile(dir.path() + "/quads.obj");
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            SCOPED_TRACE("cell " + std::to_string(x) + "," + std::to_string(y));
            const double fx = (-0.9 + 0.5 * x + 0.1 + 1) / 2, fy = (-0.9 + 0.5 * y + 0.4 + 1) / 2;
            EXPECT_TRUE(near(pixelAt(fx, fy), {0, 255, 0, 255}, 2));
        }
}

TEST_F(ModelTest, SeamsShowEachFacesOwnPicture)
{
    // Left half red, right half blue, and a white stripe along the bottom.
    testimg::Pixels rows;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool white = y >= 13, red = x < 8;
            rows.insert(rows.end(), {std::uint8_t(white || red ? 255 : 0), std::uint8_t(white ? 255 : 0),
                                     std::uint8_t(white || !red ? 255 : 0)});
        }
    dir.write("halves.png", testimg::encodePNG(16, 16, rows));
    dir.write("cube.mtl", "newmtl halves\nKd 1 1 1\nmap_Kd halves.png\n");
    const float p[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                           {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    const int faces[6][4] = {{5, 6, 7, 8}, {2, 1, 4, 3}, {6, 2, 3, 7}, {1, 5, 8, 4}, {8, 7, 3, 4}, {1, 2, 6, 5}};
    const std::string head = "mtllib cube.mtl\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl halves\n";
    std::string shared = head, apart = head;
    for (const auto& corner : p)
        shared += "v " + std::to_string(corner[0]) + " " + std::to_string(corner[1]) + " " +
                  std::to_string(corner[2]) + "\n";
    for (int f = 0; f < 6; ++f) {
        shared += "f";
        for (int c = 0; c < 4; ++c) {
            const float* q = p[faces[f][c] - 1];
            apart += "v " + std::to_string(q[0]) + " " + std::to_string(q[1]) + " " + std::to_string(q[2]) + "\n";
            shared += " " + std::to_string(faces[f][c]) + "/" + std::to_string(c + 1);
        }
        shared += "\n";
        apart += "f -4/1 -3/2 -2/3 -1/4\n";
    }
    Matrix turn, size;
    turn.rotate(0.5, 0.7, 0.0);
    size.scale(0.45, 0.8, 0.01); // the window is wide; z stays inside the clip volume
    transform = turn * size;
    glEnable(GL_CULL_FACE); // a closed cube wound outward: no depth buffer needed
    const auto sharing = frameOf("shared.obj", shared);
    const auto reds = [](const std::vector<std::uint8_t>& f, int channel) {
        long n = 0;
        for (std::size_t i = 0; i < f.size(); i += 4)
            n += f[i + channel] > 200 && f[i + (channel + 1) % 3] < 50;
        return n;
    };
    const auto separate = frameOf("apart.obj", apart);
    glDisable(GL_CULL_FACE);
    EXPECT_TRUE(sharing == separate);
    // Three faces show, each half red and half blue.
    const long red = reds(sharing, 0), blue = reds(sharing, 2);
    EXPECT_GT(red, kWidth * kHeight / 20);
    EXPECT_NEAR(static_cast<double>(red) / static_cast<double>(blue), 1.0, 0.35);
}

TEST_F(ModelTest, MaterialsDrawInTheirColoursAndPictures)
{
    // Two squares side by side, then a third above them with a picture.
    const std::string squares = "v -0.9 -0.9 0\nv -0.1 -0.9 0\nv -0.1 -0.1 0\nv -0.9 -0.1 0\n"
                                "v 0.1 -0.9 0\nv 0.9 -0.9 0\nv 0.9 -0.1 0\nv 0.1 -0.1 0\n"
                                "v -0.5 0.1 0\nv 0.5 0.1 0\nv 0.5 0.9 0\nv -0.5 0.9 0\n"
                                "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
    const std::string faces = "usemtl red\nf 1 2 3 4\nusemtl blue\nf 5 6 7 8\nusemtl picture\nf 9/1 10/2 11/3 12/4\n";
    // Quadrants: bottom-left red, bottom-right green, top-left blue, top-right white.
    testimg::Pixels rows;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool top = y < 4, right = x >= 4;
            const std::uint8_t r = (!top && !right) || (top && right) ? 255 : 0;
            const std::uint8_t g = (!top && right) || (top && right) ? 255 : 0;
            const std::uint8_t b = top ? 255 : 0;
            rows.insert(rows.end(), {r, g, b});
        }
    dir.write("pictures/quarters.png", testimg::encodePNG(8, 8, rows));
    const std::string mtl = "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\nnewmtl picture\nmap_Kd pictures/quarters.png\n";
    dir.write("good.mtl", mtl);
    const Rgba red{255, 0, 0, 255}, blue{0, 0, 255, 255}, green{0, 255, 0, 255}, white{255, 255, 255, 255};
    const struct {
        const char* label;
        std::string mtllib;
        std::string stderrLine; // after the directory
        Rgba left, right, pictureQuarters[4];
    } rows2[] = {
        {"two colours and a picture", "good.mtl", "", red, blue, {red, green, blue, white}},
        {"a missing .mtl", "absent.mtl", "/absent.mtl: cannot open: No such file or directory\n", green, green,
         {green, green, green, green}},
        {"a damaged .mtl", "damaged.mtl", "/damaged.mtl: 2 unusable lines skipped (first at line 1)\n", green, green,
         {green, green, green, green}},
        {"a missing picture", "nopicture.mtl", "", red, blue, {green, green, green, green}},
    };
    const char damaged[] = "Kd 1 0 0\n\x89PNG\r\n\x1a\n\0\0\0\rIHDR\n";
    dir.write("damaged.mtl", std::string(damaged, sizeof damaged - 1));
    dir.write("nopicture.mtl", "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\nnewmtl picture\nmap_Kd gone.png\n");
    for (const auto& row : rows2) {
        SCOPED_TRACE(row.label);
        const std::string path = dir.write("model.obj", "mtllib " + row.mtllib + "\n" + squares + faces);
        const std::string err = drawFile(path);
        if (std::string(row.label) == "a missing picture") {
            // The decoder's own line, naming the file.
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
            EXPECT_NE(err.find(dir.path() + "/gone.png: "), std::string::npos) << err;
        } else {
            EXPECT_EQ(err, row.stderrLine.empty() ? "" : dir.path() + row.stderrLine);
        }
        EXPECT_TRUE(near(pixelAt(0.25, 0.25), row.left, 2));
        EXPECT_TRUE(near(pixelAt(0.75, 0.25), row.right, 2));
        const double at[4][2] = {{0.33, 0.6}, {0.67, 0.6}, {0.33, 0.9}, {0.67, 0.9}};
        for (int q = 0; q < 4; ++q)
            EXPECT_TRUE(near(pixelAt(at[q][0], at[q][1]), row.pictureQuarters[q], 2)) << "quarter " << q;
    }
}

TEST_F(ModelTest, UploadAndDrawLeaveWhatTheHeaderSays)
{
    const std::string path = dir.write("one.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    auto model = std::make_unique<Model>(path.c_str());
    GLint vertexArray = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    EXPECT_EQ(vertexArray, 0);
    program->use();
    model->draw(program->getProgramID());
    GLint unit = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(static_cast<GLuint>(vertexArray), model->vao);
    EXPECT_EQ(unit, GL_TEXTURE0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const GLuint vao = model->vao;
    model.reset();
    EXPECT_FALSE(glIsVertexArray(vao));
}

} // namespace
