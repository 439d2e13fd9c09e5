#include "demo/CircleTrans.h"

#include "vornak/Matrix.h"

#include "demo/PictureProgram.h"
#include "demo/Reload.h"

#include <GL/glew.h>

using namespace vornak_engine;

namespace {

const char* const kChristmas = "data/christmas.jpg";
const char* const kEaster = "data/easter.jpg";
const char* const kShader = "data/circle.fs";

} // namespace

CircleTrans::CircleTrans(double start, double end, double transitionEnd) : transitionEnd(transitionEnd)
{
    this->start = start;
    this->end = end;
    sprite = new Sprite;
    christmasPicture = new Texture(kChristmas, IMG_JPEG);
    easterPicture = new Texture(kEaster, IMG_JPEG);
    program = newPictureProgram(kShader);
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

void CircleTrans::reload(Reload& r)
{
    r.picture(christmasPicture, kChristmas, IMG_JPEG);
    r.picture(easterPicture, kEaster, IMG_JPEG);
    r.program(program, kShader);
}
