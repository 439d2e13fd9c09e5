#include "demo/ReligionScene.h"

#include "demo/DataFolder.h"
#include "demo/PictureProgram.h"

#include <GL/glew.h>

using namespace vornak_engine;

ReligionScene::ReligionScene()
{
    start = 16.7;
    end = 20.3;
    texture = new Texture(dataFile("religion.jpg").c_str(), IMG_JPEG);
    program = newPictureProgram("religion.fs");
    sprite = new Sprite;
    matrix.translate(0, 0, 0);
}

void ReligionScene::show(double t)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program->use();
    program->addTexture("img", texture);
    setUniform(program, "zscore", 0.1f);
    setUniform(program, "pmatrix", matrix);
    setUniform(program, "mixrate", static_cast<float>((t - start) / (end - start)));
    sprite->draw();
}
