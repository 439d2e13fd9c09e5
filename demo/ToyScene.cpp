#include "demo/ToyScene.h"

#include <GL/glew.h>

using namespace vornak_engine;

ToyScene::ToyScene()
{
    start = 10;
    end = 13;
    texture = new Texture("data/toys.jpg", IMG_JPEG);
    program = new ShaderProgram;
    program->addShader("data/sprite.vs", GL_VERTEX_SHADER);
    program->addShader("data/default.fs", GL_FRAGMENT_SHADER);
    program->compile();
    sprite = new Sprite;
    matrix.translate(0, 0, 0);
}

void ToyScene::show(double)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program->use();
    program->addTexture("img", texture);
    glUniform1f(glGetUniformLocation(program->getProgramID(), "zscore"), 0.1f);
    glUniformMatrix4fv(glGetUniformLocation(program->getProgramID(), "pmatrix"), 1, GL_FALSE, matrix.matrix());
    sprite->draw();
}
