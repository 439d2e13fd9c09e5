#include "demo/SpriteTest.h"

#include "demo/PictureProgram.h"

#include <GL/glew.h>

using namespace vornak_engine;

SpriteTest::SpriteTest()
{
    start = 0;
    end = 2.6;
    // The JPEG goes first: its reader leaves the unpack alignment at 1 for the PNG.
    picture = new Texture("data/christmas.jpg", IMG_JPEG);
    title = new Texture("data/title.png", IMG_PNG);
    program = newPictureProgram("data/doubletex.fs");
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
