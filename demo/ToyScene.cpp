#include "demo/ToyScene.h"

#include "demo/PictureProgram.h"

#include <GL/glew.h>

using namespace vornak_engine;

ToyScene::ToyScene()
{
    start = 10;
    end = 13;
    texture = new Texture("data/toys.jpg", IMG_JPEG);
    program = newPictureProgram("data/default.fs");
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
