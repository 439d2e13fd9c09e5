#include "demo/CircleTrans.h"

#include "vornak/Matrix.h"

#include "demo/DataFolder.h"
#include "demo/PictureProgram.h"
#include "demo/Resources.h"

#include "vornak/GL.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace vornak_engine;

namespace {

const char* const kChristmas = "christmas.jpg";
const char* const kEaster = "easter.jpg";
const char* const kShader = "circle.fs";
const char* const kFinishedShader = "default.fs";

} // namespace

namespace {

SceneValues wipeValues(double start, double end, double transitionEnd)
{
    SceneValues values = builtInValues(start, end, {kChristmas, kEaster}, "wipe");
    values.complete = transitionEnd;
    return values;
}

} // namespace

CircleTrans::CircleTrans(double start, double end, double transitionEnd)
    : CircleTrans(wipeValues(start, end, transitionEnd))
{
}

CircleTrans::CircleTrans(const SceneValues& values) : transitionEnd(values.complete), ownShader_(values.shader.empty())
{
    takeValues(values);
    sprite = showQuad();
    christmasPicture = showPicture(values.pictures.at(0), pictureType(values, 0), {values.fit});
    easterPicture = showPicture(values.pictures.at(1), pictureType(values, 1), {values.fit});
    program = showProgram(ownShader_ ? dataFile(kShader) : values.shader);
    finishedProgram = showProgram(dataFile(kFinishedShader));
}

namespace {

// The angle is held below a full turn.
constexpr float kCeiling = 0.96f;

// What "data/circle.fs" draws, for splitting the screen: its ceiling, the
// width of its soft edge, and a margin past which its glow is below half a
// level and the edge is not reached, with room for float rounding.
constexpr double kShaderCeiling = 6.0288;
constexpr double kEdge = 0.12;
constexpr double kMargin = 0.05;
constexpr double kTwoPi = 6.283185307179586;

enum class Part { First, Second, Edge };

// Which picture shows over the pixel centres of one rectangle of the viewport
// (pixels x0 <= x < x1, y0 <= y < y1, counted from its corner).
Part partOf(int x0, int y0, int x1, int y1, int width, int height, double hand)
{
    // The shader's angle is clockwise from twelve o'clock around the centre, on a 16:9 screen.
    const double left = ((x0 + 0.5) / width - 0.5) * 16.0 / 9.0, right = ((x1 - 0.5) / width - 0.5) * 16.0 / 9.0;
    const double bottom = (y0 + 0.5) / height - 0.5, top = (y1 - 0.5) / height - 0.5;
    // Around the centre, or across twelve o'clock where the angle jumps from 2 pi to 0.
    if (left <= 0 && right >= 0 && top >= 0)
        return Part::Edge;
    double low = kTwoPi, high = 0;
    for (double x : {left, right}) {
        for (double y : {bottom, top}) {
            double a = std::atan2(x, y);
            if (a < 0)
                a += kTwoPi;
            low = std::min(low, a);
            high = std::max(high, a);
        }
    }
    if (low >= hand + kMargin)
        return Part::First;
    if (high <= hand - kEdge - kMargin)
        return Part::Second;
    return Part::Edge;
}

// Keeps the caller's scissor while the wipe draws its parts.
class ScissorScope {
public:
    ScissorScope() : on(glIsEnabled(GL_SCISSOR_TEST)) { glGetIntegerv(GL_SCISSOR_BOX, box); }
    ~ScissorScope()
    {
        glScissor(box[0], box[1], box[2], box[3]);
        if (!on)
            glDisable(GL_SCISSOR_TEST);
    }

private:
    GLboolean on;
    GLint box[4] = {0, 0, 0, 0};
};

} // namespace

float CircleTrans::angle(double t) const
{
    float p = static_cast<float>((t - start) / (transitionEnd - start));
    if (static_cast<double>(p) > 0.96)
        p = kCeiling;
    return static_cast<float>(6.28 * static_cast<double>(p));
}

bool CircleTrans::finished(double t) const
{
    return angle(t) >= static_cast<float>(6.28 * static_cast<double>(kCeiling));
}

void CircleTrans::show(double t)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program->use();
    program->addTexture("chrimg", christmasPicture);
    program->addTexture("easimg", easterPicture);
    program->setUniform("degree", angle(t));
    program->setUniform("zscore", 0.1f);
    Matrix identity;
    identity.translate(0, 0, 0);
    program->setUniform("pmatrix", identity);
    // A shader of the show's own is drawn whole: what it does with the angle is its own.
    if (!ownShader_) {
        sprite->draw();
        drawWords();
        return;
    }
    // "data/circle.fs" shows the Easter picture alone at the ceiling; sampling
    // one picture instead of two halves the cost of the longest-held frame.
    if (finished(t)) {
        finishedProgram->use();
        finishedProgram->addTexture("img", easterPicture);
        finishedProgram->setUniform("zscore", 0.1f);
        finishedProgram->setUniform("pmatrix", identity);
    }
    sampleNearest(drawnPixelForPixel(christmasPicture) && drawnPixelForPixel(easterPicture) ? 2 : 0);
    if (finished(t))
        sprite->draw();
    else
        drawInParts(angle(t), identity);
    sampleNearest(0);
    drawWords();
}

void CircleTrans::drawInParts(float degree, Matrix& identity)
{
    // Away from the hand a pixel shows one picture as it is: those parts of
    // the screen are drawn with one picture, at half the cost, and only the
    // parts the edge may touch run "data/circle.fs", whose uniforms are set.
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2], height = viewport[3];
    if (width <= 0 || height <= 0)
        return;
    const double k = std::clamp(static_cast<double>(degree) / kShaderCeiling, 0.0, 1.0);
    const double hand = k * (kTwoPi + kEdge);
    finishedProgram->setUniform("zscore", 0.1f);
    finishedProgram->setUniform("pmatrix", identity);

    const ScissorScope keep;
    glEnable(GL_SCISSOR_TEST);
    constexpr int kColumns = 16, kRows = 9;
    for (int row = 0; row < kRows; ++row) {
        const int y0 = height * row / kRows, y1 = height * (row + 1) / kRows;
        int column = 0;
        while (column < kColumns) {
            // Neighbours showing the same thing go in one draw.
            const int x0 = width * column / kColumns;
            const Part part = partOf(x0, y0, width * (column + 1) / kColumns, y1, width, height, hand);
            int next = column + 1;
            while (next < kColumns &&
                   partOf(width * next / kColumns, y0, width * (next + 1) / kColumns, y1, width, height, hand) == part)
                ++next;
            const int x1 = width * next / kColumns;
            if (y1 > y0 && x1 > x0) {
                glScissor(viewport[0] + x0, viewport[1] + y0, x1 - x0, y1 - y0);
                if (part == Part::Edge) {
                    program->use();
                    program->addTexture("chrimg", christmasPicture);
                    program->addTexture("easimg", easterPicture);
                } else {
                    finishedProgram->use();
                    finishedProgram->addTexture("img", part == Part::First ? christmasPicture : easterPicture);
                }
                sprite->draw();
            }
            column = next;
        }
    }
}
