#include "demo/SkipAdOverlay.h"

#include <GL/glew.h>

using namespace vornak_engine;

SkipAdOverlay::SkipAdOverlay()
{
    start = 8;
    end = 22;
    program = new ShaderProgram;
    program->addShader("data/sprite.vs", GL_VERTEX_SHADER);
    program->addShader("data/default.fs", GL_FRAGMENT_SHADER);
    program->compile();
    texture = new Texture("data/skipad.jpg", IMG_JPEG);
    sprite = new Sprite;
    // Scale first, then move: a 0.25 x 0.18 rectangle centred at (0.89, -0.8).
    matrix.scale(0.125, 0.09, 0.125);
    Matrix move;
    move.translate(0.89, -0.8, 0);
    matrix = matrix * move;
}

void SkipAdOverlay::show(double)
{
    // No clear: this lies on top of whatever the frame already holds.
    program->use();
    program->addTexture("img", texture);
    const GLuint id = program->getProgramID();
    // Nearer than the pictures' 0.1, so it passes the depth test over them.
    glUniform1f(glGetUniformLocation(id, "zscore"), 0.09f);
    glUniformMatrix4fv(glGetUniformLocation(id, "pmatrix"), 1, GL_FALSE, matrix.matrix());
    sprite->draw();
}
