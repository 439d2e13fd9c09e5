// The title card: "VORNAK" and a subtitle on a transparent picture, placed over
// the empty sky right of the tree, with a dark shadow and outline so it reads
// over the night picture.
#include "Paint.h"
#include "Pictures.h"
#include "Text.h"

namespace {

// Draws shadow, outline and fill of one line of text centred at cx, its ink top at y.
template <class Paint>
void lettering(Canvas& c, const TextMask& m, float cx, float y, Paint fill, float shadowBlur, float outline)
{
    const int left = int(cx - float(m.w) / 2), top = int(y - m.inkTop);
    TextMask shadow = m;
    blurMask(shadow, shadowBlur, 1.4f);
    paintMask(c, shadow, left + int(shadowBlur * 0.5f), top + int(shadowBlur * 0.7f),
              [](float, float) { return hex(0x000000); }, 0.8f);
    TextMask edge = m;
    blurMask(edge, outline, 3.5f);
    paintMask(c, edge, left, top, [](float, float) { return hex(0x1a0f08); }, 0.95f);
    paintMask(c, m, left, top, fill);
}

} // namespace

Canvas paintTitle()
{
    Canvas c(1920, 1080, Color{0, 0, 0, 0});
    const float cx = 1270;

    TextMask title = renderText(fontPath("DejaVuSerif-Bold.ttf"), 190, U"VORNAK", 60, 10);
    const float top = 235;
    const float bottom = top + (title.inkBottom - title.inkTop);
    lettering(c, title, cx, top,
              [top, bottom](float x, float y) {
                  float t = (y - top) / (bottom - top);
                  Color g = ramp(t, {{0.0f, hex(0xfffbe6)}, {0.45f, hex(0xffd866)}, {0.55f, hex(0xe9a824)},
                                     {1.0f, hex(0xb8701a)}});
                  // A diagonal sheen across the gold.
                  float s = std::sin((x * 0.7f + y) * 0.012f);
                  return mix(g, hex(0xffffff), smooth(0.85f, 1.f, s) * 0.35f);
              },
              16, 6);

    TextMask sub = renderText(fontPath("DejaVuSerif-Italic.ttf"), 70, U"merry christmas", 40, 2);
    const float subTop = bottom + 42;
    lettering(c, sub, cx, subTop, [](float, float) { return hex(0xf4f6ff); }, 10, 4);

    // Snowflakes either side of the subtitle.
    TextMask flake = renderText(fontPath("DejaVuSans.ttf"), 64, U"\u2744", 30);
    const float half = float(sub.w) / 2 - 40 + 55;
    for (float side : {-1.f, 1.f})
        lettering(c, flake, cx + side * half, subTop + 4, [](float, float) { return hex(0xcfe4ff); }, 8, 3);
    return c;
}
