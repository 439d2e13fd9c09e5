#include "demo/CandyScene.h"

#include "demo/PictureProgram.h"

#include <GL/glew.h>

using namespace vornak_engine;

CandyScene::CandyScene()
{
    start = 13;
    end = 16.7;
    program = newPictureProgram("data/default.fs");
    matrix.translate(0, 0, 0);
    texture = new Texture("data/candy.jpg", IMG_JPEG);
    sprite = new Sprite;
}

void CandyScene::show(double t)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program->use();
    program->addTexture("img", texture);

    // Each frame grows the picture a little more than the one before.
    const double s = 1 + (t - start) / 3000;
    Matrix step;
    step.scale(s, s, 1);
    matrix = matrix * step;

    program->setUniform("pmatrix", matrix);
    program->setUniform("zscore", 0.1f);
    sprite->draw();
}
