// The spring meadow: blue sky with sun and clouds, rolling green hills with
// flowers, and a nest of big painted eggs in the grass at the front.
#include "Paint.h"
#include "Pictures.h"

namespace {

const float W = 1920, H = 1080;
const float pi = 3.14159265f;

void sky(Canvas& c)
{
    c.shade([](float, float y, Color& p) {
        p = ramp(y / 700.f, {{0.0f, hex(0x2f7fd6)}, {0.6f, hex(0x7fbdf0)}, {1.0f, hex(0xd4ecfb)}});
    });
    // Sun with soft rays.
    const float sx = 250, sy = 170;
    for (int k = 0; k < 16; ++k) {
        float a0 = float(k) * 2 * pi / 16, a1 = a0 + 0.09f;
        Polygon ray{{{sx, sy}, {sx + 900 * std::cos(a0), sy + 900 * std::sin(a0)},
                     {sx + 900 * std::cos(a1), sy + 900 * std::sin(a1)}}};
        c.fill(ray, [sx, sy](float x, float y) {
            return hex(0xfff8d0, 0.16f * (1 - smooth(0, 800, std::hypot(x - sx, y - sy))));
        });
    }
    c.glow(sx, sy, 260, hex(0xfff0b0), 0.45f);
    c.fill(Circle{sx, sy, 78}, RadialGradient{{sx - 15, sy - 15}, 95, hex(0xfffff4), hex(0xfff0a0)});
    c.glow(sx, sy, 100, hex(0xffffe0), 0.35f);

    // Clouds: clusters of puffs, shaded darker underneath.
    struct Cloud {
        float x, y, s;
    };
    const Cloud clouds[] = {{820, 180, 1.0f}, {1450, 110, 1.25f}, {1180, 330, 0.7f}, {1780, 300, 0.8f}};
    Rng rng(12);
    for (const Cloud& cl : clouds) {
        for (int k = 0; k < 9; ++k) {
            float dx = (float(k) - 4) * 38 * cl.s + rng.range(-10, 10);
            float r = (60 - std::fabs(float(k) - 4) * 9 + rng.range(-8, 8)) * cl.s;
            float cy = cl.y + std::fabs(float(k) - 4) * 8 * cl.s - r * 0.3f;
            float bottom = cl.y + 25 * cl.s;
            c.fill(intersect(Circle{cl.x + dx, cy, r}, RoundRect{cl.x, bottom - 400, 2000, 400, 0}),
                   [bottom, r](float, float y) {
                       return mix(hex(0xffffff), hex(0xd5e4f4), smooth(bottom - r * 1.2f, bottom, y));
                   },
                   1.5f);
        }
    }
}

float hill(float x, float base, float amp, float freq, float phase)
{
    return base + amp * std::sin(x * freq + phase) + amp * 0.4f * std::sin(x * freq * 2.3f + phase * 1.7f);
}

void hills(Canvas& c)
{
    auto far = implicit(Box{0, 520, W, H}, [](float x, float y) { return hill(x, 640, 40, 0.003f, 0.5f) - y; });
    c.fill(far, LinearGradient{{0, 580}, {0, 760}, hex(0xa8d878), hex(0x86c25a)});
    // Tiny trees on the far hill.
    Rng rng(4);
    for (int i = 0; i < 14; ++i) {
        float x = rng.range(700, 1900), y = hill(x, 640, 40, 0.003f, 0.5f) + 6;
        float r = rng.range(16, 28);
        c.fill(RoundRect{x, y - r * 0.6f, 3, r * 0.6f, 1}, hex(0x6a4a2a));
        c.fill(Circle{x, y - r * 1.4f, r}, SpherePaint{{x, y - r * 1.4f}, r, hex(0x5c9e3c), 0.1f});
    }
    auto mid = implicit(Box{0, 600, W, H}, [](float x, float y) { return hill(x, 740, 35, 0.0024f, 2.4f) - y; });
    c.fill(mid, LinearGradient{{0, 680}, {0, 900}, hex(0x8ccc56), hex(0x62a83a)});
    auto nearHill = implicit(Box{0, 700, W, H}, [](float x, float y) { return hill(x, 830, 25, 0.002f, 4.0f) - y; });
    c.fill(nearHill, [](float x, float y) {
        Color g = ramp((y - 800) / 280.f, {{0.0f, hex(0x6cbc3e)}, {1.0f, hex(0x3c8a26)}});
        float n = fbm(x * 0.01f, y * 0.03f, 4, 8u);
        return scaled(g, 0.85f + 0.3f * n);
    });
    // Daisies scattered on the hills, smaller with distance.
    for (int i = 0; i < 260; ++i) {
        float x = rng.range(0, W), y = rng.range(660, 1000);
        if (y < hill(x, 740, 35, 0.0024f, 2.4f) + 4)
            continue;
        float s = 0.5f + 2.5f * (y - 660) / 340;
        Color petal = rng.uni() < 0.7f ? hex(0xffffff) : hex(0xffe0f0);
        for (int k = 0; k < 6; ++k) {
            float a = float(k) * pi / 3;
            c.fill(Ellipse{x + 2.6f * s * std::cos(a), y + 2.6f * s * std::sin(a) * 0.6f, 2.2f * s, 1.2f * s, a},
                   petal);
        }
        c.fill(Circle{x, y, 1.4f * s}, hex(0xffc820));
    }
}

// A grass blade: a curved tapering polygon from its root.
void blade(Canvas& c, Vec2 root, float height, float lean, float width, Color col)
{
    Vec2 tip{root.x + lean, root.y - height};
    Vec2 c1{root.x + lean * 0.1f, root.y - height * 0.5f}, c2{root.x + lean * 0.6f, root.y - height * 0.9f};
    std::vector<Vec2> left = bezier({root.x - width, root.y}, c1 - Vec2{width * 0.6f, 0}, c2, tip, 10);
    std::vector<Vec2> right = bezier(tip, c2, c1 + Vec2{width * 0.6f, 0}, {root.x + width, root.y}, 10);
    Polygon p;
    p.pts = left;
    p.pts.insert(p.pts.end(), right.begin() + 1, right.end());
    Color darker = scaled(col, 0.55f);
    c.fill(p, LinearGradient{root, tip, darker, col});
}

void grass(Canvas& c, float yFrom, float yTo, int count, uint64_t seed, float scale)
{
    Rng rng(seed);
    for (int i = 0; i < count; ++i) {
        float x = rng.range(-20, W + 20), y = rng.range(yFrom, yTo);
        float h = rng.range(30, 80) * scale * (0.6f + 0.6f * (y - 760) / 320);
        Color col = mix(hex(0x4fa02e), hex(0x9ad85a), rng.uni());
        blade(c, {x, y}, h, rng.range(-0.4f, 0.4f) * h, rng.range(2.f, 4.f) * scale, col);
    }
}

void tulip(Canvas& c, float x, float y, float s, Color col)
{
    c.fill(Polyline{bezier({x, y}, {x - 4 * s, y - 40 * s}, {x + 3 * s, y - 80 * s}, {x, y - 110 * s}, 12), 2.2f * s},
           hex(0x3f8a2a));
    c.fill(Ellipse{x + 12 * s, y - 40 * s, 7 * s, 24 * s, 0.5f}, hex(0x4f9e32));
    const float cy = y - 120 * s;
    auto cup = implicit(Box{x - 22 * s, cy - 30 * s, x + 22 * s, cy + 22 * s}, [x, cy, s](float px, float py) {
        float u = (px - x) / (20 * s), v = (py - cy) / (20 * s);
        // A cup: rounded below, three points on top.
        float body = u * u + std::max(v, 0.f) * std::max(v, 0.f) - 1;
        float top = -v - 1.2f + 0.45f * std::fabs(std::sin(u * pi * 1.5f));
        return std::max(body, std::max(top, std::fabs(u) - 1));
    });
    c.fill(cup, [x, cy, s, col](float px, float py) {
        float k = 0.8f + 0.35f * (1 - std::fabs(px - x) / (20 * s)) - 0.15f * (py - cy) / (20 * s);
        return scaled(col, k);
    });
}

// ---- Eggs. ----

struct Egg {
    float cx, cy, a, b, angle;
    int pattern;
    Color base, c1, c2;
};

// Signed distance (pixels) from a band |v - v0| < halfWidth in egg units.
float bandCov(float v, float v0, float half, float b)
{
    return clamp01(0.5f - (std::fabs(v - v0) - half) * b);
}

Color eggColor(const Egg& e, float x, float y)
{
    Vec2 p = rotate({x - e.cx, y - e.cy}, -e.angle);
    float v = std::clamp(p.y / e.b, -1.f, 1.f);
    float hw = e.a * (1 + 0.14f * v) * std::sqrt(std::max(1e-4f, 1 - v * v));
    float u = std::clamp(p.x / hw, -1.f, 1.f);
    float s = std::asin(u) / (pi / 2); // around the egg, -1..1 across the visible half
    Color col = e.base;
    const float B = e.b;
    switch (e.pattern) {
    case 0: { // zigzag band between stripes
        float z = -0.05f + 0.12f * (2 * std::fabs(std::fmod(s * 3 + 10.5f, 1.f) - 0.5f) * 2 - 1);
        col = mix(col, e.c1, bandCov(v, z, 0.05f, B));
        col = mix(col, e.c2, bandCov(v, -0.42f, 0.05f, B));
        col = mix(col, e.c2, bandCov(v, 0.32f, 0.05f, B));
        col = mix(col, e.c1, bandCov(v, -0.6f, 0.02f, B));
        col = mix(col, e.c1, bandCov(v, 0.5f, 0.02f, B));
        break;
    }
    case 1: { // dots in staggered rows
        float row = std::floor(v * 5 + 0.5f);
        float sv = v * 5 - row;
        float su = s * 4 + (int(row) % 2 ? 0.5f : 0.f);
        su -= std::floor(su + 0.5f);
        float d = std::hypot(su * hw / 4 * 2.2f, sv * B / 5) - 0.22f * B / 5;
        Color dot = (int(row + 10) % 2) ? e.c1 : e.c2;
        col = mix(col, dot, clamp01(0.5f - d));
        break;
    }
    case 2: { // waves
        for (int k = -2; k <= 2; ++k) {
            float v0 = float(k) * 0.32f + 0.06f * std::sin(s * pi * 3 + float(k));
            col = mix(col, k % 2 ? e.c2 : e.c1, bandCov(v, v0, 0.06f, B));
        }
        break;
    }
    case 3: { // stripes with a row of triangles
        col = mix(col, e.c1, bandCov(v, -0.35f, 0.1f, B));
        col = mix(col, e.c1, bandCov(v, 0.35f, 0.1f, B));
        float f = std::fmod(s * 4 + 10, 1.f);
        float tri = -0.13f + 0.26f * std::fabs(f - 0.5f) * 2;
        if (v > -0.13f && v < 0.13f)
            col = mix(col, e.c2, clamp01((v - tri) * B));
        col = mix(col, e.c2, bandCov(v, -0.62f, 0.025f, B));
        col = mix(col, e.c2, bandCov(v, 0.62f, 0.025f, B));
        break;
    }
    case 4: { // flowers: dot rings
        float row = std::floor(v * 2.5f + 0.5f);
        float sv = v * 2.5f - row;
        float su = s * 2.5f + (int(row) % 2 ? 0.5f : 0.f);
        su -= std::floor(su + 0.5f);
        float px = su * hw / 2.5f * 2.0f, py = sv * B / 2.5f;
        float r = std::hypot(px, py), ang = std::atan2(py, px);
        float petal = r - (0.32f + 0.12f * std::cos(5 * ang)) * B / 2.5f;
        col = mix(col, e.c1, clamp01(0.5f - petal));
        col = mix(col, e.c2, clamp01(0.5f - (r - 0.1f * B / 2.5f)));
        break;
    }
    default: { // chevrons
        float f = std::fabs(std::fmod(s * 2.5f + 10, 1.f) - 0.5f);
        float w = std::fmod(v * 3 + f + 10, 1.f);
        col = mix(col, e.c1, clamp01(0.5f - (std::fabs(w - 0.5f) - 0.16f) * B / 3));
        break;
    }
    }
    // Light from the sun, upper left.
    float nz = std::sqrt(std::max(0.f, 1 - u * u)) * std::sqrt(std::max(0.f, 1 - v * v));
    float nx = u * std::sqrt(std::max(0.f, 1 - v * v)), ny = v;
    Vec2 n2 = rotate({nx, ny}, e.angle);
    float len = std::sqrt(n2.x * n2.x + n2.y * n2.y + nz * nz) + 1e-6f;
    float lx = -0.5f, ly = -0.6f, lz = 0.62f;
    float d = (n2.x * lx + n2.y * ly + nz * lz) / len;
    float k = 0.45f + 0.7f * std::max(0.f, d);
    float rz = 2 * d * (nz / len) - lz;
    float spec = 0.35f * std::pow(std::max(0.f, rz), 24.f);
    // Green bounce light from the grass on the lower side.
    float bounce = 0.12f * smooth(0.3f, 1.f, n2.y / len);
    return {clamp01(col.r * k + spec), clamp01(col.g * k + spec + bounce * 0.5f), clamp01(col.b * k + spec), 1};
}

void egg(Canvas& c, const Egg& e)
{
    // Soft contact shadow.
    c.fill(Ellipse{e.cx + 20, e.cy + e.b * 0.92f, e.a * 1.1f, e.b * 0.2f}, hex(0x1f4a14, 0.45f), 18);
    auto shape = implicit(Box{e.cx - e.b * 1.2f, e.cy - e.b * 1.2f, e.cx + e.b * 1.2f, e.cy + e.b * 1.2f},
                          [e](float x, float y) {
                              Vec2 p = rotate({x - e.cx, y - e.cy}, -e.angle);
                              float v = p.y / e.b;
                              float w = e.a * (1 + 0.14f * std::clamp(v, -1.f, 1.f));
                              return (p.x / w) * (p.x / w) + v * v - 1;
                          });
    c.fill(shape, [&e](float x, float y) { return eggColor(e, x, y); });
}

} // namespace

Canvas paintEaster()
{
    Canvas c(int(W), int(H), hex(0x000000));
    sky(c);
    hills(c);
    grass(c, 800, 1000, 2200, 55, 0.8f);
    Rng rng(77);
    const Color tulipCols[] = {hex(0xe8303a), hex(0xffc020), hex(0xff70b0), hex(0xf05a1a), hex(0xb050e0)};
    for (int i = 0; i < 11; ++i) {
        float x = rng.range(40, W - 40);
        if (x > 420 && x < 1560)
            x = x < 990 ? x - 380 : x + 380; // keep the eggs' space clear
        tulip(c, x, rng.range(930, 1040), rng.range(0.9f, 1.3f), tulipCols[i % 5]);
    }
    const Egg eggs[] = {
        {640, 850, 92, 124, -0.25f, 2, hex(0xffd23a), hex(0xe8402a), hex(0xff8a1a)},
        {1290, 835, 96, 128, 0.22f, 4, hex(0x47b8e8), hex(0xffffff), hex(0xffd030)},
        {860, 800, 100, 134, -0.08f, 1, hex(0xff7eb6), hex(0xffffff), hex(0xfff070)},
        {1080, 790, 104, 140, 0.06f, 0, hex(0x3a6ee8), hex(0xffffff), hex(0xffd23a)},
        {960, 930, 96, 126, 0.12f, 3, hex(0x8ad046), hex(0xffffff), hex(0xe84a8a)},
        {1200, 945, 88, 118, 0.3f, 5, hex(0xa060e0), hex(0xffe060), hex(0xffffff)},
        {740, 960, 86, 114, -0.35f, 0, hex(0xf26a3a), hex(0xfff2b0), hex(0x47b8e8)},
    };
    for (const Egg& e : eggs)
        egg(c, e);
    // Grass in front of the eggs' feet.
    grass(c, 990, 1100, 1800, 66, 1.1f);
    vignette(c, 0.25f);
    return c;
}
