#include "vornak/Sprite.h"

#include "support/DrawHelpers.h"
#include "support/GLTest.h"

#include <vector>

namespace {

class SpriteTest : public GLTest {};

// Shows the texture coordinates as colour.
const char* const kCoordFS =
    "#version 410 core\nin vec2 uv;\nout vec4 colour;\nvoid main() { colour = vec4(uv, 0.5, 1.0); }\n";

// With an identity "pmatrix" the quad fills the viewport to its last pixel
// and no further, with texture (0, 0) at the bottom-left.
TEST_F(SpriteTest, IdentityQuadCoversTheViewportExactly)
{
    TempDir dir;
    vornak_engine::ShaderProgram program = draw::makeProgram(dir, draw::kSpriteVS, kCoordFS);
    vornak_engine::Sprite sprite;
    for (const std::vector<int>& v : {std::vector<int>{0, 0, kWidth, kHeight}, {100, 50, 200, 100}}) {
        const int x = v[0], y = v[1], right = x + v[2] - 1, top = y + v[3] - 1;
        SCOPED_TRACE("viewport at " + std::to_string(x) + ", " + std::to_string(y));
        glViewport(0, 0, kWidth, kHeight);
        glClear(GL_COLOR_BUFFER_BIT);
        glViewport(x, y, v[2], v[3]);
        draw::useWithIdentity(program);
        sprite.draw();
        // Red grows to the right, green upwards.
        EXPECT_TRUE(near(pixel(x, y), {0, 0, 128, 255}, 4));
        EXPECT_TRUE(near(pixel(right, y), {255, 0, 128, 255}, 4));
        EXPECT_TRUE(near(pixel(x, top), {0, 255, 128, 255}, 4));
        EXPECT_TRUE(near(pixel(right, top), {255, 255, 128, 255}, 4));
        EXPECT_TRUE(near(pixel(x + v[2] / 2, y + v[3] / 2), {128, 128, 128, 255}, 4));
        if (x > 0) {
            for (const Rgba& outside : {pixel(x - 1, y), pixel(right + 1, top), pixel(x, y - 1), pixel(right, top + 1)})
                EXPECT_TRUE(near(outside, {0, 0, 0, 255}, 0));
        }
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// The constructor leaves its vertex array bound; the destructor deletes it and both buffers.
TEST_F(SpriteTest, DestructorFreesTheVertexArrayAndBuffers)
{
    GLint vao = 0, buffers[2] = {};
    {
        vornak_engine::Sprite sprite;
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vao);
        ASSERT_NE(vao, 0);
        for (GLuint attribute : {0u, 1u})
            glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffers[attribute]);
        EXPECT_NE(buffers[0], buffers[1]);
        EXPECT_TRUE(glIsBuffer(GLuint(buffers[0])) && glIsBuffer(GLuint(buffers[1])));
    }
    glBindVertexArray(0);
    EXPECT_FALSE(glIsVertexArray(GLuint(vao)));
    EXPECT_FALSE(glIsBuffer(GLuint(buffers[0])) || glIsBuffer(GLuint(buffers[1])));
}

} // namespace
