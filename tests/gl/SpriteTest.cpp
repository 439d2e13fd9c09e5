#include "vornak/Sprite.h"

#include "support/GLTest.h"

namespace {

using vornak_engine::Sprite;

class SpriteTest : public GLTest {};

// The constructor leaves its vertex array bound; the destructor deletes it and both buffers.
TEST_F(SpriteTest, DestructorFreesTheVertexArrayAndBuffers)
{
    GLint vao = 0, buffers[2] = {};
    {
        Sprite sprite;
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vao);
        ASSERT_NE(vao, 0);
        for (GLuint attribute : {0u, 1u})
            glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffers[attribute]);
        EXPECT_NE(buffers[0], buffers[1]);
        EXPECT_TRUE(glIsBuffer(static_cast<GLuint>(buffers[0])) && glIsBuffer(static_cast<GLuint>(buffers[1])));
    }
    glBindVertexArray(0);
    EXPECT_FALSE(glIsVertexArray(static_cast<GLuint>(vao)));
    for (GLint buffer : buffers)
        EXPECT_FALSE(glIsBuffer(static_cast<GLuint>(buffer)));
}

} // namespace
