// Text for the pictures: a string rendered with FreeType into a coverage mask,
// which can be blurred or grown (for shadows and outlines) and painted onto a
// Canvas with any paint. Single line, left to right, with kerning.
#pragma once

#include "Canvas.h"

#include <string>
#include <vector>

struct TextMask {
    int w = 0, h = 0;
    float penX = 0, baseline = 0; // where the pen started, inside the mask
    float advance = 0;            // pen travel over the whole string
    float inkTop = 0, inkBottom = 0; // rows of the first and last inked pixels
    std::vector<float> cov;

    float at(int x, int y) const
    {
        return (x < 0 || y < 0 || x >= w || y >= h) ? 0.f : cov[size_t(y) * size_t(w) + size_t(x)];
    }
};

// Returns an empty mask (w == 0) and prints why when the font cannot be used.
TextMask renderText(const std::string& fontPath, float pixelSize, const std::u32string& text, int pad,
                    float tracking = 0);

// Blurs the mask in place; with gain > 1 the blur grows it into a soft outline.
void blurMask(TextMask& m, float radius, float gain = 1.f);

// Paints the mask with its top-left corner at (left, top).
template <class Paint>
void paintMask(Canvas& c, const TextMask& m, int left, int top, Paint paint, float opacity = 1.f)
{
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            int tx = left + x, ty = top + y;
            if (tx < 0 || ty < 0 || tx >= c.width() || ty >= c.height())
                continue;
            float a = m.at(x, y) * opacity;
            if (a > 0)
                c.blend(tx, ty, paint(float(tx) + 0.5f, float(ty) + 0.5f), clamp01(a));
        }
}
