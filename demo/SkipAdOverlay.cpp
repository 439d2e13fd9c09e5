#include "demo/SkipAdOverlay.h"

#include "demo/DataFolder.h"
#include "demo/PictureProgram.h"
#include "demo/Resources.h"

#include "vornak/GL.h"

using namespace vornak_engine;

namespace {

const char* const kPicture = "skipad.jpg";
const char* const kShader = "default.fs";

} // namespace

SkipAdOverlay::SkipAdOverlay() : SkipAdOverlay(builtInValues(8, 22, {kPicture}, "overlay")) {}

double SkipAdOverlay::cornerAspect()
{
    // 0.25 x 0.18 of the 16:9 frame's -1..1 square.
    return (0.25 * 16) / (0.18 * 9);
}

SkipAdOverlay::SkipAdOverlay(const SceneValues& values)
{
    takeValues(values);
    program = showProgram(values.shader.empty() ? dataFile(kShader) : values.shader);
    texture = showPicture(values.pictures.at(0), pictureType(values, 0), {values.fit, cornerAspect()});
    sprite = showQuad();
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
    // Nearer than the pictures' 0.1, so it passes the depth test over them.
    program->setUniform("zscore", 0.09f);
    program->setUniform("pmatrix", matrix);
    sprite->draw();
    drawWords();
}
