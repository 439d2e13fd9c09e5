#include "vornak/Matrix.h"
#include "vornak/Model.h"
#include "vornak/ShaderProgram.h"
#include "support/DrawHelpers.h"
#include "support/GLTest.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using vornak_engine::Matrix;
using vornak_engine::Model;

// Unlit: the material's colour times its picture, as the model hands them over.
const char* const kVS = R"(#version 410 core
layout(location = 0) in vec3 position; layout(location = 2) in vec2 texcoord; uniform mat4 transform; out vec2 uv;
void main() { uv = texcoord; gl_Position = transform * vec4(position, 1.0); }
)";
const char* const kFS = R"(#version 410 core
in vec2 uv; uniform vec4 materialColour; uniform sampler2D materialPicture; out vec4 colour;
void main() { colour = vec4(materialColour.rgb * texture(materialPicture, uv).rgb, 1.0); }
)";

// 8 x 8 quarters: bottom-left red, bottom-right green, top-left blue, top-right white.
std::string quarters()
{
    testimg::Pixels rows;
    for (int i = 0; i < 8 * 8; ++i) {
        const bool top = i / 8 < 4, right = i % 8 >= 4;
        rows.insert(rows.end(), {std::uint8_t(top == right ? 255 : 0), std::uint8_t(right ? 255 : 0),
                                 std::uint8_t(top ? 255 : 0)});
    }
    return testimg::encodePNG(8, 8, rows);
}

class ModelTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        program = std::make_unique<vornak_engine::ShaderProgram>(draw::makeProgram(dir, kVS, kFS));
        transform.scale(1, 1, 1);
    }

    // Reads the file as the constructor does, with a green default material, and draws it; returns its stderr.
    std::string drawFile(const std::string& path)
    {
        testing::internal::CaptureStderr();
        auto model = Model::withoutGL();
        model->defaultMaterial = {"", {0, 1, 0, 1}, ""};
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

    TempDir dir;
    std::unique_ptr<vornak_engine::ShaderProgram> program;
    Matrix transform;
};

TEST_F(ModelTest, QuadsDrawTheSamePixelsAsTheirTriangles)
{
    // A 3 x 2 grid of quads (corners 1 to 12, row by row) under a pentagon roof (13 its top), and the same cut by hand.
    std::string quads;
    for (int k = 0; k < 12; ++k)
        quads += "v " + std::to_string(-0.9 + 0.5 * (k % 4)) + " " + std::to_string(-0.9 + 0.5 * (k / 4)) + " 0\n";
    quads += "v -0.15 0.8 0\n";
    const std::string triangles = quads + "f 1 2 6\nf 1 6 5\nf 2 3 7\nf 2 7 6\nf 3 4 8\nf 3 8 7\nf 5 6 10\nf 5 10 9\n"
                                          "f 6 7 11\nf 6 11 10\nf 7 8 12\nf 7 12 11\nf 9 10 11\nf 9 11 12\nf 9 12 13\n";
    quads += "f 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 5 6 10 9\nf 6 7 11 10\nf 7 8 12 11\nf 9 10 11 12 13\n";
    const auto fromQuads = frameOf("quads.obj", quads);
    EXPECT_TRUE(fromQuads == frameOf("triangles.obj", triangles));
    long area = 0; // not the black background
    for (std::size_t i = 0; i < fromQuads.size(); i += 4)
        area += fromQuads[i] + fromQuads[i + 1] + fromQuads[i + 2] > 30;
    // The grid covers 1.5 x 1.0 of the 2 x 2 view, the roof 1.5 x 0.7 / 2 above it.
    EXPECT_NEAR(static_cast<double>(area) / (kWidth * kHeight), (1.5 + 0.525) / 4, 0.01);
}

TEST_F(ModelTest, SeamsShowEachFacesOwnPicture)
{
    dir.write("quarters.png", quarters());
    dir.write("cube.mtl", "newmtl quarters\nKd 1 1 1\nmap_Kd quarters.png\n");
    const std::string p[8] = {"-1 -1 -1", "1 -1 -1", "1 1 -1", "-1 1 -1", "-1 -1 1", "1 -1 1", "1 1 1", "-1 1 1"};
    const int faces[6][4] = {{5, 6, 7, 8}, {2, 1, 4, 3}, {6, 2, 3, 7}, {1, 5, 8, 4}, {8, 7, 3, 4}, {1, 2, 6, 5}};
    std::string shared = "mtllib cube.mtl\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl quarters\n", apart = shared;
    for (const std::string& corner : p)
        shared += "v " + corner + "\n";
    for (const auto& face : faces) {
        shared += "f";
        for (int c = 0; c < 4; ++c) {
            apart += "v " + p[face[c] - 1] + "\n";
            shared += " " + std::to_string(face[c]) + "/" + std::to_string(c + 1);
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
    EXPECT_TRUE(sharing == frameOf("apart.obj", apart));
    glDisable(GL_CULL_FACE);
    // Three faces show, each a quarter red and a quarter blue.
    long red = 0, blue = 0;
    for (std::size_t i = 0; i < sharing.size(); i += 4) {
        red += sharing[i] > 200 && sharing[i + 1] < 50;
        blue += sharing[i + 2] > 200 && sharing[i] < 50;
    }
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
    dir.write("pictures/quarters.png", quarters());
    const std::string colours = "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\nnewmtl picture\nmap_Kd ";
    dir.write("good.mtl", colours + "pictures/quarters.png\n");
    const Rgba red{255, 0, 0, 255}, blue{0, 0, 255, 255}, green{0, 255, 0, 255}, white{255, 255, 255, 255};
    const std::array<Rgba, 4> none{green, green, green, green}; // the default material where the picture was
    const struct {
        const char* label;
        std::string mtllib, stderrLine; // the latter after the directory
        Rgba left, right;
        std::array<Rgba, 4> pictureQuarters; // bottom-left, bottom-right, top-left, top-right
    } rows[] = {
        {"two colours and a picture", "good.mtl", "", red, blue, {red, green, blue, white}},
        {"a missing .mtl", "absent.mtl", "/absent.mtl: cannot open: No such file or directory\n", green, green, none},
        {"a damaged .mtl", "bad.mtl", "/bad.mtl: 2 unusable lines skipped (first at line 1)\n", green, green, none},
        {"a missing picture", "nopicture.mtl", "/gone.png: cannot open: No such file or directory\n", red, blue, none},
    };
    const char damaged[] = "Kd 1 0 0\n\x89PNG\r\n\x1a\n\0\0\0\rIHDR\n";
    dir.write("bad.mtl", std::string(damaged, sizeof damaged - 1));
    dir.write("nopicture.mtl", colours + "gone.png\n");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const std::string err = drawFile(dir.write("model.obj", "mtllib " + row.mtllib + "\n" + squares + faces));
        EXPECT_EQ(err, row.stderrLine.empty() ? "" : dir.path() + row.stderrLine);
        EXPECT_TRUE(near(pixelAt(0.25, 0.25), row.left, 2));
        EXPECT_TRUE(near(pixelAt(0.75, 0.25), row.right, 2));
        const double at[4][2] = {{0.33, 0.6}, {0.67, 0.6}, {0.33, 0.9}, {0.67, 0.9}};
        for (int q = 0; q < 4; ++q)
            EXPECT_TRUE(near(pixelAt(at[q][0], at[q][1]), row.pictureQuarters[q], 2)) << "quarter " << q;
    }
}

TEST_F(ModelTest, UploadAndDrawLeaveWhatTheHeaderSays)
{
    auto model = std::make_unique<Model>(dir.write("one.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n").c_str());
    GLint vertexArray = -1, unit = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    EXPECT_EQ(vertexArray, 0);
    program->use();
    model->draw(program->getProgramID());
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(static_cast<GLuint>(vertexArray), model->vao);
    EXPECT_EQ(unit, GL_TEXTURE0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const GLuint vao = model->vao;
    model.reset();
    EXPECT_FALSE(glIsVertexArray(vao));
}

// The white picture of plain materials comes from its own texel whatever the caller's
// unpack state says, and that state is the caller's again afterwards.
TEST_F(ModelTest, PlainMaterialsAreWhiteWhateverTheUnpackState)
{
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer);
    glBufferData(GL_PIXEL_UNPACK_BUFFER, 16, nullptr, GL_STATIC_DRAW);
    const struct { GLenum name; GLint value; } state[] = {
        {GL_UNPACK_ALIGNMENT, 8}, {GL_UNPACK_ROW_LENGTH, 64}, {GL_UNPACK_SKIP_ROWS, 1000}, {GL_UNPACK_SKIP_PIXELS, 3},
    };
    for (const auto& s : state)
        glPixelStorei(s.name, s.value);
    Model model(dir.write("plain.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n").c_str());
    GLint bound = 0;
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), buffer);
    for (const auto& s : state) {
        GLint value = 0;
        glGetIntegerv(s.name, &value);
        EXPECT_EQ(value, s.value) << std::hex << s.name;
        glPixelStorei(s.name, s.name == GL_UNPACK_ALIGNMENT ? 4 : 0);
    }
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glDeleteBuffers(1, &buffer);

    program->use();
    model.draw(program->getProgramID()); // leaves the last range's picture bound
    GLint white = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &white);
    int width = 0, height = 0;
    const std::vector<std::uint8_t> texel = textureImage(static_cast<GLuint>(white), &width, &height);
    ASSERT_EQ(width * height, 1);
    EXPECT_EQ(texel, std::vector<std::uint8_t>(4, 255));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
