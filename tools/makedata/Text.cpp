#include "Text.h"

#include <cstdio>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

struct Glyph {
    int left, top; // bitmap position relative to the pen on the baseline
    int w, h;
    std::vector<unsigned char> bits;
    float x; // pen position
};

} // namespace

TextMask renderText(const std::string& fontPath, float pixelSize, const std::u32string& text, int pad,
                    float tracking)
{
    TextMask m;
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&lib)) {
        std::fprintf(stderr, "%s: cannot start FreeType\n", fontPath.c_str());
        return m;
    }
    if (FT_New_Face(lib, fontPath.c_str(), 0, &face)) {
        std::fprintf(stderr, "%s: cannot open font\n", fontPath.c_str());
        FT_Done_FreeType(lib);
        return m;
    }
    FT_Set_Char_Size(face, 0, FT_F26Dot6(pixelSize * 64.f + 0.5f), 72, 72);

    std::vector<Glyph> glyphs;
    float pen = 0;
    FT_UInt prev = 0;
    int minTop = 1 << 20, maxBottom = -(1 << 20);
    for (char32_t ch : text) {
        FT_UInt gi = FT_Get_Char_Index(face, FT_ULong(ch));
        if (prev && gi && FT_HAS_KERNING(face)) {
            FT_Vector k;
            FT_Get_Kerning(face, prev, gi, FT_KERNING_DEFAULT, &k);
            pen += float(k.x) / 64.f;
        }
        if (FT_Load_Glyph(face, gi, FT_LOAD_RENDER | FT_LOAD_NO_HINTING))
            continue;
        FT_GlyphSlot s = face->glyph;
        Glyph g;
        g.x = std::round(pen);
        g.left = s->bitmap_left;
        g.top = s->bitmap_top;
        g.w = int(s->bitmap.width);
        g.h = int(s->bitmap.rows);
        g.bits.resize(size_t(g.w) * size_t(g.h));
        for (int y = 0; y < g.h; ++y)
            for (int x = 0; x < g.w; ++x)
                g.bits[size_t(y) * size_t(g.w) + size_t(x)] = s->bitmap.buffer[y * s->bitmap.pitch + x];
        if (g.h > 0) {
            minTop = std::min(minTop, -g.top);
            maxBottom = std::max(maxBottom, g.h - g.top);
        }
        glyphs.push_back(std::move(g));
        pen += float(s->advance.x) / 64.f + tracking;
        prev = gi;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    if (glyphs.empty() || minTop > maxBottom)
        return m;

    int minX = 0, maxX = int(std::ceil(pen));
    for (const Glyph& g : glyphs) {
        minX = std::min(minX, int(g.x) + g.left);
        maxX = std::max(maxX, int(g.x) + g.left + g.w);
    }
    m.w = maxX - minX + 2 * pad;
    m.h = maxBottom - minTop + 2 * pad;
    m.penX = float(pad - minX);
    m.baseline = float(pad - minTop);
    m.advance = pen;
    m.inkTop = float(pad);
    m.inkBottom = float(m.h - pad);
    m.cov.assign(size_t(m.w) * size_t(m.h), 0.f);
    for (const Glyph& g : glyphs)
        for (int y = 0; y < g.h; ++y)
            for (int x = 0; x < g.w; ++x) {
                int tx = int(m.penX + g.x) + g.left + x, ty = int(m.baseline) - g.top + y;
                float& d = m.cov[size_t(ty) * size_t(m.w) + size_t(tx)];
                d = std::min(1.f, d + float(g.bits[size_t(y) * size_t(g.w) + size_t(x)]) / 255.f);
            }
    return m;
}

void blurMask(TextMask& m, float radius, float gain)
{
    Canvas c(m.w, m.h, Color{0, 0, 0, 0});
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            c.at(x, y).a = m.at(x, y);
    c.blur(radius);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            m.cov[size_t(y) * size_t(m.w) + size_t(x)] = clamp01(c.at(x, y).a * gain);
}
