#include "demo/CandyScene.h"

#include <GL/glew.h>

using namespace vornak_engine;

CandyScene::CandyScene()
{
    start = 13;
    end = 16.7;
    program = new ShaderProgram;
    program->addShader("data/sprite.vs", GL_VERTEX_SHADER);
    program->addShader("data/default.fs", GL_FRAGMENT_SHADER);
    program->compile();
    matrix.translate(0, 0, 0);
    texture = new Texture("data/candy.jpg", IMG_JPEG);
    sprite = new Sprite;
}

void CandyScene::show(double t)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program->use();
    program->addTexture("img", texture);

    // Each frame grows the picture a little more than the one before.
    const double s = 1 + (t - start) / 3000;
    Matrix step;
    step.scale(s, s, 1);
    matrix = matrix * step;

    glUniformMatrix4fv(glGetUniformLocation(program->getProgramID(), "pmatrix"), 1, GL_FALSE, matrix.matrix());
    glUniform1f(glGetUniformLocation(program->getProgramID(), "zscore"), 0.1f);
    sprite->draw();
}
