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
    finishedProgram = newPictureProgram("data/default.fs");
}

namespace {

// The angle is held below a full turn.
constexpr float kCeiling = 0.96f;

} // namespace

float CircleTrans::angle(double t) const
{
    float p = static_cast<float>((t - start) / (transitionEnd - start));
    if (static_cast<double>(p) > 0.96)
        p = kCeiling;
    return static_cast<float>(6.28 * static_cast<double>(p));
}

bool CircleTrans::finished(double t) const
{
    return angle(t) >= static_cast<float>(6.28 * static_cast<double>(kCeiling));
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
    // "data/circle.fs" shows the Easter picture alone at the ceiling; sampling
    // one picture instead of two halves the cost of the longest-held frame.
    if (finished(t)) {
        finishedProgram->use();
        finishedProgram->addTexture("img", easterPicture);
        finishedProgram->setUniform("zscore", 0.1f);
        finishedProgram->setUniform("pmatrix", identity);
    }
    sampleNearest(drawnPixelForPixel(christmasPicture) && drawnPixelForPixel(easterPicture) ? 2 : 0);
    sprite->draw();
    sampleNearest(0);
}
