#include "engine/Sprite.h"

#include "support/DrawHelpers.h"
#include "support/GLTest.h"

#include <string>
#include <vector>

namespace {

using vornak_engine::ShaderProgram;
using vornak_engine::Sprite;

class SpriteTest : public GLTest {};

struct Viewport {
    const char* label;
    int x, y, w, h;
};

// With an identity "pmatrix" the quad fills the viewport to its last pixel
// and no further, with texture (0, 0) at the bottom-left.
TEST_F(SpriteTest, IdentityQuadCoversTheViewportExactly)
{
    TempDir dir;
    ShaderProgram program = draw::makeProgram(dir, draw::kSpriteVS, draw::kCoordFS);
    Sprite sprite;
    const std::vector<Viewport> viewports = {{"whole window", 0, 0, kWidth, kHeight}, {"inset", 100, 50, 200, 100}};
    for (const Viewport& v : viewports) {
        SCOPED_TRACE(v.label);
        glViewport(0, 0, kWidth, kHeight);
        glClear(GL_COLOR_BUFFER_BIT);
        glViewport(v.x, v.y, v.w, v.h);
        program.use();
        draw::setIdentity(program);
        sprite.draw();
        const int right = v.x + v.w - 1;
        const int top = v.y + v.h - 1;
        // Corner colours follow uv: red grows to the right, green upwards.
        EXPECT_TRUE(near(pixel(v.x, v.y), {0, 0, 128, 255}, 4));
        EXPECT_TRUE(near(pixel(right, v.y), {255, 0, 128, 255}, 4));
        EXPECT_TRUE(near(pixel(v.x, top), {0, 255, 128, 255}, 4));
        EXPECT_TRUE(near(pixel(right, top), {255, 255, 128, 255}, 4));
        EXPECT_TRUE(near(pixel(v.x + v.w / 2, v.y + v.h / 2), {128, 128, 128, 255}, 4));
        if (v.x > 0) {
            EXPECT_TRUE(near(pixel(v.x - 1, v.y), {0, 0, 0, 255}, 0));
            EXPECT_TRUE(near(pixel(right + 1, top), {0, 0, 0, 255}, 0));
            EXPECT_TRUE(near(pixel(v.x, v.y - 1), {0, 0, 0, 255}, 0));
            EXPECT_TRUE(near(pixel(right, top + 1), {0, 0, 0, 255}, 0));
        }
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

std::vector<float> bufferFloats(GLuint buffer, GLint* usage)
{
    std::vector<float> values(8, -9.0f);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    GLint size = 0;
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_USAGE, usage);
    EXPECT_EQ(size, 32);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, 32, values.data());
    return values;
}

TEST_F(SpriteTest, VertexTableAndLifetime)
{
    GLint vao = 0;
    std::vector<GLint> buffers;
    {
        Sprite sprite;
        // The constructor leaves its vertex array bound.
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vao);
        ASSERT_NE(vao, 0);
        const std::vector<std::vector<float>> expected = {{-1, -1, 1, -1, 1, 1, -1, 1}, {0, 0, 1, 0, 1, 1, 0, 1}};
        for (GLuint attribute = 0; attribute < 2; ++attribute) {
            SCOPED_TRACE("attribute " + std::to_string(attribute));
            GLint enabled = 0, size = 0, type = 0, normalised = 1, buffer = 0;
            glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
            glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
            glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_TYPE, &type);
            glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &normalised);
            glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
            EXPECT_EQ(enabled, GL_TRUE);
            EXPECT_EQ(size, 2);
            EXPECT_EQ(type, GL_FLOAT);
            EXPECT_EQ(normalised, GL_FALSE);
            GLint usage = 0;
            EXPECT_EQ(bufferFloats(static_cast<GLuint>(buffer), &usage), expected[attribute]);
            EXPECT_EQ(usage, GL_STATIC_DRAW);
            buffers.push_back(buffer);
        }
        EXPECT_NE(buffers[0], buffers[1]);
    }
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    EXPECT_FALSE(glIsVertexArray(static_cast<GLuint>(vao)));
    for (GLint buffer : buffers)
        EXPECT_FALSE(glIsBuffer(static_cast<GLuint>(buffer)));
}

} // namespace
