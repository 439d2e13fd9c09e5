#include "demo/CandyScene.h"

#include "demo/DataFolder.h"
#include "demo/PictureProgram.h"
#include "demo/Resources.h"

#include "vornak/GL.h"

using namespace vornak_engine;

namespace {

const char* const kPicture = "candy.jpg";
const char* const kShader = "default.fs";

} // namespace

CandyScene::CandyScene() : CandyScene(builtInValues(13, 16.7, {kPicture}, "candy")) {}

CandyScene::CandyScene(const SceneValues& values)
{
    takeValues(values);
    program = showProgram(values.shader.empty() ? dataFile(kShader) : values.shader);
    matrix.translate(0, 0, 0);
    texture = showPicture(values.pictures.at(0), pictureType(values, 0), {values.fit});
    sprite = showQuad();
}

void CandyScene::show(double t)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program->use();
    program->addTexture("img", texture);

    grow(t);
    program->setUniform("pmatrix", matrix);
    program->setUniform("zscore", 0.1f);
    // One opaque picture over a cleared frame has nothing to be tested against,
    // and the overlay comes later and in front either way: without the test,
    // llvmpipe draws the zoomed picture on a faster path, with the same pixels.
    glDisable(GL_DEPTH_TEST);
    sprite->draw();
    glEnable(GL_DEPTH_TEST);
    drawWords();
}

void CandyScene::replayTo(double t, double fps)
{
    matrix.translate(0, 0, 0);
    // Frame times are k / fps exactly as the fixed-step clock computes them,
    // so the replayed steps are bit for bit those of the run itself.
    for (long k = static_cast<long>(start * fps);; ++k) {
        const double tk = static_cast<double>(k) / fps;
        if (tk >= t || tk >= end)
            break;
        if (tk > start)
            grow(tk);
    }
}

void CandyScene::grow(double t)
{
    // Each frame grows the picture a little more than the one before.
    const double s = 1 + (t - start) / 3000;
    Matrix step;
    step.scale(s, s, 1);
    matrix = matrix * step;
}
