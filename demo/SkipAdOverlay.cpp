#include "demo/SkipAdOverlay.h"

#include "demo/DataFolder.h"
#include "demo/PictureProgram.h"
#include "demo/Reload.h"

#include "vornak/GL.h"

using namespace vornak_engine;

namespace {

const char* const kPicture = "skipad.jpg";
const char* const kShader = "default.fs";

} // namespace

SkipAdOverlay::SkipAdOverlay()
{
    start = 8;
    end = 22;
    program = newPictureProgram(dataFile(kShader).c_str());
    texture = new Texture(dataFile(kPicture).c_str(), IMG_JPEG);
    sprite = new Sprite;
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
}

void SkipAdOverlay::reload(Reload& r)
{
    r.picture(texture, dataFile(kPicture).c_str(), IMG_JPEG);
    r.program(program, dataFile(kShader).c_str());
}
