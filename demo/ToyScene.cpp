#include "demo/ToyScene.h"

#include "demo/DataFolder.h"
#include "demo/PictureProgram.h"
#include "demo/Resources.h"

#include "vornak/GL.h"

using namespace vornak_engine;

namespace {

const char* const kPicture = "toys.jpg";
const char* const kShader = "default.fs";

} // namespace

ToyScene::ToyScene() : ToyScene(builtInValues(10, 13, {kPicture}, "toys")) {}

ToyScene::ToyScene(const SceneValues& values) : ownShader_(values.shader.empty())
{
    takeValues(values);
    texture = showPicture(values.pictures.at(0), pictureType(values, 0), {values.fit});
    program = showProgram(ownShader_ ? dataFile(kShader) : values.shader);
    sprite = showQuad();
    matrix.translate(0, 0, 0);
}

void ToyScene::show(double)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program->use();
    program->addTexture("img", texture);
    program->setUniform("zscore", 0.1f);
    program->setUniform("pmatrix", matrix);
    sampleNearest(ownShader_ && drawnPixelForPixel(texture) ? 1 : 0);
    sprite->draw();
    sampleNearest(0);
    drawWords();
}
