#include "demo/SpriteTest.h"

#include "demo/DataFolder.h"
#include "demo/PictureProgram.h"
#include "demo/Reload.h"

#include "vornak/GL.h"

using namespace vornak_engine;

namespace {

const char* const kPicture = "christmas.jpg";
const char* const kTitle = "title.png";
const char* const kShader = "doubletex.fs";

} // namespace

SpriteTest::SpriteTest()
{
    start = 0;
    end = 2.6;
    // The JPEG goes first: its reader leaves the unpack alignment at 1 for the PNG.
    picture = new Texture(dataFile(kPicture).c_str(), IMG_JPEG);
    title = new Texture(dataFile(kTitle).c_str(), IMG_PNG);
    program = newPictureProgram(dataFile(kShader).c_str());
    sprite = new Sprite;
    matrix.translate(0, 0, 0);
}

void SpriteTest::show(double)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program->use();
    program->addTexture("img", picture);
    program->addTexture("title", title);
    program->setUniform("zscore", 0.1f);
    matrix.translate(0, 0, 0);
    program->setUniform("pmatrix", matrix);
    sampleNearest(drawnPixelForPixel(picture) && drawnPixelForPixel(title) ? 2 : 0);
    sprite->draw();
    sampleNearest(0);
}

void SpriteTest::reload(Reload& r)
{
    r.picture(picture, dataFile(kPicture).c_str(), IMG_JPEG);
    r.picture(title, dataFile(kTitle).c_str(), IMG_PNG);
    r.program(program, dataFile(kShader).c_str());
}
