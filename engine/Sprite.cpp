#include "vornak/Sprite.h"

#include "vornak/GL.h"

namespace vornak_engine {

namespace {

// Bottom-left first, counter-clockwise: texture (0, 0) is the picture's bottom-left,
// matching the bottom-up rows the texture readers upload.
const GLfloat kPositions[8] = {-1.0f, -1.0f, 1.0f, -1.0f, 1.0f, 1.0f, -1.0f, 1.0f};
const GLfloat kTexCoords[8] = {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f};

} // namespace

Sprite::Sprite()
{
    vao = 0;
    vbo[0] = 0;
    vbo[1] = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(2, vbo);

    glBindBuffer(GL_ARRAY_BUFFER, vbo[0]);
    glBufferData(GL_ARRAY_BUFFER, sizeof kPositions, kPositions, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(0);

    glBindBuffer(GL_ARRAY_BUFFER, vbo[1]);
    glBufferData(GL_ARRAY_BUFFER, sizeof kTexCoords, kTexCoords, GL_STATIC_DRAW);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(1);
}

Sprite::~Sprite()
{
    glDeleteBuffers(2, vbo);
    glDeleteVertexArrays(1, &vao);
}

void Sprite::draw()
{
    glBindVertexArray(vao);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
}

} // namespace vornak_engine
