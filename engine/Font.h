#pragma once

// Needs: no GL context: pure CPU, through FreeType.
//
// A TrueType or OpenType face at one pixel size, and the text laid out with it:
// UTF-8 decoded (a byte that is not valid UTF-8 becomes U+FFFD, never a crash),
// advances and kerning from the face, lines centred on the widest, "\n"
// starting a line, lines wider than a given width broken at spaces (a word
// wider than the width alone is broken between its letters), and the glyphs
// rasterised into a plain two-channel atlas. A character the face lacks draws
// the face's missing-glyph box (glyph 0). No shaping: one character, one glyph.
//
// Conventions: pixels, x to the right and y down from the top-left of the laid
// out text; a size is the em in pixels (FreeType's nominal pixel size).
// A missing or damaged file gives one line naming it and a font that draws
// nothing. Text (Text.h) uploads and draws a layout.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace vornak_engine {

// One glyph of a layout: its cell in the atlas (the glyph plus its outline's
// margin) and where that cell goes on the text.
struct GlyphQuad {
    int x = 0, y = 0;           // top-left on the text, may be negative (the margin)
    int width = 0, height = 0;  // the cell, the same on the text and in the atlas
    int atlasX = 0, atlasY = 0; // top-left in the atlas
};

struct TextLayout {
    // The box the lines fill: the widest line by the number of lines times the line height.
    int width = 0;
    int height = 0;
    int lines = 0;
    int lineHeight = 0;
    std::vector<GlyphQuad> quads;
    // Two bytes a pixel, rows top-down: the glyph's coverage, then the soft
    // outline around it (a blurred, widened copy), each 0-255.
    int atlasWidth = 0;
    int atlasHeight = 0;
    std::vector<unsigned char> atlas;
};

// Code points of UTF-8 text. Each maximal invalid part (a stray continuation
// byte, a truncated or overlong sequence, a surrogate, a value past U+10FFFF)
// becomes one U+FFFD.
std::u32string decodeUtf8(const std::string& text);

class Font {
public:
    // Reads the file and sets the face at pixelSize (clamped to 1-2048).
    Font(const char* path, int pixelSize);
    // The same from bytes in memory (copied); name stands for the file in messages.
    Font(const unsigned char* data, std::size_t size, int pixelSize, const char* name);
    ~Font();
    Font(Font&&) noexcept;
    Font& operator=(Font&&) noexcept;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // False after a missing or damaged file: such a font lays out nothing.
    bool isLoaded() const;
    const std::string& name() const;

    // Changes the size; glyphs already rasterised at the old one are dropped.
    void setPixelSize(int pixelSize);
    int pixelSize() const;
    // Baseline to baseline, and baseline to the top of the line, in pixels.
    int lineHeight() const;
    int ascender() const;
    // The size whose lineHeight() is nearest to `height` pixels (at least 1).
    int pixelSizeForLineHeight(double height) const;

    // The face's glyph for a character: 0 when the face lacks it.
    unsigned int glyphIndex(char32_t c) const;
    // In pixels, unhinted, as FreeType gives them at this size.
    double advance(char32_t c);
    double kerning(char32_t left, char32_t right) const;

    // maxWidth <= 0: lines break only at "\n". Tabs count as spaces; "\r" and
    // other control characters are left out.
    TextLayout layout(const std::string& utf8, int maxWidth = 0);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace vornak_engine
