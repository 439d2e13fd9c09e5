#include "demo/ReligionScene.h"

#include "demo/PictureProgram.h"
#include "demo/Reload.h"

#include <GL/glew.h>

using namespace vornak_engine;

namespace {

const char* const kPicture = "data/religion.jpg";
const char* const kShader = "data/religion.fs";

} // namespace

ReligionScene::ReligionScene()
{
    start = 16.7;
    end = 20.3;
    texture = new Texture(kPicture, IMG_JPEG);
    program = newPictureProgram(kShader);
    sprite = new Sprite;
    matrix.translate(0, 0, 0);
}

void ReligionScene::show(double t)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program->use();
    program->addTexture("img", texture);
    program->setUniform("zscore", 0.1f);
    program->setUniform("pmatrix", matrix);
    program->setUniform("mixrate", static_cast<float>((t - start) / (end - start)));
    sprite->draw();
}

void ReligionScene::reload(Reload& r)
{
    r.picture(texture, kPicture, IMG_JPEG);
    r.program(program, kShader);
}
