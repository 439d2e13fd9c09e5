#include "vornak/Mesh3D.h"
#include "support/DrawHelpers.h"
#include "support/GLTest.h"
#include "support/TempDir.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using vornak_engine::Mesh3D;

class Mesh3DTest : public GLTest {
protected:
    std::unique_ptr<Mesh3D> load(const std::string& text)
    {
        const std::string path = dir.write("mesh.obj", text);
        return std::make_unique<Mesh3D>(path.c_str());
    }

    static GLint bufferSize(GLuint buffer)
    {
        GLint size = -1, usage = 0;
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
        glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_USAGE, &usage);
        EXPECT_EQ(usage, GL_DYNAMIC_DRAW); // every mesh buffer's hint
        return size;
    }

    template <typename T>
    static std::vector<T> contents(GLuint buffer)
    {
        std::vector<T> data(static_cast<std::size_t>(bufferSize(buffer)) / sizeof(T));
        if (!data.empty())
            glGetBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(data.size() * sizeof(T)), data.data());
        return data;
    }

    TempDir dir;
};

const std::string kSquare = "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n";

TEST_F(Mesh3DTest, FourPositionsTwoFaces)
{
    auto mesh = load(kSquare + "f 1 2 3\nf 1 3 4\n");
    EXPECT_EQ(mesh->indexCount, 6);
    // What the constructor leaves bound: no vertex array, the texture-coordinate buffer.
    GLint vertexArray = -1, arrayBuffer = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
    EXPECT_EQ(vertexArray, 0);
    EXPECT_EQ(static_cast<GLuint>(arrayBuffer), mesh->vbo[2]);
    // Sizes and contents of all four buffers; normals and texture coordinates never written are zero.
    EXPECT_EQ(contents<float>(mesh->vbo[0]), mesh->vertices);
    EXPECT_EQ(contents<float>(mesh->vbo[1]), std::vector<float>(12, 0.0f));
    EXPECT_EQ(contents<float>(mesh->vbo[2]), std::vector<float>(8, 0.0f));
    EXPECT_EQ(contents<int>(mesh->vbo[3]), (std::vector<int>{0, 1, 2, 0, 2, 3}));
    // The layout the vertex array records: location, components, buffer.
    glBindVertexArray(mesh->vao);
    for (GLuint location = 0; location < 3; ++location) {
        SCOPED_TRACE(location);
        const GLint expected[][2] = {
            {GL_VERTEX_ATTRIB_ARRAY_ENABLED, GL_TRUE}, {GL_VERTEX_ATTRIB_ARRAY_SIZE, location == 2 ? 2 : 3},
            {GL_VERTEX_ATTRIB_ARRAY_TYPE, GL_FLOAT},   {GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, GL_FALSE},
            {GL_VERTEX_ATTRIB_ARRAY_STRIDE, 0},
            {GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, static_cast<GLint>(mesh->vbo[location])}};
        for (const auto& pair : expected) {
            GLint value = -1;
            glGetVertexAttribiv(location, static_cast<GLenum>(pair[0]), &value);
            EXPECT_EQ(value, pair[1]) << std::hex << pair[0];
        }
        void* offset = &offset;
        glGetVertexAttribPointerv(location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
        EXPECT_EQ(offset, nullptr);
    }
    GLint elements = 0;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elements);
    EXPECT_EQ(static_cast<GLuint>(elements), mesh->vbo[3]);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const GLuint vao = mesh->vao, vbo[4] = {mesh->vbo[0], mesh->vbo[1], mesh->vbo[2], mesh->vbo[3]};
    mesh.reset();
    EXPECT_FALSE(glIsVertexArray(vao)) << "the destructor deletes its objects";
    for (GLuint buffer : vbo)
        EXPECT_FALSE(glIsBuffer(buffer)) << buffer;
}

TEST_F(Mesh3DTest, LastCornerWinsAndDrawUsesTheLayout)
{
    auto mesh = load(kSquare + "vn 0 0 1\nvn 0 1 0\nf 1//1 2//1 3//1\nf 3//2 2//2 4//2\n");
    EXPECT_EQ(contents<int>(mesh->vbo[3]), (std::vector<int>{0, 1, 2, 2, 1, 3}));
    EXPECT_EQ(contents<float>(mesh->vbo[1]), (std::vector<float>{0, 0, 1, 0, 1, 0, 0, 1, 0, 0, 1, 0}));
    // Colour by normal through locations 0 and 1: only position 1 keeps the blue normal.
    auto program = draw::makeProgram(
        dir, "#version 410 core\nlayout(location = 0) in vec3 position;\nlayout(location = 1) in vec3 normal;\n"
             "out vec3 colour;\nvoid main() { colour = normal; gl_Position = vec4(position, 1.0); }\n",
        "#version 410 core\nin vec3 colour;\nout vec4 frag;\nvoid main() { frag = vec4(colour, 1.0); }\n");
    program.use();
    mesh->draw();
    GLint bound = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), mesh->vao);
    // (-0.8, -0.9) weighs position 1 by 0.9; the second triangle is all green.
    EXPECT_TRUE(near(pixelAt(0.1, 0.05), {0, 26, 230, 255}, 8));
    EXPECT_TRUE(near(pixelAt(0.8, 0.8), {0, 255, 0, 255}, 2));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Mesh3DTest, EmptyUnreadableAndFaultyFilesDrawNothingWithoutError)
{
    // Directories and FIFOs are refused where files are opened: FileData.OtherKindsAreRefusedByName.
    const std::string missing = dir.path() + "/missing.obj";
    testing::internal::CaptureStderr();
    std::unique_ptr<Mesh3D> meshes[] = {
        load(""),
        std::make_unique<Mesh3D>(missing.c_str()),
        load("v 1 2 3\nf 1 2 3\nf -7 1 1\nvn 0 0 1\n"), // every face dropped
    };
    // One line for each file that could not be read or had faults.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              missing + ": cannot open: No such file or directory\n" + dir.path() +
                  "/mesh.obj: 2 faces with a position index out of range dropped (first at line 2)\n");
    for (auto& mesh : meshes) {
        SCOPED_TRACE(&mesh - meshes);
        EXPECT_EQ(mesh->indexCount, 0);
        EXPECT_EQ(bufferSize(mesh->vbo[0]), &mesh == &meshes[2] ? 12 : 0);
        EXPECT_EQ(bufferSize(mesh->vbo[3]), 0);
        mesh->draw();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

} // namespace
