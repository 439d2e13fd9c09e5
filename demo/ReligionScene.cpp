#include "demo/ReligionScene.h"

#include <GL/glew.h>

using namespace vornak_engine;

ReligionScene::ReligionScene()
{
    start = 16.7;
    end = 20.3;
    texture = new Texture("data/religion.jpg", IMG_JPEG);
    program = new ShaderProgram;
    program->addShader("data/sprite.vs", GL_VERTEX_SHADER);
    program->addShader("data/religion.fs", GL_FRAGMENT_SHADER);
    program->compile();
    sprite = new Sprite;
    matrix.translate(0, 0, 0);
}

void ReligionScene::show(double t)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program->use();
    program->addTexture("img", texture);
    const GLuint id = program->getProgramID();
    glUniform1f(glGetUniformLocation(id, "zscore"), 0.1f);
    glUniformMatrix4fv(glGetUniformLocation(id, "pmatrix"), 1, GL_FALSE, matrix.matrix());
    glUniform1f(glGetUniformLocation(id, "mixrate"), static_cast<float>((t - start) / (end - start)));
    sprite->draw();
}
