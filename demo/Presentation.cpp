#include "demo/Presentation.h"

#include "vornak/GL.h"

#include <cmath>
#include <cstdlib>

Viewport fitShow(int width, int height, bool stretch)
{
    Viewport all{0, 0, width, height};
    if (stretch || width <= 0 || height <= 0)
        return all;
    // 1366x768 and friends count as 16:9: a bar of a pixel would only be noise.
    const double shape = static_cast<double>(width) / height / (16.0 / 9.0);
    if (std::abs(shape - 1.0) < 0.01)
        return all;
    if (shape > 1.0) {
        const int w = static_cast<int>(std::lround(height * 16.0 / 9.0));
        return Viewport{(width - w) / 2, 0, w, height};
    }
    const int h = static_cast<int>(std::lround(width * 9.0 / 16.0));
    return Viewport{0, (height - h) / 2, width, h};
}

void Presentation::begin(int width, int height) const
{
    const Viewport v = fitShow(width, height, stretch_);
    glViewport(v.x, v.y, v.width, v.height);
    if (v.width == width && v.height == height)
        return;

    // The two bars: below and above, or left and right, of the picture.
    const Viewport bars[2] = {
        v.width == width ? Viewport{0, 0, width, v.y} : Viewport{0, 0, v.x, height},
        v.width == width ? Viewport{0, v.y + v.height, width, height - v.y - v.height}
                         : Viewport{v.x + v.width, 0, width - v.x - v.width, height},
    };
    GLfloat clearColor[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    glClearColor(0, 0, 0, 1);
    glEnable(GL_SCISSOR_TEST);
    for (const Viewport& bar : bars) {
        glScissor(bar.x, bar.y, bar.width, bar.height);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
}
