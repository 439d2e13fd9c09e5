#include "demo/CandyScene.h"

#include "demo/PictureProgram.h"
#include "demo/Reload.h"

#include <GL/glew.h>

using namespace vornak_engine;

namespace {

const char* const kPicture = "data/candy.jpg";
const char* const kShader = "data/default.fs";

} // namespace

CandyScene::CandyScene()
{
    start = 13;
    end = 16.7;
    program = newPictureProgram(kShader);
    matrix.translate(0, 0, 0);
    texture = new Texture(kPicture, IMG_JPEG);
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

void CandyScene::reload(Reload& r)
{
    r.picture(texture, kPicture, IMG_JPEG);
    r.program(program, kShader);
}
