// Sweets: a big swirl lollipop at the very centre (the scene zooms into it),
// two crossed candy canes behind it, wrapped sweets, peppermints, gumdrops and
// sprinkles on a soft pink background with out-of-focus lights.
#include "Paint.h"
#include "Pictures.h"

namespace {

const float W = 1920, H = 1080;
const float pi = 3.14159265f;

void background(Canvas& c)
{
    c.shade([](float x, float y, Color& p) {
        float r = std::hypot(x - 960, (y - 540) * 1.3f) / 1100;
        p = ramp(r, {{0.0f, hex(0xffd6e8)}, {0.5f, hex(0xf79cc4)}, {1.0f, hex(0xb8407e)}});
    });
    Rng rng(5);
    for (int i = 0; i < 70; ++i) {
        float x = rng.range(0, W), y = rng.range(0, H), r = rng.range(15, 70);
        Color col = mix(hex(0xffffff), hex(0xffe08a), rng.uni());
        c.fill(Circle{x, y, r}, withAlpha(col, rng.range(0.08f, 0.22f)), r * 0.25f);
    }
}

// Red and white diagonal stripes over a tube; `along` runs the tube's length,
// `across` from -1 to 1 over its width.
Color caneColor(float along, float across)
{
    float stripe = std::fmod(along / 70 + across * 0.35f + 100, 1.f);
    float edge = std::fabs(stripe - 0.5f) * 70 - 0.18f * 70;
    Color base = mix(hex(0xd81c2c), hex(0xfff6f0), clamp01(0.5f + edge));
    // A thin green pinstripe beside each red band.
    float pin = std::fabs(std::fmod(along / 70 + across * 0.35f + 100.22f, 1.f) - 0.5f) * 70;
    base = mix(base, hex(0x2a9a4a), clamp01(2.5f - pin) * 0.9f);
    float nz = std::sqrt(std::max(0.f, 1 - across * across));
    float k = 0.55f + 0.55f * nz - 0.15f * across;
    float spec = 0.55f * std::pow(std::max(0.f, 1 - std::fabs(across + 0.35f) * 3.5f), 2.f);
    return {clamp01(base.r * k + spec), clamp01(base.g * k + spec), clamp01(base.b * k + spec), 1};
}

// A cane: a straight shaft from `foot` to `top`, then a hook of radius R
// bending to the side given by `hookSide` (+1 right, -1 left).
void cane(Canvas& c, Vec2 foot, Vec2 top, float R, float hookSide, float w)
{
    Vec2 dir = top - foot;
    float len = length(dir);
    dir = dir * (1 / len);
    Vec2 side{-dir.y * hookSide, dir.x * hookSide}; // towards the hook's centre
    Vec2 centre = top + side * R;
    c.fill(Capsule{foot + Vec2{14, 18}, top + Vec2{14, 18}, w, w}, hex(0x6a1036, 0.3f), 18);
    // Shaft.
    c.fill(Capsule{foot, top, w, w}, [=](float x, float y) {
        Vec2 p = Vec2{x, y} - foot;
        float along = dot(p, dir);
        float across = (p.x * -dir.y + p.y * dir.x) / w;
        return caneColor(along, across);
    });
    // Hook: half a ring about `centre`, starting at `top`.
    Vec2 start = top - centre;
    float a0 = std::atan2(start.y, start.x);
    auto ring = implicit(Box{centre.x - R - w, centre.y - R - w, centre.x + R + w, centre.y + R + w},
                         [=](float x, float y) {
                             float r = std::hypot(x - centre.x, y - centre.y);
                             float a = std::atan2(y - centre.y, x - centre.x) - a0;
                             a = std::fmod(a * hookSide + 4 * pi, 2 * pi);
                             float ringD = std::fabs(r - R) - w;
                             // Limit to the half turn away from the shaft; round end caps.
                             if (a <= pi)
                                 return ringD;
                             Vec2 endA = centre + rotate(start, -hookSide * pi);
                             float capA = std::hypot(x - endA.x, y - endA.y) - w;
                             float capB = std::hypot(x - top.x, y - top.y) - w;
                             return std::min(capA, capB);
                         });
    c.fill(ring, [=](float x, float y) {
        float r = std::hypot(x - centre.x, y - centre.y);
        float a = std::fmod((std::atan2(y - centre.y, x - centre.x) - a0) * hookSide + 4 * pi, 2 * pi);
        float across = std::clamp((r - R) / w, -1.f, 1.f) * hookSide;
        return caneColor(len + a * R, across);
    });
}

void lollipop(Canvas& c, float cx, float cy, float r, float stickLen, float stickAngle, int palette)
{
    Vec2 dir = rotate({0, 1}, stickAngle);
    Vec2 end{cx + dir.x * stickLen, cy + dir.y * stickLen};
    c.fill(Capsule{{cx + 12, cy + 16}, end + Vec2{12, 16}, r * 0.08f, r * 0.08f}, hex(0x6a1036, 0.3f), 12);
    c.fill(Capsule{{cx, cy}, end, r * 0.075f, r * 0.075f}, [=](float x, float y) {
        float across = ((x - cx) * dir.y - (y - cy) * dir.x) / (r * 0.075f);
        float k = 0.75f + 0.3f * std::sqrt(std::max(0.f, 1 - across * across)) + 0.1f * across;
        return scaled(hex(0xf4f0ea), k);
    });
    c.fill(Circle{cx + r * 0.08f, cy + r * 0.1f, r * 1.02f}, hex(0x6a1036, 0.35f), r * 0.12f);
    const Color pals[3][4] = {{hex(0xe8202e), hex(0xfff8f0), hex(0x2fa8e0), hex(0xffd22a)},
                              {hex(0x9a3ad8), hex(0xfff8f0), hex(0x3ac86a), hex(0xff8ac0)},
                              {hex(0xff6a1a), hex(0xfff8f0), hex(0xe8202e), hex(0xfff8f0)}};
    const Color* pal = pals[palette];
    c.fill(Circle{cx, cy, r}, [=](float x, float y) {
        float dx = x - cx, dy = y - cy;
        float rr = std::hypot(dx, dy) / r;
        float a = std::atan2(dy, dx) / (2 * pi);
        // Four coloured arms winding out from the middle.
        float s = std::fmod(a * 4 + rr * 3.2f + 100, 4.f);
        int band = int(s);
        float f = s - float(band);
        Color col = mix(pal[band], pal[(band + 1) % 4], smooth(0.9f, 1.0f, f));
        // Dome shading and a glossy window highlight.
        float nz = std::sqrt(std::max(0.f, 1 - rr * rr * 0.85f));
        float k = 0.6f + 0.45f * nz - 0.15f * (dx + dy) / r;
        Color out = scaled(col, k);
        float hl = std::hypot((x - (cx - r * 0.38f)) / (r * 0.32f), (y - (cy - r * 0.42f)) / (r * 0.18f));
        out = mix(out, hex(0xffffff), 0.55f * (1 - smooth(0.6f, 1.f, hl)));
        float rim = smooth(0.9f, 1.f, rr);
        return mix(out, scaled(col, 0.6f), rim * 0.5f);
    });
}

void wrapped(Canvas& c, float cx, float cy, float s, float angle, Color col, Color stripe)
{
    Vec2 ax = rotate({1, 0}, angle);
    c.fill(Ellipse{cx + 10, cy + 14, 95 * s, 52 * s, angle}, hex(0x6a1036, 0.3f), 14);
    // Twisted ends: pleated fans either side.
    for (float side : {-1.f, 1.f}) {
        Vec2 knot{cx + ax.x * side * 70 * s, cy + ax.y * side * 70 * s};
        Polygon fan;
        fan.pts.push_back(knot);
        for (int k = 0; k <= 6; ++k) {
            float t = float(k) / 6 - 0.5f;
            Vec2 p{side * (48 + 10 * std::fabs(std::sin(float(k) * 1.7f))) * s, t * 80 * s};
            Vec2 q = rotate(p, angle);
            fan.pts.push_back({knot.x + q.x, knot.y + q.y});
        }
        c.fill(fan, [=](float x, float y) {
            Vec2 p = rotate({x - knot.x, y - knot.y}, -angle);
            float pleat = 0.75f + 0.25f * std::sin(std::atan2(p.y, std::fabs(p.x)) * 14);
            return scaled(mix(col, hex(0xffffff), 0.25f), pleat);
        });
        c.fill(Ellipse{knot.x, knot.y, 12 * s, 16 * s, angle}, scaled(col, 0.7f));
    }
    c.fill(Ellipse{cx, cy, 75 * s, 46 * s, angle}, [=](float x, float y) {
        Vec2 p = rotate({x - cx, y - cy}, -angle);
        float u = p.x / (75 * s), v = p.y / (46 * s);
        Color base = std::fabs(std::fmod(u * 3 + 10, 1.f) - 0.5f) < 0.15f ? stripe : col;
        float nz = std::sqrt(std::max(0.f, 1 - u * u - v * v));
        float k = 0.55f + 0.5f * nz - 0.2f * v;
        Color out = scaled(base, k);
        float hl = std::hypot(u + 0.3f, (v + 0.5f) * 2.5f);
        return mix(out, hex(0xffffff), 0.7f * (1 - smooth(0.2f, 0.5f, hl)));
    });
}

void peppermint(Canvas& c, float cx, float cy, float r, float spin)
{
    c.fill(Circle{cx + 8, cy + 12, r}, hex(0x6a1036, 0.3f), 12);
    c.fill(Circle{cx, cy, r}, [=](float x, float y) {
        float a = std::atan2(y - cy, x - cx) + spin;
        float rr = std::hypot(x - cx, y - cy) / r;
        // Curved pinwheel blades.
        float s = std::fmod((a + rr * 1.2f) / (2 * pi) * 8 + 100, 1.f);
        Color col = s < 0.5f ? hex(0xe0182a) : hex(0xfffaf6);
        float nz = std::sqrt(std::max(0.f, 1 - rr * rr * 0.8f));
        Color out = scaled(col, 0.65f + 0.4f * nz);
        float hl = std::hypot((x - (cx - r * 0.35f)) / (r * 0.35f), (y - (cy - r * 0.4f)) / (r * 0.18f));
        return mix(out, hex(0xffffff), 0.6f * (1 - smooth(0.5f, 1.f, hl)));
    });
}

void gumdrop(Canvas& c, float cx, float cy, float r, Color col, uint32_t seed)
{
    c.fill(Ellipse{cx + 6, cy + r * 0.15f, r * 1.1f, r * 0.3f}, hex(0x6a1036, 0.35f), 10);
    auto dome = implicit(Box{cx - r, cy - r * 1.2f, cx + r, cy}, [=](float x, float y) {
        float u = (x - cx) / r, v = (cy - y) / (r * 1.1f);
        return std::max(u * u + v * v - 1, -v);
    });
    c.fill(dome, [=](float x, float y) {
        float u = (x - cx) / r, v = (cy - y) / (r * 1.1f);
        float nz = std::sqrt(std::max(0.f, 1 - u * u - v * v));
        float k = 0.5f + 0.5f * nz - 0.25f * u + 0.2f * v;
        Color out = scaled(col, k);
        // Sugar grains.
        float g = hashUnit(int(x / 2), int(y / 2), seed);
        return mix(out, hex(0xffffff), g > 0.85f ? 0.5f : 0.f);
    });
}

} // namespace

Canvas paintCandy()
{
    Canvas c(int(W), int(H), hex(0x000000));
    background(c);
    // Crossed canes behind everything, hooks outward.
    cane(c, {380, 1180}, {760, 220}, 120, -1, 38);
    cane(c, {1540, 1180}, {1160, 220}, 120, 1, 38);
    // Small lollipops in the upper corners.
    lollipop(c, 300, 260, 120, 420, 0.45f, 1);
    lollipop(c, 1640, 270, 115, 420, -0.4f, 2);
    // Sweets around the middle.
    wrapped(c, 330, 640, 1.2f, -0.3f, hex(0x2f8ae0), hex(0xfff0a0));
    wrapped(c, 1600, 660, 1.2f, 0.35f, hex(0x3ab45a), hex(0xffffff));
    wrapped(c, 560, 960, 1.0f, 0.15f, hex(0xffb01a), hex(0xe8202e));
    wrapped(c, 1390, 950, 1.0f, -0.2f, hex(0x9a3ad8), hex(0xffd22a));
    peppermint(c, 150, 900, 95, 0.3f);
    peppermint(c, 1790, 890, 90, 1.1f);
    peppermint(c, 960, 125, 62, 0.7f);
    gumdrop(c, 760, 1040, 55, hex(0xe8202e), 1u);
    gumdrop(c, 1190, 1050, 50, hex(0x3ab45a), 2u);
    gumdrop(c, 140, 480, 45, hex(0xffb01a), 3u);
    gumdrop(c, 1800, 500, 45, hex(0x9a3ad8), 4u);
    // The star of the picture, at the centre.
    lollipop(c, 960, 520, 250, 700, 0.0f, 0);
    // A ribbon bow where the stick meets the sweet.
    const float bx = 960, by = 790;
    for (float side : {-1.f, 1.f}) {
        c.fill(Ellipse{bx + side * 42, by, 46, 24, side * 0.35f}, [side, bx, by](float x, float y) {
            float k = 0.75f + 0.35f * std::sin((x - bx) * side * 0.05f) * (1 - std::fabs(y - by) / 30);
            return scaled(hex(0xe8202e), k);
        });
        c.fill(Polygon{{{bx, by}, {bx + side * 30, by + 70}, {bx + side * 10, by + 62}, {bx + side * 2, by + 78}}},
               hex(0xb01422));
    }
    c.fill(Circle{bx, by, 16}, SpherePaint{{bx, by}, 16, hex(0xd81c2c), 1.f});
    // Sprinkles.
    Rng rng(8);
    const Color sprinkle[] = {hex(0xffffff), hex(0xffd22a), hex(0x2fa8e0), hex(0x3ac86a), hex(0xff6a1a)};
    for (int i = 0; i < 160; ++i) {
        float x = rng.range(0, W), y = rng.range(0, H);
        if (std::hypot(x - 960, y - 520) < 290)
            continue;
        float a = rng.range(0, pi);
        Vec2 d{std::cos(a) * 9, std::sin(a) * 9};
        c.fill(Capsule{{x - d.x, y - d.y}, {x + d.x, y + d.y}, 3.5f, 3.5f}, sprinkle[rng.below(5)]);
    }
    vignette(c, 0.3f);
    return c;
}
