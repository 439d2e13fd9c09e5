// A stained-glass church window: a pointed arch in a dark ashlar wall, two
// lancets and a rose of coloured glass held by lead, glowing with daylight,
// with candles on the sill and soft shafts of light in the air.
#include "Paint.h"
#include "Pictures.h"

namespace {

const float W = 1920, H = 1080;
const float pi = 3.14159265f;

// An equilateral pointed arch: straight sides from `bottom` up to `spring`,
// then two arcs of radius `width` meeting at the apex.
struct Arch {
    float cx, width, spring, bottom;
    float distance(float x, float y) const
    {
        float h = width / 2;
        // Below the springing line the sides are straight; above, two arcs.
        if (y >= spring)
            return std::max(std::fabs(x - cx) - h, y - bottom);
        return std::max(std::hypot(x - (cx + h), y - spring) - width, std::hypot(x - (cx - h), y - spring) - width);
    }
    Box bounds() const
    {
        float apex = spring - width * 0.8660254f;
        return {cx - width / 2, apex, cx + width / 2, bottom};
    }
};

const Arch outer{960, 700, 640, 960};
const Arch lancetL{782, 285, 560, 940};
const Arch lancetR{1138, 285, 560, 940};
const Circle rose{960, 212, 122};

// A foiled outline for the rose: a circle with six lobes.
float roseDistance(float x, float y)
{
    float dx = x - rose.cx, dy = y - rose.cy;
    float a = std::atan2(dy, dx);
    float r = std::hypot(dx, dy);
    return r - rose.r * (0.9f + 0.1f * std::fabs(std::cos(a * 3)));
}

struct Voronoi {
    float f1, f2;
    int id;
};

Voronoi voronoi(float x, float y, float cell, uint32_t seed)
{
    float gx = x / cell, gy = y / cell;
    int ix = int(std::floor(gx)), iy = int(std::floor(gy));
    Voronoi v{1e9f, 1e9f, 0};
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            int cx = ix + i, cy = iy + j;
            float px = float(cx) + 0.15f + 0.7f * hashUnit(cx, cy, seed);
            float py = float(cy) + 0.15f + 0.7f * hashUnit(cx, cy, seed + 1);
            float d = std::hypot(gx - px, gy - py) * cell;
            if (d < v.f1) {
                v.f2 = v.f1;
                v.f1 = d;
                v.id = int(hash2(cx, cy, seed + 2) & 0x7fffffff);
            } else if (d < v.f2) {
                v.f2 = d;
            }
        }
    return v;
}

const Color lead = hex(0x141210);

// Antique glass: a little uneven in thickness, brighter where the sun is.
Color glass(Color c, float x, float y, int id)
{
    float tone = 0.82f + 0.3f * hashUnit(id, 0, 9u);
    float n = 0.85f + 0.3f * fbm(x * 0.02f, y * 0.02f, 3, 17u);
    float sun = 0.9f + 0.35f * (1 - smooth(0, 700, std::hypot(x - 1020, y - 380)));
    float k = tone * n * sun;
    return {clamp01(c.r * k), clamp01(c.g * k), clamp01(c.b * k), 1};
}

// Mixes in a lead line where `d` (pixels, from a boundary) is within half `w`.
Color leaded(Color c, float d, float w)
{
    return mix(c, lead, clamp01(w / 2 + 0.5f - std::fabs(d)));
}

Color lancetGlass(const Arch& a, bool left, float x, float y)
{
    const float d = a.distance(x, y);
    Color col;
    // Border of small alternating pieces along the edge.
    if (d > -22) {
        int piece = int(std::floor((y + (x - a.cx) * 0.3f) / 34));
        col = glass(piece % 2 ? hex(0xd8a020) : hex(0xb01c1c), x, y, piece + 500);
        float joint = std::fabs(std::fmod((y + (x - a.cx) * 0.3f) + 3400, 34.f) - 17) - 17;
        col = leaded(col, joint, 3);
        return leaded(col, d + 22, 4);
    }
    // Medallions: a large one with a sign, small ones above and below.
    const float my = 660, mr = 105;
    float dm = std::hypot(x - a.cx, y - my) - mr;
    if (dm < 0) {
        if (dm > -14) {
            col = glass(hex(0xe8c040), x, y, 700);
            return leaded(leaded(col, dm + 14, 3), dm, 5);
        }
        Color ground = left ? hex(0xa0121e) : hex(0x102a8a);
        col = glass(ground, x, y, left ? 710 : 711);
        float sign;
        if (left) { // a cross
            float bar1 = RoundRect{a.cx, my + 6, 13, 70, 3}.distance(x, y);
            float bar2 = RoundRect{a.cx, my - 22, 46, 13, 3}.distance(x, y);
            sign = std::min(bar1, bar2);
        } else { // the star
            sign = star(a.cx, my, 72, 30, 8, 0).distance(x, y);
        }
        if (sign < 0)
            col = glass(hex(0xffd24a), x, y, 720);
        return leaded(col, sign, 4);
    }
    for (float sy : {410.f, 860.f}) {
        float ds = std::hypot(x - a.cx, y - sy) - 52;
        if (ds < 0) {
            // A quatrefoil flower.
            float ang = std::atan2(y - sy, x - a.cx);
            float petal = std::hypot(x - a.cx, y - sy) - 40 * (0.55f + 0.45f * std::fabs(std::cos(2 * ang)));
            col = glass(petal < 0 ? hex(0x2a9a4a) : hex(0xe8e0c8), x, y, int(sy) + (petal < 0 ? 1 : 0));
            if (std::hypot(x - a.cx, y - sy) < 12)
                col = glass(hex(0xd8202a), x, y, 800);
            col = leaded(col, petal, 3);
            col = leaded(col, std::hypot(x - a.cx, y - sy) - 12, 3);
            return leaded(col, ds, 5);
        }
    }
    // Ground of irregular pieces, mostly blues with jewels of other colours.
    Voronoi v = voronoi(x, y, 62, left ? 31u : 32u);
    const Color pal[] = {hex(0x1b3fa8), hex(0x2456c8), hex(0x14328c), hex(0x3a6ad8), hex(0x6a2a9a),
                         hex(0x1b3fa8), hex(0x2a8a4a), hex(0xb01c1c), hex(0x1b3fa8), hex(0xd89a20)};
    col = glass(pal[v.id % 10], x, y, v.id);
    col = leaded(col, (v.f2 - v.f1) * 0.5f, 3);
    col = leaded(col, dm, 5);
    return col;
}

Color roseGlass(float x, float y)
{
    float dx = x - rose.cx, dy = y - rose.cy;
    float r = std::hypot(dx, dy);
    float a = std::atan2(dy, dx);
    float dOut = roseDistance(x, y);
    Color col;
    if (r < 34) {
        col = glass(hex(0xffd24a), x, y, 900);
        return leaded(col, r - 34, 4);
    }
    // Twelve petals, alternating red and blue, with white tips.
    float sector = (a + pi) / (2 * pi) * 12;
    int idx = int(std::floor(sector));
    float f = sector - float(idx);
    col = glass(idx % 2 ? hex(0xb81424) : hex(0x1e44b8), x, y, 910 + idx);
    if (r > 86)
        col = glass(idx % 2 ? hex(0xe8c040) : hex(0x2a9a4a), x, y, 930 + idx);
    col = leaded(col, (std::min(f, 1 - f)) * r * (2 * pi / 12), 3);
    col = leaded(col, r - 86, 3);
    col = leaded(col, r - 34, 4);
    return leaded(col, dOut, 5);
}

Color stone(float x, float y, float base)
{
    float n = fbm(x * 0.02f, y * 0.02f, 5, 41u);
    float grit = hashUnit(int(x), int(y), 43u);
    float k = base * (0.75f + 0.4f * n + 0.08f * grit);
    // Warm spill from the window.
    float spill = 0.55f * (1 - smooth(0, 900, std::hypot(x - 960, (y - 500) * 0.8f)));
    Color c = hex(0x5a524a);
    return {clamp01(c.r * k * (1 + spill * 1.1f)), clamp01(c.g * k * (1 + spill * 0.9f)),
            clamp01(c.b * k * (1 + spill * 0.6f)), 1};
}

void wall(Canvas& c)
{
    c.shade([](float x, float y, Color& p) {
        // Courses of ashlar with staggered joints.
        const float rowH = 96;
        float row = std::floor(y / rowH);
        float off = std::fmod(row, 2.f) * 110 + hashUnit(int(row), 1, 5u) * 40;
        float bw = 220;
        float col = std::floor((x + off) / bw);
        float fx = std::fmod(x + off, bw), fy = y - row * rowH;
        float mortar = std::min(std::min(fx, bw - fx), std::min(fy, rowH - fy));
        float tone = 0.8f + 0.35f * hashUnit(int(col), int(row), 6u);
        Color s = stone(x, y, tone * 0.75f);
        // Bevelled edges: lit from above, shaded below.
        float bevel = 1 + 0.25f * (1 - smooth(0, 8, fy)) - 0.3f * (1 - smooth(0, 8, rowH - fy));
        s = scaled(s, bevel);
        p = mix(hex(0x1c1916), s, smooth(1.5f, 4.5f, mortar));
    });
}

} // namespace

Canvas paintReligion()
{
    Canvas c(int(W), int(H), hex(0x000000));
    wall(c);

    // The moulded frame around the opening, stepped in two orders.
    for (int order = 0; order < 2; ++order) {
        float grow = order == 0 ? 110 : 55;
        Arch a{outer.cx, outer.width + grow, outer.spring, outer.bottom + 10};
        c.fill(Arch{a.cx, a.width + 16, a.spring, a.bottom + 10}, hex(0x120f0c, 0.7f), 12);
        c.fill(a, [a, order](float x, float y) {
            float d = -a.distance(x, y);
            float bevel = 0.75f + 0.5f * smooth(0, 30, d) - 0.25f * smooth(30, 55, d);
            return scaled(stone(x, y, 1.05f + 0.1f * float(order)), bevel);
        });
    }

    // The glass, painted on its own layer so it can bloom.
    Canvas light(int(W), int(H), Color{0, 0, 0, 0});
    light.fill(lancetL, [](float x, float y) { return lancetGlass(lancetL, true, x, y); });
    light.fill(lancetR, [](float x, float y) { return lancetGlass(lancetR, false, x, y); });
    auto roseShape = implicit(Box{rose.cx - rose.r, rose.cy - rose.r, rose.cx + rose.r, rose.cy + rose.r},
                              [](float x, float y) { return roseDistance(x, y); });
    light.fill(roseShape, [](float x, float y) { return roseGlass(x, y); });

    // Stone tracery between the lights: the opening, deep shadowed reveal first.
    c.fill(outer, [](float x, float y) {
        float d = -outer.distance(x, y);
        return scaled(stone(x, y, 0.55f), 0.6f + 0.4f * smooth(0, 40, d));
    });
    // Mullion and spandrels get a soft bevel towards the glass.
    c.fill(outer, [](float x, float y) {
        float dl = std::min(std::min(lancetL.distance(x, y), lancetR.distance(x, y)), roseDistance(x, y));
        float k = 0.7f + 0.45f * smooth(0, 18, dl);
        return withAlpha(scaled(stone(x, y, 0.85f), k), smooth(0, 60, -outer.distance(x, y)) * 0.9f + 0.1f);
    });

    Canvas bloom = light;
    bloom.blur(28);
    c.draw(bloom, 0, 0, 0.55f);
    c.draw(light, 0, 0);
    // Bloom adds light on top too, brightening the glass edges.
    c.shade([&bloom](float x, float y, Color& p) {
        const Color& b = bloom.at(int(x), int(y));
        p.r = clamp01(p.r + b.r * 0.35f);
        p.g = clamp01(p.g + b.g * 0.35f);
        p.b = clamp01(p.b + b.b * 0.35f);
    });

    // Sill and candles.
    c.fill(RoundRect{960, 985, 470, 24, 3}, [](float x, float y) {
        return scaled(stone(x, y, 1.1f), 1.1f - 0.5f * smooth(975, 1010, y));
    });
    c.fill(RoundRect{960, 1014, 480, 8, 2}, hex(0x0c0a08, 0.7f), 8);
    for (float cx : {560.f, 1360.f}) {
        c.glow(cx, 820, 130, hex(0xffa040), 0.35f);
        c.fill(RoundRect{cx, 900, 26, 62, 4}, LinearGradient{{cx - 26, 0}, {cx + 26, 0}, hex(0xf4ead0), hex(0xb8a888)});
        c.fill(Ellipse{cx, 838, 26, 7}, hex(0xfff8e8));
        c.fill(Capsule{{cx, 838}, {cx, 826}, 1.5f, 1.5f}, hex(0x2a2018));
        c.fill(Ellipse{cx, 808, 9, 22}, RadialGradient{{cx, 815}, 22, hex(0xffffff), hex(0xffa030)}, 2);
        c.glow(cx, 808, 30, hex(0xffd080), 0.6f);
    }

    // Shafts of coloured light in the air, falling to the lower right.
    const Color tints[] = {hex(0xffe0a0), hex(0x8ab0ff), hex(0xffb0b0)};
    for (int k = 0; k < 3; ++k) {
        float x0 = 700 + float(k) * 210;
        Polygon beam{{{x0, 250}, {x0 + 120, 250}, {x0 + 820, 1080}, {x0 + 560, 1080}}};
        c.fill(beam, [k, &tints](float, float y) { return withAlpha(tints[k], 0.07f * (1 - smooth(300, 1080, y) * 0.6f)); }, 60);
    }
    vignette(c, 0.55f);
    return c;
}
