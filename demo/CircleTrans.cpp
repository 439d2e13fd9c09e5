#include "demo/CircleTrans.h"

#include "vornak/Matrix.h"

#include "demo/DataFolder.h"
#include "demo/PictureProgram.h"
#include "demo/Reload.h"

#include <GL/glew.h>

using namespace vornak_engine;

namespace {

const char* const kChristmas = "christmas.jpg";
const char* const kEaster = "easter.jpg";
const char* const kShader = "circle.fs";
const char* const kFinishedShader = "default.fs";

} // namespace

CircleTrans::CircleTrans(double start, double end, double transitionEnd) : transitionEnd(transitionEnd)
{
    this->start = start;
    this->end = end;
    sprite = new Sprite;
    christmasPicture = new Texture(dataFile(kChristmas).c_str(), IMG_JPEG);
    easterPicture = new Texture(dataFile(kEaster).c_str(), IMG_JPEG);
    program = newPictureProgram(dataFile(kShader).c_str());
    finishedProgram = newPictureProgram(dataFile(kFinishedShader).c_str());
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

void CircleTrans::reload(Reload& r)
{
    r.picture(christmasPicture, dataFile(kChristmas).c_str(), IMG_JPEG);
    r.picture(easterPicture, dataFile(kEaster).c_str(), IMG_JPEG);
    r.program(program, dataFile(kShader).c_str());
    r.program(finishedProgram, dataFile(kFinishedShader).c_str());
}
