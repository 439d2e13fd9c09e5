#include "demo/ReligionScene.h"

#include "demo/DataFolder.h"
#include "demo/PictureProgram.h"
#include "demo/Reload.h"
#include "demo/Resources.h"

#include "vornak/GL.h"

#include <algorithm>

using namespace vornak_engine;

namespace {

const char* const kPicture = "religion.jpg";
const char* const kShader = "religion.fs";
const char* const kLightShader = "religion-light.fs";

} // namespace

ReligionScene::ReligionScene() : ReligionScene(builtInValues(16.7, 20.3, {kPicture}, "church")) {}

ReligionScene::ReligionScene(const SceneValues& values) : ownShader_(values.shader.empty())
{
    takeValues(values);
    texture = showPicture(values.pictures.at(0), pictureType(values, 0), {values.fit});
    program = showProgram(ownShader_ ? dataFile(kShader) : values.shader);
    sprite = showQuad();
    matrix.translate(0, 0, 0);
    lightProgram = showProgram(dataFile(kLightShader));
}

ReligionScene::~ReligionScene()
{
    if (light != 0)
        glDeleteTextures(1, &light);
}

void ReligionScene::reloaded(const Reload& reload)
{
    // The light is drawn from the picture by its own shader: redrawn when either changed.
    if (reload.wasReplaced(texture) || reload.wasReplaced(lightProgram))
        computeLight();
}

void ReligionScene::computeLight()
{
    lightBandsDone = 0;
    drawLight(kLightBands);
}

bool ReligionScene::computeLightPart()
{
    if (!lightReady)
        drawLight(1);
    return lightReady;
}

void ReligionScene::drawLight(int bands)
{
    GLint drawFramebuffer = 0, readFramebuffer = 0, viewport[4] = {0, 0, 0, 0}, scissor[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_SCISSOR_BOX, scissor);
    const GLboolean scissorOn = glIsEnabled(GL_SCISSOR_TEST);

    const int width = texture->getWidth() > 0 ? texture->getWidth() : 1;
    const int height = texture->getHeight() > 0 ? texture->getHeight() : 1;
    if (light == 0)
        glGenTextures(1, &light);
    if (lightBandsDone == 0) {
        glBindTexture(GL_TEXTURE_2D, light);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        // Half floats: the light reaches past 1 and must keep its fine steps.
        // A WebGL2 without float targets gets bytes, a step of 1/255 at most.
        if (halfFloatTargets())
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F, width, height, 0, GL_RGBA, GL_HALF_FLOAT, nullptr);
        else
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    }

    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, light, 0);
    glViewport(0, 0, width, height);
    // Bands of rows, so the work can be spread over frames.
    const int from = height * lightBandsDone / kLightBands;
    lightBandsDone = std::min(kLightBands, lightBandsDone + bands);
    const int to = height * lightBandsDone / kLightBands;
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, from, width, to - from);
    // No depth buffer is attached, so the depth test passes everything here.
    lightProgram->use();
    lightProgram->addTexture("img", texture);
    lightProgram->setUniform("zscore", 0.1f);
    lightProgram->setUniform("pmatrix", matrix);
    sprite->draw();

    glDeleteFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glScissor(scissor[0], scissor[1], scissor[2], scissor[3]);
    if (!scissorOn)
        glDisable(GL_SCISSOR_TEST);
    lightReady = lightBandsDone == kLightBands;
}

void ReligionScene::show(double t)
{
    if (!lightReady)
        drawLight(kLightBands); // whatever bands are still missing
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program->use();
    program->addTexture("img", texture);
    program->addTexture("light", light);
    program->setUniform("zscore", 0.1f);
    program->setUniform("pmatrix", matrix);
    program->setUniform("mixrate", static_cast<float>((t - start) / (end - start)));
    // The light texture has the picture's size, so one test covers both.
    sampleNearest(ownShader_ && drawnPixelForPixel(texture) ? 2 : 0);
    sprite->draw();
    sampleNearest(0);
    drawWords();
}
