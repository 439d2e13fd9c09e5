#include "demo/ToyScene.h"

#include "demo/DataFolder.h"
#include "demo/PictureProgram.h"
#include "demo/Reload.h"

#include "vornak/GL.h"

using namespace vornak_engine;

namespace {

const char* const kPicture = "toys.jpg";
const char* const kShader = "default.fs";

} // namespace

ToyScene::ToyScene()
{
    start = 10;
    end = 13;
    texture = new Texture(dataFile(kPicture).c_str(), IMG_JPEG);
    program = newPictureProgram(dataFile(kShader).c_str());
    sprite = new Sprite;
    matrix.translate(0, 0, 0);
}

void ToyScene::show(double)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program->use();
    program->addTexture("img", texture);
    program->setUniform("zscore", 0.1f);
    program->setUniform("pmatrix", matrix);
    sampleNearest(drawnPixelForPixel(texture) ? 1 : 0);
    sprite->draw();
    sampleNearest(0);
}

void ToyScene::reload(Reload& r)
{
    r.picture(texture, dataFile(kPicture).c_str(), IMG_JPEG);
    r.program(program, dataFile(kShader).c_str());
}
