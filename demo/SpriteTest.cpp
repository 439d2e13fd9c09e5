#include "demo/SpriteTest.h"

#include "demo/DataFolder.h"
#include "demo/PictureProgram.h"
#include "demo/Resources.h"

#include "vornak/GL.h"

using namespace vornak_engine;

namespace {

const char* const kPicture = "christmas.jpg";
const char* const kTitle = "title.png";
const char* const kShader = "doubletex.fs";

} // namespace

SpriteTest::SpriteTest() : SpriteTest(builtInValues(0, 2.6, {kPicture, kTitle}, "title")) {}

SpriteTest::SpriteTest(const SceneValues& values) : ownShader_(values.shader.empty())
{
    takeValues(values);
    // The JPEG goes first: its reader leaves the unpack alignment at 1 for the PNG.
    picture = showPicture(values.pictures.at(0), pictureType(values, 0), {values.fit});
    // Words may stand in for the title picture: then nothing is laid over the picture but them.
    title = values.pictures.size() > 1 ? showPicture(values.pictures[1], pictureType(values, 1), {values.fit})
                                       : showClear();
    program = showProgram(ownShader_ ? dataFile(kShader) : values.shader);
    sprite = showQuad();
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
    sampleNearest(ownShader_ && drawnPixelForPixel(picture) && drawnPixelForPixel(title) ? 2 : 0);
    sprite->draw();
    sampleNearest(0);
    drawWords();
}
