#include "demo/ToyScene.h"

#include "demo/PictureProgram.h"
#include "demo/Reload.h"

#include <GL/glew.h>

using namespace vornak_engine;

namespace {

const char* const kPicture = "data/toys.jpg";
const char* const kShader = "data/default.fs";

} // namespace

ToyScene::ToyScene()
{
    start = 10;
    end = 13;
    texture = new Texture(kPicture, IMG_JPEG);
    program = newPictureProgram(kShader);
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
    r.picture(texture, kPicture, IMG_JPEG);
    r.program(program, kShader);
}
