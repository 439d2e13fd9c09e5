// The snowy night: sky and stars, a moon, snow hills with a lit cottage, and a
// decorated tree on the left third (the title sits over the right-hand sky).
#include "Paint.h"
#include "Pictures.h"

namespace {

const float W = 1920, H = 1080;

// Height of the snow ground at x.
float groundY(float x)
{
    return 835 + 22 * std::sin(x * 0.0031f + 0.6f) + 12 * std::sin(x * 0.0079f + 2.0f);
}

void sky(Canvas& c)
{
    c.shade([](float x, float y, Color& p) {
        float t = y / 860.f;
        p = ramp(t, {{0.0f, hex(0x03071a)}, {0.45f, hex(0x0a1538)}, {0.8f, hex(0x1c2c5e)}, {1.0f, hex(0x34477e)}});
        // Faint high cloud so the sky is not flat.
        float n = fbm(x * 0.0025f, y * 0.006f, 5, 11u);
        float k = smooth(0.5f, 0.85f, n) * 0.10f * (0.4f + t);
        p = mix(p, hex(0x5a6fa8), k);
    });
}

void stars(Canvas& c)
{
    Rng rng(2024);
    for (int i = 0; i < 420; ++i) {
        float x = rng.range(0, W), y = rng.range(0, 760);
        float b = rng.uni();
        float r = 0.6f + 1.3f * b * b;
        Color col = mix(hex(0xfff4e0), hex(0xcfe0ff), rng.uni());
        float a = 0.35f + 0.65f * rng.uni() * (1 - y / 900.f);
        c.fill(Circle{x, y, r}, withAlpha(col, a));
        if (b > 0.9f) {
            c.glow(x, y, 6 + 6 * b, col, 0.25f);
            // Four-pointed sparkle.
            c.fill(Capsule{{x - 14 * b, y}, {x + 14 * b, y}, 0.7f, 0.7f}, withAlpha(col, 0.5f));
            c.fill(Capsule{{x, y - 14 * b}, {x, y + 14 * b}, 0.7f, 0.7f}, withAlpha(col, 0.5f));
        }
    }
}

void moon(Canvas& c)
{
    const float mx = 1735, my = 125, r = 52;
    c.glow(mx, my, 130, hex(0x6677aa), 0.35f);
    c.glow(mx, my, 60, hex(0xbbc8ee), 0.35f);
    auto crescent = subtract(Circle{mx, my, r}, Circle{mx + 24, my - 14, r * 0.9f});
    c.fill(crescent, RadialGradient{{mx - 20, my}, r * 1.2f, hex(0xfffbe8), hex(0xe8dcb0)});
}

void hills(Canvas& c)
{
    // Far hills with a row of small dark pines.
    auto far = implicit(Box{0, 640, W, H}, [](float x, float y) {
        return (700 + 30 * std::sin(x * 0.004f + 1.3f) + 18 * std::sin(x * 0.011f)) - y;
    });
    c.fill(far, LinearGradient{{0, 660}, {0, 860}, hex(0x8a9cc8), hex(0x5d6f9e)});
    Rng rng(7);
    for (int i = 0; i < 70; ++i) {
        float x = rng.range(700, W + 20);
        float base = 700 + 30 * std::sin(x * 0.004f + 1.3f) + 18 * std::sin(x * 0.011f) + 8;
        float h = rng.range(30, 70);
        Polygon tree{{{x, base - h}, {x + h * 0.28f, base}, {x - h * 0.28f, base}}};
        c.fill(tree, hex(0x1c2b4a, 0.9f));
    }
    // Near snow with blue shadows and a sparkle.
    auto ground = implicit(Box{0, 780, W, H}, [](float x, float y) { return groundY(x) - y; });
    c.fill(ground, [](float x, float y) {
        float t = (y - 800) / 280.f;
        Color p = ramp(t, {{0.0f, hex(0xdfe8f7)}, {0.5f, hex(0xbccbe6)}, {1.0f, hex(0x8c9fcb)}});
        float n = fbm(x * 0.004f, y * 0.012f, 4, 5u);
        p = mix(p, hex(0x7d8fc0), smooth(0.55f, 0.8f, n) * 0.45f);
        if (hashUnit(int(x), int(y), 9u) > 0.9975f)
            p = hex(0xffffff);
        return p;
    });
}

void cottage(Canvas& c)
{
    const float x0 = 1380, x1 = 1700, base = groundY(1540) + 4;
    const float wallTop = base - 150;
    // Warm light spilling on the snow.
    c.glow(1540, base + 20, 120, hex(0xffb347), 0.22f);
    c.fill(RoundRect{(x0 + x1) / 2, (wallTop + base) / 2, (x1 - x0) / 2, (base - wallTop) / 2, 2},
           [](float x, float y) {
               // Log walls: horizontal boards.
               float board = std::fmod(y, 22.f) / 22.f;
               float k = 0.75f + 0.25f * smooth(0.0f, 0.25f, board) - 0.2f * smooth(0.85f, 1.f, board);
               k *= 0.85f + 0.15f * valueNoise(x * 0.05f, y * 0.3f, 3u);
               return scaled(hex(0x5a2e1e), k);
           });
    // Chimney, then the roof over it.
    c.fill(RoundRect{1630, wallTop - 80, 18, 50, 1}, hex(0x4a2a22));
    c.fill(RoundRect{1630, wallTop - 128, 24, 8, 6}, hex(0xf2f6ff));
    Polygon roof{{{x0 - 40, wallTop + 4}, {(x0 + x1) / 2, wallTop - 120}, {x1 + 40, wallTop + 4}}};
    c.fill(roof, hex(0x3b2420));
    Polygon snowRoof{{{x0 - 48, wallTop + 6}, {(x0 + x1) / 2, wallTop - 130}, {x1 + 48, wallTop + 6},
                      {x1 + 30, wallTop + 16}, {(x0 + x1) / 2, wallTop - 104}, {x0 - 30, wallTop + 16}}};
    c.fill(snowRoof, LinearGradient{{0, wallTop - 130}, {0, wallTop + 16}, hex(0xffffff), hex(0xc9d5ee)});
    // Windows and door, lit from inside.
    for (float wx : {1440.f, 1640.f}) {
        float wy = wallTop + 60;
        c.glow(wx, wy, 60, hex(0xffa030), 0.3f);
        c.fill(RoundRect{wx, wy, 30, 30, 3}, hex(0x2a160e));
        c.fill(RoundRect{wx, wy, 25, 25, 2},
               RadialGradient{{wx, wy + 8}, 40, hex(0xfff0a0), hex(0xff9a2a)});
        c.fill(RoundRect{wx, wy, 2.5f, 25, 0}, hex(0x2a160e));
        c.fill(RoundRect{wx, wy, 25, 2.5f, 0}, hex(0x2a160e));
        c.fill(RoundRect{wx, wy + 31, 36, 5, 4}, hex(0xf4f8ff));
    }
    c.fill(RoundRect{1540, base - 50, 28, 50, 4}, hex(0x3a1c12));
    c.fill(Circle{1555, base - 48, 3.5f}, hex(0xffd070));
    // Wreath on the door.
    c.fill(subtract(Circle{1540, base - 72, 14}, Circle{1540, base - 72, 7}), hex(0x1f6b2f));
    c.fill(Circle{1540, base - 60, 3}, hex(0xd02020));
}

// One tier of the tree: a cone whose bottom edge is scalloped.
struct Tier {
    float cx, top, bottom, halfWidth, sag;
    int scallops;
    float bottomAt(float x) const
    {
        float u = (x - (cx - halfWidth)) / (2 * halfWidth) * float(scallops);
        float f = u - std::floor(u);
        return bottom + sag * std::sin(3.14159265f * f);
    }
    float f(float x, float y) const
    {
        float side = std::fabs(x - cx) - halfWidth * (y - top) / (bottom - top);
        return std::max(side, y - bottomAt(x));
    }
};

void tree(Canvas& c)
{
    const float cx = 540;
    const float base = groundY(cx);
    // Shadow on the snow and the trunk.
    c.fill(Ellipse{cx + 30, base + 14, 360, 34}, hex(0x5a6a98, 0.45f), 24);
    c.fill(RoundRect{cx, base - 30, 30, 40, 4}, LinearGradient{{cx - 34, 0}, {cx + 34, 0}, hex(0x3a2216), hex(0x6a4026)});

    const Tier tiers[] = {
        {cx, 250, 420, 150, 22, 4},
        {cx, 340, 568, 228, 26, 5},
        {cx, 462, 712, 298, 28, 6},
        {cx, 585, 828, 370, 30, 7},
    };
    for (int i = 3; i >= 0; --i) {
        const Tier& t = tiers[i];
        auto shape = implicit(Box{cx - t.halfWidth, t.top, cx + t.halfWidth, t.bottom + t.sag + 2},
                              [t](float x, float y) { return t.f(x, y); });
        // The tier above casts a soft shadow just under its rim.
        const Tier above = i > 0 ? tiers[i - 1] : Tier{cx, 0, 1, 1, 0, 1};
        const bool hasAbove = i > 0;
        c.fill(shape, [t, above, hasAbove](float x, float y) {
            float depth = (y - t.top) / (t.bottom - t.top);
            // Lit from the star above and a little from the right (the cottage).
            float side = (x - t.cx) / (t.halfWidth * std::max(depth, 0.05f));
            float k = 0.55f + 0.35f * depth + 0.12f * side;
            float needles = fbm(x * 0.06f, y * 0.03f, 3, 21u);
            k *= 0.7f + 0.5f * needles;
            if (hasAbove && std::fabs(x - above.cx) < above.halfWidth)
                k *= 1 - 0.45f * (1 - smooth(0, 45, y - above.bottomAt(x)));
            Color g = ramp(depth, {{0.0f, hex(0x2f7a45)}, {1.0f, hex(0x14482a)}});
            return scaled(g, k);
        });
        // Snow rim along the scalloped edge.
        auto rim = implicit(Box{cx - t.halfWidth - 2, t.top, cx + t.halfWidth + 2, t.bottom + t.sag + 2},
                            [t](float x, float y) {
                                return std::max(t.f(x, y), (t.bottomAt(x) - 13 - 5 * std::sin(x * 0.11f)) - y);
                            });
        c.fill(rim, LinearGradient{{0, t.bottom - 12}, {0, t.bottom + t.sag}, hex(0xffffff), hex(0xb8c8e8)});
    }

    // Garlands: gentle sagging curves across each tier, with lights on them.
    Rng rng(99);
    const Color lightCols[] = {hex(0xff4040), hex(0xffd040), hex(0x40a0ff), hex(0x60ff80), hex(0xff80e0),
                               hex(0xffa020)};
    for (int i = 0; i < 4; ++i) {
        const Tier& t = tiers[i];
        float y0 = t.top + (t.bottom - t.top) * 0.45f, y1 = t.top + (t.bottom - t.top) * 0.78f;
        float w0 = t.halfWidth * 0.45f, w1 = t.halfWidth * 0.78f;
        auto pts = bezier({cx - w0, y0}, {cx - w0 * 0.3f, y0 + 70}, {cx + w1 * 0.4f, y1 + 40}, {cx + w1, y1}, 40);
        c.fill(Polyline{pts, 2.2f}, hex(0xe8c060, 0.9f));
        for (int k = 1; k < 40; k += 3) {
            Vec2 p = pts[size_t(k)];
            Color lc = lightCols[rng.below(6)];
            c.glow(p.x, p.y + 4, 12, lc, 0.55f);
            c.fill(Circle{p.x, p.y + 4, 4.5f}, mix(lc, hex(0xffffff), 0.55f));
        }
    }
    // Baubles.
    const Color baubleCols[] = {hex(0xd01c28), hex(0xe0a820), hex(0x2050c8), hex(0xc8ccd8), hex(0x9b2fc0)};
    const Vec2 spots[] = {{-70, 400}, {60, 380}, {-120, 520}, {110, 540}, {0, 500}, {-200, 660},
                          {190, 690}, {-40, 640}, {80, 620}, {-290, 820}, {270, 830}, {-130, 780},
                          {130, 800}, {10, 760}, {-20, 300}, {-230, 800}, {220, 760}};
    int idx = 0;
    for (Vec2 s : spots) {
        float bx = cx + s.x, by = s.y;
        float r = 14 + 6 * rng.uni() + (by > 700 ? 4 : 0);
        Color col = baubleCols[(idx++) % 5];
        c.fill(RoundRect{bx, by - r - 3, 4, 4, 1}, hex(0xd8c070));
        c.fill(Circle{bx, by, r}, SpherePaint{{bx, by}, r, col, 1.f});
        c.glow(bx - r * 0.35f, by - r * 0.4f, r * 0.25f, hex(0xffffff), 0.25f);
    }
    // The star on top.
    const float sx = cx, sy = 222;
    c.glow(sx, sy, 150, hex(0xffb030), 0.25f);
    c.glow(sx, sy, 50, hex(0xfff0a0), 0.6f);
    for (int k = 0; k < 8; ++k) {
        float a = float(k) * 3.14159265f / 4 + 0.2f;
        float len = (k % 2) ? 55.f : 95.f;
        c.fill(Capsule{{sx, sy}, {sx + len * std::cos(a), sy + len * std::sin(a)}, 3.f, 0.3f},
               hex(0xfff2c0, 0.3f), 2.5f);
    }
    c.fill(star(sx, sy, 58, 24, 5, 0), RadialGradient{{sx - 10, sy - 14}, 62, hex(0xfffbe0), hex(0xe8a010)});
    c.fill(star(sx, sy, 30, 13, 5, 0), hex(0xfff8d0, 0.6f));

    // Presents under the tree.
    struct Gift {
        float x, w, h;
        Color box, ribbon;
    };
    const Gift gifts[] = {{cx - 250, 120, 90, hex(0xb0202a), hex(0xf0d060)},
                          {cx + 230, 100, 110, hex(0x1f5aa8), hex(0xf2f2f2)},
                          {cx - 110, 90, 60, hex(0x2a8a48), hex(0xe03030)},
                          {cx + 90, 80, 70, hex(0xe0b020), hex(0xc02040)}};
    for (const Gift& g : gifts) {
        float gb = groundY(g.x) + 18;
        float gy = gb - g.h / 2;
        c.fill(Ellipse{g.x + 10, gb, g.w * 0.7f, 12}, hex(0x55648f, 0.5f), 10);
        c.fill(RoundRect{g.x, gy, g.w / 2, g.h / 2, 3},
               LinearGradient{{g.x - g.w / 2, 0}, {g.x + g.w / 2, 0}, g.box, scaled(g.box, 0.6f)});
        c.fill(RoundRect{g.x, gy, 7, g.h / 2, 0}, g.ribbon);
        c.fill(RoundRect{g.x, gy, g.w / 2, 7, 0}, g.ribbon);
        c.fill(Ellipse{g.x - 14, gy - g.h / 2 - 6, 16, 9, 0.4f}, g.ribbon);
        c.fill(Ellipse{g.x + 14, gy - g.h / 2 - 6, 16, 9, -0.4f}, g.ribbon);
        c.fill(Circle{g.x, gy - g.h / 2 - 3, 6}, scaled(g.ribbon, 0.85f));
    }
}

void snowfall(Canvas& c)
{
    Rng rng(31337);
    for (int i = 0; i < 900; ++i) {
        float x = rng.range(-10, W + 10), y = rng.range(-10, H + 10);
        float z = rng.uni();
        float r = 1.0f + 2.6f * z * z;
        c.fill(Circle{x, y, r}, hex(0xffffff, 0.55f + 0.4f * z), 1.f + z);
    }
    // A few big, out-of-focus flakes near the camera.
    for (int i = 0; i < 28; ++i) {
        float x = rng.range(0, W), y = rng.range(0, H);
        float r = rng.range(7, 14);
        c.fill(Circle{x, y, r}, hex(0xffffff, 0.28f), r * 0.8f);
    }
}

} // namespace

Canvas paintChristmas()
{
    Canvas c(int(W), int(H), hex(0x000000));
    sky(c);
    stars(c);
    moon(c);
    hills(c);
    cottage(c);
    tree(c);
    snowfall(c);
    vignette(c, 0.45f);
    return c;
}
