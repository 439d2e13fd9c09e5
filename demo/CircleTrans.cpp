#include "demo/CircleTrans.h"

#include "vornak/Matrix.h"

#include "demo/PictureProgram.h"

#include <GL/glew.h>

using namespace vornak_engine;

CircleTrans::CircleTrans(double start, double end, double transitionEnd) : transitionEnd(transitionEnd)
{
    this->start = start;
    this->end = end;
    sprite = new Sprite;
    christmasPicture = new Texture("data/christmas.jpg", IMG_JPEG);
    easterPicture = new Texture("data/easter.jpg", IMG_JPEG);
    program = newPictureProgram("data/circle.fs");
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
    program->setUniform("degree", angle(t));
    program->setUniform("zscore", 0.1f);
    Matrix identity;
    identity.translate(0, 0, 0);
    program->setUniform("pmatrix", identity);
    sprite->draw();
}
