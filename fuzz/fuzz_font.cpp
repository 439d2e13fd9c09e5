// The font reader and the line layout on arbitrary bytes, no GL. The input's
// first three bytes choose the pixel size, the line width and the text's
// length; the text follows, then the font file. With no font bytes the shipped
// font is used, so the layout meets real glyphs as well as damaged faces.
// Every quad must lie inside its atlas, and the text's code points must be
// valid Unicode whatever the bytes were.

#include "vornak/Font.h"
#include "vornak/Log.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

vornak_engine::Font& shippedFont()
{
    static vornak_engine::Font font = [] {
        // A damaged input's one line would only fill the fuzzer's output.
        vornak_engine::setLogCallback([](vornak_engine::LogLevel, const char*, void*) {});
        std::ifstream in(VORNAK_SOURCE_DIR "/data/DejaVuSans-Bold.ttf", std::ios::binary);
        const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return vornak_engine::Font(bytes.data(), bytes.size(), 16, "DejaVuSans-Bold.ttf");
    }();
    return font;
}

bool inside(const vornak_engine::TextLayout& layout)
{
    if (layout.atlas.size() != static_cast<std::size_t>(layout.atlasWidth) * layout.atlasHeight * 2)
        return false;
    if (layout.height != layout.lines * layout.lineHeight)
        return false;
    for (const vornak_engine::GlyphQuad& q : layout.quads) {
        if (q.atlasX < 0 || q.atlasY < 0 || q.width <= 0 || q.height <= 0 ||
            q.atlasX + q.width > layout.atlasWidth || q.atlasY + q.height > layout.atlasHeight)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vornak_engine::Font& shipped = shippedFont();
    if (size < 3)
        return 0;
    // Small sizes keep each input quick; the sizes a show uses are the same code.
    const int pixelSize = 1 + data[0] % 64;
    const int maxWidth = data[1] * 2;
    const std::size_t textLength = std::min<std::size_t>(data[2], size - 3);
    const std::string text(reinterpret_cast<const char*>(data) + 3, textLength);

    for (char32_t c : vornak_engine::decodeUtf8(text)) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            std::abort();
    }

    const std::size_t fontBytes = size - 3 - textLength;
    if (fontBytes == 0) {
        shipped.setPixelSize(pixelSize);
        if (!inside(shipped.layout(text, maxWidth)))
            std::abort();
        return 0;
    }
    vornak_engine::Font font(data + 3 + textLength, fontBytes, pixelSize, "input");
    const vornak_engine::TextLayout layout = font.layout(text, maxWidth);
    if (!inside(layout) || (!font.isLoaded() && !layout.quads.empty()))
        std::abort();
    font.advance(U'A');
    font.kerning(U'A', U'V');
    return 0;
}
