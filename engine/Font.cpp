#include "vornak/Font.h"

#include "vornak/FileData.h"
#include "vornak/Log.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace vornak_engine {

namespace {

constexpr int kMaxPixelSize = 2048;
// No atlas side beyond this: every GL the engine runs on can hold it.
constexpr int kMaxAtlas = 8192;
constexpr char32_t kReplacement = 0xFFFD;

struct Glyph {
    FT_Pos advance = 0;    // 26.6
    int left = 0, top = 0; // bitmap's top-left from the pen on the baseline, top up
    int width = 0, height = 0;
    std::vector<unsigned char> coverage; // width x height, rows top-down
    int atlasX = -1, atlasY = -1;
};

int clampSize(int pixelSize)
{
    return std::clamp(pixelSize, 1, kMaxPixelSize);
}

// The outline's blur radius: about 3.5 % of the em, so it scales with the letters.
int outlineRadius(int pixelSize)
{
    return std::max(1, (pixelSize * 35 + 500) / 1000);
}

// One box-blur pass of radius r along rows (step 1) or columns (step width);
// outside the atlas counts as empty.
void boxPass(const std::vector<std::uint16_t>& in, std::vector<std::uint16_t>& out, int width, int height, int r,
             bool rows)
{
    const int lines = rows ? height : width;
    const int length = rows ? width : height;
    const std::size_t step = rows ? 1 : static_cast<std::size_t>(width);
    const int window = 2 * r + 1;
    for (int line = 0; line < lines; ++line) {
        const std::size_t base = rows ? static_cast<std::size_t>(line) * width : static_cast<std::size_t>(line);
        const auto at = [&](int i) { return i < 0 || i >= length ? 0u : unsigned{in[base + i * step]}; };
        unsigned sum = 0;
        for (int i = -r; i <= r; ++i)
            sum += at(i);
        for (int i = 0; i < length; ++i) {
            out[base + i * step] = static_cast<std::uint16_t>(sum / window);
            sum += at(i + r + 1);
            sum -= at(i - r);
        }
    }
}

// Channel 1 of the atlas from channel 0: the coverage blurred twice over (a
// soft tent about 2r wide each way), then strengthened so the letters' edges
// sit on a solid band that fades outwards.
void makeOutline(std::vector<unsigned char>& atlas, int width, int height, int r)
{
    const std::size_t n = static_cast<std::size_t>(width) * height;
    std::vector<std::uint16_t> a(n), b(n);
    for (std::size_t i = 0; i < n; ++i)
        a[i] = atlas[2 * i];
    boxPass(a, b, width, height, r, true);
    boxPass(b, a, width, height, r, true);
    boxPass(a, b, width, height, r, false);
    boxPass(b, a, width, height, r, false);
    for (std::size_t i = 0; i < n; ++i)
        atlas[2 * i + 1] = static_cast<unsigned char>(std::min(255, a[i] * 3));
}

bool isSpace(char32_t c)
{
    return c == U' ';
}

} // namespace

std::u32string decodeUtf8(const std::string& text)
{
    std::u32string out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        // Lead byte: the sequence's length, its bits, and the second byte's range
        // (which rules out overlong forms, surrogates and values past U+10FFFF).
        int length = 0;
        char32_t value = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            value = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            value = b & 0x0F;
            if (b == 0xE0)
                low = 0xA0;
            if (b == 0xED)
                high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            value = b & 0x07;
            if (b == 0xF0)
                low = 0x90;
            if (b == 0xF4)
                high = 0x8F;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool complete = true;
        for (int k = 1; k < length; ++k, ++j) {
            const unsigned char c = j < n ? static_cast<unsigned char>(text[j]) : 0;
            const unsigned char lo = k == 1 ? low : 0x80;
            const unsigned char hi = k == 1 ? high : 0xBF;
            if (j >= n || c < lo || c > hi) {
                complete = false;
                break;
            }
            value = (value << 6) | (c & 0x3F);
        }
        out.push_back(complete ? value : kReplacement);
        i = j;
    }
    return out;
}

struct Font::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::vector<unsigned char> bytes;
    std::string name;
    int pixelSize = 0;
    std::unordered_map<FT_UInt, Glyph> glyphs;
    bool damagedGlyphSaid = false;

    ~Impl()
    {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }

    void fail(const char* reason)
    {
        logFormat(LogLevel::Error, "%s: %s", name.c_str(), reason);
        if (face)
            FT_Done_Face(face);
        face = nullptr;
    }

    void open()
    {
        if (FT_Init_FreeType(&library) != 0) {
            library = nullptr;
            logFormat(LogLevel::Error, "%s: cannot start FreeType", name.c_str());
            return;
        }
        const FT_Error error =
            FT_New_Memory_Face(library, bytes.data(), static_cast<FT_Long>(bytes.size()), 0, &face);
        if (error != 0) {
            // FreeType's codes say which reader gave up last, not what is wrong.
            face = nullptr;
            fail(bytes.empty() ? "empty file, not a font" : "damaged or not a font file (TrueType or OpenType wanted)");
            return;
        }
        // FreeType reads more kinds on the desktop than the web build carries:
        // the same two everywhere, so a show's font works in both or neither.
        if (!FT_IS_SFNT(face) || !FT_IS_SCALABLE(face)) {
            fail("not a TrueType or OpenType font");
            return;
        }
        if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) {
            fail("the font has no Unicode character map");
            return;
        }
        resize(pixelSize);
    }

    void resize(int size)
    {
        pixelSize = clampSize(size);
        glyphs.clear();
        if (face && FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0)
            fail("damaged font file (cannot be set at a pixel size)");
    }

    // The glyph's advance and coverage at the current size, rasterised on first use.
    const Glyph& glyph(FT_UInt index)
    {
        auto found = glyphs.find(index);
        if (found != glyphs.end())
            return found->second;
        Glyph& g = glyphs[index];
        // Unhinted: advances stay exact fractions, so kerning and centring add up.
        if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) {
            damagedGlyph();
            return g;
        }
        FT_GlyphSlot slot = face->glyph;
        g.advance = slot->advance.x;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            // A damaged outline may claim a huge box: refuse it before FreeType allocates it.
            FT_BBox box;
            FT_Outline_Get_CBox(&slot->outline, &box);
            const long limit = (8L * pixelSize + 64) * 64;
            if (box.xMax - box.xMin > limit || box.yMax - box.yMin > limit) {
                damagedGlyph();
                return g;
            }
        }
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) {
            damagedGlyph();
            return g;
        }
        const FT_Bitmap& bitmap = slot->bitmap;
        const bool grey = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
        if (!grey && bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
            return g;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int>(bitmap.width);
        g.height = static_cast<int>(bitmap.rows);
        g.coverage.assign(static_cast<std::size_t>(g.width) * g.height, 0);
        const int levels = std::max(2, static_cast<int>(bitmap.num_grays));
        const std::size_t pitch = static_cast<std::size_t>(std::abs(bitmap.pitch));
        for (int y = 0; y < g.height; ++y) {
            // A negative pitch stores the rows bottom-up.
            const int row = bitmap.pitch >= 0 ? y : g.height - 1 - y;
            const unsigned char* src = bitmap.buffer + row * pitch;
            unsigned char* dst = &g.coverage[static_cast<std::size_t>(y) * g.width];
            for (int x = 0; x < g.width; ++x) {
                dst[x] = grey ? static_cast<unsigned char>(src[x] * 255 / (levels - 1))
                              : ((src[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0);
            }
        }
        return g;
    }

    void damagedGlyph()
    {
        if (!damagedGlyphSaid)
            logFormat(LogLevel::Error, "%s: damaged glyph data; some letters are left out", name.c_str());
        damagedGlyphSaid = true;
    }

    FT_Pos kern(FT_UInt left, FT_UInt right) const
    {
        if (!FT_HAS_KERNING(face) || left == 0 || right == 0)
            return 0;
        FT_Vector k{0, 0};
        if (FT_Get_Kerning(face, left, right, FT_KERNING_UNFITTED, &k) != 0)
            return 0;
        return k.x;
    }
};

Font::Font(const char* path, int pixelSize) : impl(std::make_unique<Impl>())
{
    impl->name = path;
    impl->pixelSize = clampSize(pixelSize);
    std::string error;
    if (!readFileData(path, impl->bytes, error)) {
        logMessage(LogLevel::Error, error.c_str());
        return;
    }
    impl->open();
}

Font::Font(const unsigned char* data, std::size_t size, int pixelSize, const char* name)
    : impl(std::make_unique<Impl>())
{
    impl->name = name;
    impl->pixelSize = clampSize(pixelSize);
    impl->bytes.assign(data, data + size);
    impl->open();
}

Font::~Font() = default;
Font::Font(Font&&) noexcept = default;
Font& Font::operator=(Font&&) noexcept = default;

bool Font::isLoaded() const
{
    return impl && impl->face;
}

const std::string& Font::name() const
{
    static const std::string none;
    return impl ? impl->name : none;
}

void Font::setPixelSize(int pixelSize)
{
    if (impl && clampSize(pixelSize) != impl->pixelSize)
        impl->resize(pixelSize);
}

int Font::pixelSize() const
{
    return impl ? impl->pixelSize : 0;
}

int Font::lineHeight() const
{
    if (!isLoaded())
        return 0;
    const long height = (impl->face->size->metrics.height + 32) >> 6;
    return height > 0 ? static_cast<int>(height) : impl->pixelSize;
}

int Font::ascender() const
{
    if (!isLoaded())
        return 0;
    return static_cast<int>((impl->face->size->metrics.ascender + 32) >> 6);
}

int Font::pixelSizeForLineHeight(double height) const
{
    double perEm = 1.2;
    if (isLoaded() && impl->face->units_per_EM > 0 && impl->face->height > 0)
        perEm = static_cast<double>(impl->face->height) / impl->face->units_per_EM;
    const double size = std::round(height / perEm);
    return clampSize(size > kMaxPixelSize ? kMaxPixelSize : static_cast<int>(size));
}

unsigned int Font::glyphIndex(char32_t c) const
{
    return isLoaded() ? FT_Get_Char_Index(impl->face, c) : 0;
}

double Font::advance(char32_t c)
{
    return isLoaded() ? impl->glyph(glyphIndex(c)).advance / 64.0 : 0.0;
}

double Font::kerning(char32_t left, char32_t right) const
{
    return isLoaded() ? impl->kern(glyphIndex(left), glyphIndex(right)) / 64.0 : 0.0;
}

TextLayout Font::layout(const std::string& utf8, int maxWidth)
{
    TextLayout out;
    if (!isLoaded())
        return out;
    Impl& f = *impl;
    const FT_Pos limit = maxWidth > 0 ? static_cast<FT_Pos>(maxWidth) * 64 : 0;

    // Lines of glyphs with their pens (26.6, from the line's start).
    struct Line {
        std::vector<FT_UInt> glyphs;
        std::vector<FT_Pos> pens;
        std::vector<bool> spaces;
        FT_Pos pen = 0;   // after the last glyph
        FT_Pos width = 0; // after the last glyph that is not a space
        bool hasWord = false;
    };
    std::vector<Line> lines(1);
    const auto penAfter = [&](const Line& line, FT_UInt g) {
        FT_Pos pen = line.pen;
        if (!line.glyphs.empty())
            pen += f.kern(line.glyphs.back(), g);
        return pen + f.glyph(g).advance;
    };
    const auto add = [&](Line& line, FT_UInt g, bool space) {
        if (!line.glyphs.empty())
            line.pen += f.kern(line.glyphs.back(), g);
        line.glyphs.push_back(g);
        line.pens.push_back(line.pen);
        line.spaces.push_back(space);
        line.pen += f.glyph(g).advance;
        if (!space) {
            line.width = line.pen;
            line.hasWord = true;
        }
    };
    // A word goes on the current line when it fits there, else on a new one;
    // a word wider than a line alone is broken between its letters.
    std::vector<FT_UInt> gap, word;
    const auto placeWord = [&] {
        if (word.empty() && gap.empty())
            return;
        Line* line = &lines.back();
        if (line->hasWord && limit > 0) {
            FT_Pos pen = line->pen, end = line->width;
            FT_UInt previous = line->glyphs.back();
            for (FT_UInt g : gap) {
                pen += f.kern(previous, g) + f.glyph(g).advance;
                previous = g;
            }
            for (FT_UInt g : word) {
                pen += f.kern(previous, g) + f.glyph(g).advance;
                end = pen;
                previous = g;
            }
            if (end > limit) {
                lines.emplace_back();
                line = &lines.back();
                gap.clear();
            }
        }
        for (FT_UInt g : gap)
            add(*line, g, true);
        for (FT_UInt g : word) {
            if (limit > 0 && line->hasWord && penAfter(*line, g) > limit) {
                lines.emplace_back();
                line = &lines.back();
            }
            add(*line, g, false);
        }
        gap.clear();
        word.clear();
    };

    const FT_UInt spaceGlyph = FT_Get_Char_Index(f.face, U' ');
    for (char32_t c : decodeUtf8(utf8)) {
        if (c == U'\n' || c == 0x2028) {
            placeWord();
            lines.emplace_back();
            continue;
        }
        if (c == U'\t')
            c = U' ';
        if (c < 0x20 || (c >= 0x7F && c < 0xA0))
            continue;
        if (isSpace(c)) {
            if (!word.empty())
                placeWord();
            gap.push_back(spaceGlyph);
        } else {
            word.push_back(FT_Get_Char_Index(f.face, c));
        }
    }
    placeWord();
    if (lines.size() == 1 && lines[0].glyphs.empty())
        return out; // nothing but control characters, or nothing at all

    FT_Pos widest = 0;
    for (const Line& line : lines)
        widest = std::max(widest, line.width);
    out.width = static_cast<int>((widest + 63) >> 6);
    out.lines = static_cast<int>(lines.size());
    out.lineHeight = lineHeight();
    out.height = out.lines * out.lineHeight;

    // Cells: each inked glyph once, with room for its outline all round.
    const int radius = outlineRadius(f.pixelSize);
    const int pad = 2 * radius; // as far as the two blur passes reach
    std::vector<FT_UInt> inked;
    for (const Line& line : lines) {
        for (std::size_t i = 0; i < line.glyphs.size(); ++i) {
            Glyph& g = f.glyphs[line.glyphs[i]];
            if (!line.spaces[i] && g.width > 0 && g.height > 0 && g.atlasX < 0) {
                g.atlasX = 0; // marks it as taken; placed below
                inked.push_back(line.glyphs[i]);
            }
        }
    }
    // Shelves, tallest first.
    std::sort(inked.begin(), inked.end(), [&](FT_UInt a, FT_UInt b) {
        const Glyph &ga = f.glyphs[a], &gb = f.glyphs[b];
        return ga.height != gb.height ? ga.height > gb.height : a < b;
    });
    long area = 0;
    int widestCell = 0;
    for (FT_UInt index : inked) {
        const Glyph& g = f.glyphs[index];
        area += static_cast<long>(g.width + 2 * pad) * (g.height + 2 * pad);
        widestCell = std::max(widestCell, g.width + 2 * pad);
    }
    const int atlasWidth = std::max(widestCell, static_cast<int>(std::ceil(std::sqrt(area * 1.2))));
    int x = 0, y = 0, shelf = 0;
    for (FT_UInt index : inked) {
        Glyph& g = f.glyphs[index];
        const int w = g.width + 2 * pad, h = g.height + 2 * pad;
        if (x + w > atlasWidth) {
            x = 0;
            y += shelf;
            shelf = 0;
        }
        g.atlasX = x;
        g.atlasY = y;
        x += w;
        shelf = std::max(shelf, h);
    }
    const int atlasHeight = y + shelf;
    const auto release = [&] {
        for (FT_UInt index : inked)
            f.glyphs[index].atlasX = f.glyphs[index].atlasY = -1;
    };
    if (atlasWidth > kMaxAtlas || atlasHeight > kMaxAtlas) {
        logFormat(LogLevel::Error, "%s: the text is too large to draw at %d pixels", f.name.c_str(), f.pixelSize);
        release();
        return out;
    }

    if (!inked.empty()) {
        out.atlasWidth = atlasWidth;
        out.atlasHeight = atlasHeight;
        out.atlas.assign(static_cast<std::size_t>(atlasWidth) * atlasHeight * 2, 0);
        for (FT_UInt index : inked) {
            const Glyph& g = f.glyphs[index];
            for (int row = 0; row < g.height; ++row) {
                const unsigned char* src = &g.coverage[static_cast<std::size_t>(row) * g.width];
                unsigned char* dst =
                    &out.atlas[(static_cast<std::size_t>(g.atlasY + pad + row) * atlasWidth + g.atlasX + pad) * 2];
                for (int col = 0; col < g.width; ++col)
                    dst[2 * col] = src[col];
            }
        }
        makeOutline(out.atlas, atlasWidth, atlasHeight, radius);
    }

    const int ascent = ascender();
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const Line& line = lines[l];
        // Centred on the widest line, to whole pixels so texels meet pixels.
        const FT_Pos offset = ((static_cast<FT_Pos>(out.width) * 64 - line.width) / 2 + 32) & ~FT_Pos{63};
        const int baseline = ascent + static_cast<int>(l) * out.lineHeight;
        for (std::size_t i = 0; i < line.glyphs.size(); ++i) {
            const Glyph& g = f.glyphs[line.glyphs[i]];
            if (line.spaces[i] || g.width <= 0 || g.height <= 0)
                continue;
            GlyphQuad q;
            q.x = static_cast<int>(std::floor((offset + line.pens[i]) / 64.0 + 0.5)) + g.left - pad;
            q.y = baseline - g.top - pad;
            q.width = g.width + 2 * pad;
            q.height = g.height + 2 * pad;
            q.atlasX = g.atlasX;
            q.atlasY = g.atlasY;
            out.quads.push_back(q);
        }
    }
    release();
    return out;
}

} // namespace vornak_engine
