// The "Skip Ad" button: a dark translucent-looking box with a light border,
// white text and a skip-forward mark. The box runs slightly off the right of
// the screen, so the right edge keeps no content.
#include "Paint.h"
#include "Pictures.h"
#include "Text.h"

Canvas paintSkipAd()
{
    const float W = 480, H = 194;
    Canvas c(int(W), int(H), hex(0x000000));
    // What the "translucent" box lets through: a blurred, darkened hint of a picture.
    c.shade([H](float x, float y, Color& p) {
        float n = fbm(x * 0.008f, y * 0.01f, 3, 5u);
        Color under = mix(hex(0x1b2233), hex(0x2c2a3a), n);
        p = mix(under, hex(0x101014), smooth(0, H, y) * 0.4f);
    });
    // Border: light grey, inset so that nothing important sits in the right 5%.
    const float inset = 6;
    auto frame = subtract(RoundRect{W / 2, H / 2, W / 2 - inset, H / 2 - inset, 6},
                          RoundRect{W / 2, H / 2, W / 2 - inset - 3, H / 2 - inset - 3, 4});
    c.fill(frame, hex(0xd8d8d8));

    TextMask text = renderText(fontPath("DejaVuSans.ttf"), 66, U"Skip Ad", 8);
    // Text and mark together, centred in the left 90% of the box.
    const float markW = 56, gap = 26;
    const float total = (float(text.w) - 16) + gap + markW;
    const float x0 = (W * 0.92f - total) / 2;
    const float capMid = H / 2;
    const int top = int(capMid - (text.inkBottom + text.inkTop) / 2 + 8);
    TextMask shadow = text;
    blurMask(shadow, 3, 1.2f);
    paintMask(c, shadow, int(x0) - 8 + 2, top + 3, [](float, float) { return hex(0x000000); }, 0.7f);
    paintMask(c, text, int(x0) - 8, top, [](float, float) { return hex(0xffffff); });

    // The mark: a play triangle followed by a bar (skip to next).
    const float mx = x0 + float(text.w) - 16 + gap, my = capMid + 2;
    Polygon tri{{{mx, my - 24}, {mx + 38, my}, {mx, my + 24}}};
    c.fill(tri, hex(0xffffff));
    c.fill(RoundRect{mx + 47, my, 4, 24, 1}, hex(0xffffff));
    return c;
}
