#include "demo/CircleTrans.h"

#include "engine/Matrix.h"

#include <GL/glew.h>

using namespace vornak_engine;

CircleTrans::CircleTrans(double start, double end, double transitionEnd) : transitionEnd(transitionEnd)
{
    this->start = start;
    this->end = end;
    sprite = new Sprite;
    christmasPicture = new Texture("data/christmas.jpg", IMG_JPEG);
    easterPicture = new Texture("data/easter.jpg", IMG_JPEG);
    program = new ShaderProgram;
    program->addShader("data/sprite.vs", GL_VERTEX_SHADER);
    program->addShader("data/circle.fs", GL_FRAGMENT_SHADER);
    program->compile();
}

float CircleTrans::angle(double t) const
{
    float p = static_cast<float>((t - start) / (transitionEnd - start));
    // Held below a full turn.
    if (static_cast<double>(p) > 0.96)
        p = 0.96f;
    return static_cast<float>(6.28 * static_cast<double>(p));
}

void CircleTrans::show(double t)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program->use();
    program->addTexture("chrimg", christmasPicture);
    program->addTexture("easimg", easterPicture);
    const GLuint id = program->getProgramID();
    glUniform1f(glGetUniformLocation(id, "degree"), angle(t));
    glUniform1f(glGetUniformLocation(id, "zscore"), 0.1f);
    Matrix identity;
    identity.translate(0, 0, 0);
    glUniformMatrix4fv(glGetUniformLocation(id, "pmatrix"), 1, GL_FALSE, identity.matrix());
    sprite->draw();
}
