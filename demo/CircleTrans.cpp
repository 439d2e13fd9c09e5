#include "demo/CircleTrans.h"

#include "vornak/Matrix.h"

#include "demo/DataFolder.h"
#include "demo/PictureProgram.h"

#include <GL/glew.h>

using namespace vornak_engine;

CircleTrans::CircleTrans(double start, double end, double transitionEnd) : transitionEnd(transitionEnd)
{
    this->start = start;
    this->end = end;
    sprite = new Sprite;
    christmasPicture = new Texture(dataFile("christmas.jpg").c_str(), IMG_JPEG);
    easterPicture = new Texture(dataFile("easter.jpg").c_str(), IMG_JPEG);
    program = newPictureProgram("circle.fs");
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
    setUniform(program, "degree", angle(t));
    setUniform(program, "zscore", 0.1f);
    Matrix identity;
    identity.translate(0, 0, 0);
    setUniform(program, "pmatrix", identity);
    sprite->draw();
}
