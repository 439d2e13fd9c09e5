// The toy corner: papered wall with a shelf, a plank floor and a rug, a teddy
// bear on the left, a stack of wooden letter blocks on the right and a toy
// train crossing the front.
#include "Paint.h"
#include "Pictures.h"
#include "Text.h"

namespace {

const float W = 1920, H = 1080;
const float pi = 3.14159265f;
const float floorTop = 640;

void room(Canvas& c)
{
    // Wallpaper: warm stripes with small flowers, lit from a window on the left.
    c.shade([](float x, float y, Color& p) {
        if (y < floorTop) {
            float stripe = std::fabs(std::fmod(x, 120.f) - 60) < 22 ? 1.f : 0.f;
            p = mix(hex(0xf3dcc0), hex(0xecd0b0), stripe);
            // Flowers between the stripes, every other column shifted by half a repeat.
            float col = std::floor((x + 60) / 120);
            float lx = std::fmod(x + 60, 120.f) - 60, ly = std::fmod(y + std::fmod(col, 2.f) * 60, 120.f) - 60;
            if (std::hypot(lx, ly) < 6)
                p = hex(0xd88c7a);
            float light = 1.05f - 0.35f * smooth(0, 1900, x + 0.3f * y);
            p = scaled(p, light);
        } else {
            // Planks get taller towards the viewer.
            float depth = (y - floorTop) / (H - floorTop);
            float v = std::sqrt(depth) * 9; // plank index
            float row = std::floor(v), f = v - row;
            float off = hashUnit(int(row), 0, 3u) * 700;
            float u = (x - 960) * (0.45f + 0.55f * depth) + 960 + off;
            float plankLen = 520;
            float joint = std::fmod(u + 10000, plankLen);
            Color wood = mix(hex(0xb7773e), hex(0xc98c4e), hashUnit(int(row), int((u + 10000) / plankLen), 4u));
            float grain = fbm(u * 0.004f, v * 6 + row * 3, 4, 6u);
            grain = 0.5f + 0.5f * std::sin(grain * 18 + u * 0.002f);
            wood = scaled(wood, 0.85f + 0.15f * grain);
            float edge = smooth(0.0f, 0.06f, f) * smooth(1.0f, 0.94f, f);
            float jointK = smooth(0, 3, joint) * smooth(plankLen, plankLen - 3, joint);
            p = scaled(wood, (0.55f + 0.45f * edge * jointK) * (0.8f + 0.25f * depth));
        }
    });
    // Skirting board.
    c.fill(RoundRect{W / 2, floorTop - 22, W, 24, 0}, LinearGradient{{0, floorTop - 46}, {0, floorTop}, hex(0xfbf6ee), hex(0xd8cfc2)});
    c.fill(RoundRect{W / 2, floorTop + 10, W, 10, 0}, LinearGradient{{0, floorTop}, {0, floorTop + 20}, hex(0x4a2c16, 0.5f), hex(0x4a2c16, 0.f)});
    // Round rug.
    const float rx = 980, ry = 900;
    c.fill(Ellipse{rx, ry + 12, 760, 150}, hex(0x3a2210, 0.35f), 20);
    c.fill(Ellipse{rx, ry, 750, 145}, [rx, ry](float x, float y) {
        float r = std::hypot((x - rx) / 750, (y - ry) / 145);
        float ring = std::fmod(r * 7, 1.f);
        Color col = ring < 0.5f ? hex(0x2f6fb0) : (ring < 0.75f ? hex(0xf0e6d0) : hex(0xd9503a));
        float fuzz = 0.9f + 0.1f * valueNoise(x * 0.3f, y * 0.3f, 2u);
        return scaled(col, fuzz * (0.8f + 0.2f * (y - ry + 145) / 290));
    });
}

void shelf(Canvas& c)
{
    // A wall shelf with a drum and a spinning top.
    c.fill(RoundRect{1460, 352, 330, 12, 2}, LinearGradient{{0, 340}, {0, 364}, hex(0xa86a34), hex(0x6e4020)});
    c.fill(RoundRect{1460, 372, 320, 10, 0}, hex(0x3a2210, 0.25f), 8);
    for (float bx : {1200.f, 1720.f})
        c.fill(Polygon{{{bx - 10, 364}, {bx + 10, 364}, {bx + 10, 400}}}, hex(0x6e4020));
    // Drum.
    const float dx = 1320, top = 250, bot = 340, r = 70;
    c.fill(RoundRect{dx, (top + bot) / 2, r, (bot - top) / 2, 0}, LinearGradient{{dx - r, 0}, {dx + r, 0}, hex(0xe23a3a), hex(0x8a1a1a)});
    for (int k = 0; k < 6; ++k) {
        float x0 = dx - r + float(k) * r / 3, x1 = x0 + r / 3;
        c.fill(Polyline{{{x0, top + 6}, {(x0 + x1) / 2, bot - 6}, {x1, top + 6}}, 1.6f}, hex(0xf4e2a0));
    }
    c.fill(RoundRect{dx, top + 4, r + 3, 7, 3}, hex(0xf2c040));
    c.fill(RoundRect{dx, bot - 4, r + 3, 7, 3}, hex(0xf2c040));
    c.fill(Ellipse{dx, top - 2, r, 16}, hex(0xf6efe0));
    c.fill(Capsule{{dx + 40, top - 40}, {dx + 5, top - 5}, 4, 4}, hex(0x8a5a30));
    c.fill(Circle{dx + 42, top - 42, 8}, hex(0xf2c040));
    // Spinning top.
    const float tx = 1580, ty = 300;
    auto body = implicit(Box{tx - 80, ty - 60, tx + 80, ty + 60}, [tx, ty](float x, float y) {
        float v = (y - ty) / 50;
        float w = 75 * (v < 0 ? std::sqrt(std::max(0.f, 1 - v * v * 0.9f)) : (1 - v));
        return std::max(std::fabs(x - tx) - w, std::fabs(v) - 1.f);
    });
    c.fill(body, [tx, ty](float x, float y) {
        float band = std::fmod((y - ty + 100) / 18, 3.f);
        Color col = band < 1 ? hex(0x2a8ad8) : (band < 2 ? hex(0xf2c040) : hex(0x3ab060));
        float k = 0.7f + 0.5f * (1 - std::fabs(x - tx + 20) / 80);
        return scaled(col, k);
    });
    c.fill(RoundRect{tx, ty - 62, 7, 16, 3}, hex(0x8a5a30));
}

void teddy(Canvas& c)
{
    const float cx = 360;
    const Color fur = hex(0xa8713a), light = hex(0xe0b47c);
    auto furPaint = [fur](Vec2 center, float r) {
        return [fur, center, r](float x, float y) {
            Color s = SpherePaint{center, r, fur, 0.05f}(x, y);
            float n = fbm(x * 0.15f, y * 0.15f, 2, 14u);
            return scaled(s, 0.85f + 0.3f * n);
        };
    };
    c.fill(Ellipse{cx + 30, 905, 260, 40}, hex(0x2a1608, 0.4f), 30);
    // Arms behind, body, legs in front.
    c.fill(Ellipse{cx - 150, 730, 55, 110, 0.5f}, furPaint({cx - 150, 730}, 120));
    c.fill(Ellipse{cx + 150, 730, 55, 110, -0.5f}, furPaint({cx + 150, 730}, 120));
    c.fill(Ellipse{cx, 750, 150, 170}, furPaint({cx, 740}, 190));
    c.fill(Ellipse{cx, 780, 85, 100}, [light](float x, float y) { return scaled(light, 0.9f + 0.15f * valueNoise(x * 0.2f, y * 0.2f, 5u)); });
    for (float side : {-1.f, 1.f}) {
        float lx = cx + side * 105;
        c.fill(Ellipse{lx, 880, 75, 58}, furPaint({lx, 870}, 85));
        c.fill(Ellipse{lx + side * 10, 888, 42, 40}, light);
        c.fill(Circle{lx + side * 10, 895, 18}, scaled(light, 0.85f));
        for (int k = 0; k < 3; ++k)
            c.fill(Circle{lx + side * 10 + float(k - 1) * 17, 866, 8}, scaled(light, 0.85f));
    }
    // Head.
    for (float side : {-1.f, 1.f}) {
        c.fill(Circle{cx + side * 92, 448, 48}, furPaint({cx + side * 92, 448}, 52));
        c.fill(Circle{cx + side * 92, 452, 27}, scaled(light, 0.9f));
    }
    c.fill(Circle{cx, 545, 125}, furPaint({cx, 540}, 135));
    c.fill(Ellipse{cx, 600, 62, 48}, [light](float x, float y) { return scaled(light, 1.0f + 0.1f * valueNoise(x * 0.2f, y * 0.2f, 6u)); });
    c.fill(Ellipse{cx, 578, 22, 15}, SpherePaint{{cx, 575}, 24, hex(0x2a1a12), 1.5f});
    c.fill(Polyline{{{cx, 592}, {cx, 612}}, 2.5f}, hex(0x2a1a12));
    c.fill(Polyline{bezier({cx - 26, 606}, {cx - 16, 622}, {cx - 4, 620}, {cx, 612}, 8), 2.5f}, hex(0x2a1a12));
    c.fill(Polyline{bezier({cx + 26, 606}, {cx + 16, 622}, {cx + 4, 620}, {cx, 612}, 8), 2.5f}, hex(0x2a1a12));
    for (float side : {-1.f, 1.f}) {
        float ex = cx + side * 48;
        c.fill(Circle{ex, 520, 15}, SpherePaint{{ex, 518}, 16, hex(0x1a1010), 2.f});
        c.fill(Circle{ex - 5, 514, 4.5f}, hex(0xffffff, 0.9f));
    }
    // Bow tie.
    c.fill(Polygon{{{cx, 668}, {cx - 60, 640}, {cx - 60, 700}}}, LinearGradient{{cx - 60, 640}, {cx, 700}, hex(0xe0303a), hex(0x9a1420)});
    c.fill(Polygon{{{cx, 668}, {cx + 60, 640}, {cx + 60, 700}}}, LinearGradient{{cx + 60, 640}, {cx, 700}, hex(0xe0303a), hex(0x9a1420)});
    c.fill(Circle{cx, 668, 15}, SpherePaint{{cx, 668}, 15, hex(0xd02030), 1.f});
}

struct Block {
    float x, y, s; // front face top-left and size
    Color face;
    char32_t letter;
    Color ink;
};

void block(Canvas& c, const Block& b, const TextMask& glyph)
{
    const float dx = b.s * 0.26f, dy = -b.s * 0.2f;
    const Color wood = hex(0xe8c48a);
    Polygon top{{{b.x, b.y}, {b.x + b.s, b.y}, {b.x + b.s + dx, b.y + dy}, {b.x + dx, b.y + dy}}};
    Polygon side{{{b.x + b.s, b.y}, {b.x + b.s + dx, b.y + dy}, {b.x + b.s + dx, b.y + b.s + dy}, {b.x + b.s, b.y + b.s}}};
    c.fill(top, scaled(b.face, 1.15f));
    c.fill(side, scaled(b.face, 0.7f));
    c.fill(RoundRect{b.x + b.s / 2, b.y + b.s / 2, b.s / 2, b.s / 2, 4},
           [wood](float x, float y) {
               float g = 0.5f + 0.5f * std::sin((x + 3 * std::sin(y * 0.05f)) * 0.25f);
               return scaled(wood, 0.92f + 0.08f * g);
           });
    c.fill(RoundRect{b.x + b.s / 2, b.y + b.s / 2, b.s / 2 - 12, b.s / 2 - 12, 10},
           LinearGradient{{b.x, b.y}, {b.x + b.s, b.y + b.s}, scaled(b.face, 1.1f), scaled(b.face, 0.85f)});
    const int left = int(b.x + b.s / 2 - float(glyph.w) / 2);
    const int topY = int(b.y + b.s / 2 - (glyph.inkTop + glyph.inkBottom) / 2);
    TextMask sh = glyph;
    blurMask(sh, 3, 1.f);
    paintMask(c, sh, left + 3, topY + 4, [](float, float) { return hex(0x000000); }, 0.35f);
    paintMask(c, glyph, left, topY, [b](float, float y) { return mix(scaled(b.ink, 1.15f), b.ink, smooth(b.y, b.y + b.s, y)); });
}

void blocks(Canvas& c)
{
    const float s = 170, gap = 8, base = 930;
    const float x0 = 1330;
    c.fill(Ellipse{x0 + 1.5f * s + 40, base, 2 * s, 30}, hex(0x2a1608, 0.4f), 24);
    const Block stack[] = {
        {x0, base - s, s, hex(0xd83a3a), U'A', hex(0xfff4d8)},
        {x0 + s + gap, base - s, s, hex(0x2f7ad8), U'B', hex(0xfff4d8)},
        {x0 + 2 * (s + gap), base - s, s, hex(0x3aa855), U'C', hex(0xfff4d8)},
        {x0 + (s + gap) / 2 + 6, base - 2 * s - 2, s, hex(0xf0b428), U'X', hex(0xb82a2a)},
        {x0 + 1.5f * (s + gap) - 4, base - 2 * s - 2, s, hex(0x9a4ad0), U'M', hex(0xfff4d8)},
        {x0 + (s + gap) + 10, base - 3 * s - 4, s, hex(0xf07a2a), U'S', hex(0xfff4d8)},
    };
    for (const Block& b : stack) {
        std::u32string str(1, b.letter);
        TextMask glyph = renderText(fontPath("DejaVuSans-Bold.ttf"), 118, str, 6);
        block(c, b, glyph);
    }
    // One block fallen on the floor, turned a little.
    std::u32string str(1, U'Y');
    TextMask glyph = renderText(fontPath("DejaVuSans-Bold.ttf"), 80, str, 6);
    block(c, {1750, 900, 115, hex(0x2fb4c8), U'Y', hex(0xfff4d8)}, glyph);
}

// A wheel with spokes, seen side on.
void wheel(Canvas& c, float x, float y, float r, Color col)
{
    c.fill(Circle{x, y, r}, hex(0x222222));
    c.fill(Circle{x, y, r * 0.8f}, SpherePaint{{x, y}, r, col, 0.4f});
    for (int k = 0; k < 6; ++k) {
        float a = float(k) * pi / 3 + 0.3f;
        c.fill(Capsule{{x, y}, {x + r * 0.72f * std::cos(a), y + r * 0.72f * std::sin(a)}, r * 0.07f, r * 0.05f}, scaled(col, 0.6f));
    }
    c.fill(Circle{x, y, r * 0.22f}, SpherePaint{{x, y}, r * 0.22f, hex(0xe8c040), 1.f});
}

// A horizontal cylinder shaded from top to bottom.
Color cylinder(Color base, float y, float top, float bottom)
{
    float v = (y - top) / (bottom - top) * 2 - 1;
    float k = 0.5f + 0.7f * std::sqrt(std::max(0.f, 1 - v * v)) - 0.2f * v;
    float shine = 0.4f * std::pow(std::max(0.f, 1 - std::fabs(v + 0.45f) * 4), 2.f);
    return {clamp01(base.r * k + shine), clamp01(base.g * k + shine), clamp01(base.b * k + shine), 1};
}

void train(Canvas& c)
{
    const float rail = 1010;
    c.fill(RoundRect{1050, rail + 14, 620, 14, 7}, hex(0x2a1608, 0.35f), 14);
    // Wagons (left), then the engine (right).
    const Color wagonCols[] = {hex(0x2f7ad8), hex(0x3aa855)};
    for (int k = 0; k < 2; ++k) {
        float x = 470 + float(k) * 300;
        c.fill(RoundRect{x + 250, rail - 60, 20, 6, 3}, hex(0x444444));
        c.fill(RoundRect{x + 120, rail - 85, 130, 50, 8},
               [col = wagonCols[k]](float, float y) { return scaled(col, 0.8f + 0.3f * (1 - (y - 935) / 100)); });
        c.fill(RoundRect{x + 120, rail - 136, 138, 10, 4}, hex(0xf2c040));
        // Cargo.
        if (k == 0) {
            c.fill(Circle{x + 70, rail - 150, 34}, SpherePaint{{x + 70, rail - 150}, 34, hex(0xe23a3a)});
            c.fill(Circle{x + 140, rail - 160, 40}, SpherePaint{{x + 140, rail - 160}, 40, hex(0xf2c040)});
            c.fill(Circle{x + 200, rail - 148, 30}, SpherePaint{{x + 200, rail - 148}, 30, hex(0x9a4ad0)});
        } else {
            c.fill(RoundRect{x + 80, rail - 175, 45, 45, 4}, LinearGradient{{x + 35, 0}, {x + 125, 0}, hex(0xf07a2a), hex(0xc05010)});
            c.fill(RoundRect{x + 170, rail - 165, 38, 38, 4}, LinearGradient{{x + 130, 0}, {x + 210, 0}, hex(0xe23a3a), hex(0xa01818)});
        }
        c.fill(RoundRect{x + 120, rail - 132, 132, 4, 0}, hex(0x000000, 0.25f));
        wheel(c, x + 55, rail - 25, 30, hex(0xe23a3a));
        wheel(c, x + 185, rail - 25, 30, hex(0xe23a3a));
    }
    // Engine.
    const float ex = 1080;
    c.fill(RoundRect{ex + 140, rail - 58, 190, 18, 4}, hex(0x333333));
    // Boiler.
    c.fill(RoundRect{ex + 220, rail - 130, 130, 58, 20}, [rail](float, float y) { return cylinder(hex(0x2f7ad8), y, rail - 188, rail - 72); });
    for (float bx : {ex + 170, ex + 260})
        c.fill(RoundRect{bx, rail - 130, 8, 60, 3}, [rail](float, float y) { return cylinder(hex(0xf2c040), y, rail - 190, rail - 70); });
    c.fill(Ellipse{ex + 350, rail - 130, 16, 56}, SpherePaint{{ex + 350, rail - 135}, 56, hex(0xe23a3a), 0.6f});
    // Chimney and dome.
    c.fill(Polygon{{{ex + 285, rail - 185}, {ex + 315, rail - 185}, {ex + 330, rail - 260}, {ex + 270, rail - 260}}},
           LinearGradient{{ex + 270, 0}, {ex + 330, 0}, hex(0x444444), hex(0x111111)});
    c.fill(RoundRect{ex + 300, rail - 262, 36, 10, 5}, hex(0xf2c040));
    c.fill(Ellipse{ex + 215, rail - 190, 28, 24}, SpherePaint{{ex + 215, rail - 190}, 28, hex(0xf2c040)});
    // Puffs of steam.
    c.fill(Circle{ex + 320, rail - 310, 30}, hex(0xffffff, 0.75f), 6);
    c.fill(Circle{ex + 280, rail - 350, 38}, hex(0xffffff, 0.6f), 8);
    c.fill(Circle{ex + 225, rail - 385, 46}, hex(0xffffff, 0.45f), 10);
    // Cab.
    c.fill(RoundRect{ex + 40, rail - 150, 82, 110, 6}, LinearGradient{{ex - 40, 0}, {ex + 120, 0}, hex(0xe23a3a), hex(0x9a1420)});
    c.fill(RoundRect{ex + 40, rail - 265, 100, 14, 6}, hex(0x2f2f2f));
    c.fill(RoundRect{ex + 40, rail - 190, 48, 38, 6}, hex(0xfff0c0));
    c.fill(RoundRect{ex + 40, rail - 190, 42, 32, 5}, LinearGradient{{0, rail - 220}, {0, rail - 160}, hex(0xaed8f8), hex(0x5aa0d8)});
    c.fill(RoundRect{ex + 40, rail - 70, 82, 10, 2}, hex(0xf2c040));
    // Cow-catcher.
    c.fill(Polygon{{{ex + 340, rail - 70}, {ex + 400, rail - 12}, {ex + 340, rail - 12}}}, hex(0x333333));
    // Wheels and rod.
    wheel(c, ex + 40, rail - 50, 52, hex(0xf2c040));
    wheel(c, ex + 190, rail - 32, 34, hex(0xf2c040));
    wheel(c, ex + 290, rail - 32, 34, hex(0xf2c040));
    c.fill(Capsule{{ex + 50, rail - 40}, {ex + 290, rail - 42}, 6, 6}, hex(0xc8c8c8));
}

} // namespace

Canvas paintToys()
{
    Canvas c(int(W), int(H), hex(0x000000));
    room(c);
    // Window light falling across the wall and floor.
    c.glow(250, 250, 420, hex(0xfff0c0), 0.25f);
    shelf(c);
    teddy(c);
    blocks(c);
    // A ball on the rug behind the train.
    const float bx = 860, by = 712;
    c.fill(Ellipse{bx + 10, by + 62, 75, 14}, hex(0x2a1608, 0.4f), 14);
    c.fill(Circle{bx, by, 68}, [bx, by](float x, float y) {
        float a = std::atan2(y - by, x - bx);
        int seg = int(std::floor((a + pi) / (pi / 3)));
        const Color cols[] = {hex(0xe23a3a), hex(0xfff4d8), hex(0x2f7ad8), hex(0xf2c040), hex(0x3aa855), hex(0xfff4d8)};
        return SpherePaint{{bx, by}, 68, cols[seg % 6], 1.f}(x, y);
    });
    train(c);
    vignette(c, 0.35f);
    return c;
}
