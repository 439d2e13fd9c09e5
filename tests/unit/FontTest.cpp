#include "vornak/Font.h"
#include "vornak/Log.h"

#include "support/TempDir.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace vornak_engine;

const std::string kFont = std::string(VORNAK_SOURCE_DIR) + "/data/DejaVuSans-Bold.ttf";

// The engine's lines while it lives.
class LogCapture {
public:
    LogCapture() { setLogCallback(&LogCapture::add, this); }
    ~LogCapture() { setLogCallback(nullptr); }
    std::vector<std::string> lines;

private:
    static void add(LogLevel, const char* message, void* self)
    {
        static_cast<LogCapture*>(self)->lines.emplace_back(message);
    }
};

// Quads by their line: the line index from the quad's baseline band.
std::map<int, std::vector<GlyphQuad>> byLine(const TextLayout& layout)
{
    std::map<int, std::vector<GlyphQuad>> lines;
    for (const GlyphQuad& q : layout.quads)
        lines[(q.y + q.height / 2) / layout.lineHeight].push_back(q);
    return lines;
}

// The coverage (channel 0) of a quad's cell, row by row.
std::vector<unsigned char> cell(const TextLayout& layout, const GlyphQuad& q)
{
    std::vector<unsigned char> out;
    for (int y = 0; y < q.height; ++y)
        for (int x = 0; x < q.width; ++x)
            out.push_back(layout.atlas[((q.atlasY + y) * layout.atlasWidth + q.atlasX + x) * 2]);
    return out;
}

int inkOf(const std::vector<unsigned char>& coverage)
{
    return static_cast<int>(std::count_if(coverage.begin(), coverage.end(), [](unsigned char c) { return c > 128; }));
}

TEST(FontTest, AdvancesAndKerningAreFreeTypesOwn)
{
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, kFont.c_str(), 0, &face), 0);
    for (int size : {13, 48, 190}) {
        SCOPED_TRACE(size);
        Font font(kFont.c_str(), size);
        ASSERT_TRUE(font.isLoaded());
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
        const FT_UInt a = FT_Get_Char_Index(face, 'A'), v = FT_Get_Char_Index(face, 'V');
        for (FT_UInt g : {a, v}) {
            FT_Load_Glyph(face, g, FT_LOAD_NO_HINTING);
            EXPECT_DOUBLE_EQ(font.advance(g == a ? U'A' : U'V'), face->glyph->advance.x / 64.0);
        }
        FT_Vector kern{0, 0};
        FT_Get_Kerning(face, a, v, FT_KERNING_UNFITTED, &kern);
        EXPECT_LT(kern.x, 0) << "the pair tucks in";
        EXPECT_DOUBLE_EQ(font.kerning(U'A', U'V'), kern.x / 64.0);

        // Laid out, the pair is narrower than its letters apart by the kerning.
        const double pair = font.advance(U'A') + font.kerning(U'A', U'V') + font.advance(U'V');
        EXPECT_NEAR(font.layout("AV").width, pair, 1.0);
        EXPECT_GE(font.layout("A").width + font.layout("V").width - font.layout("AV").width,
                  static_cast<int>(-font.kerning(U'A', U'V')));
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

TEST(FontTest, LinesBreakAtSpacesAndAreCentred)
{
    Font font(kFont.c_str(), 32);
    const std::string text = "Happy holidays from all of us, and a very good new year to everyone";
    const int limit = 300;
    const TextLayout layout = font.layout(text, limit);
    EXPECT_GT(layout.lines, 2);
    EXPECT_LE(layout.width, limit);
    EXPECT_EQ(layout.height, layout.lines * font.lineHeight());
    std::size_t letters = std::count_if(text.begin(), text.end(), [](char c) { return c != ' '; });
    EXPECT_EQ(layout.quads.size(), letters) << "every letter drawn once, no space drawn";

    // Each line centred on the box; none wider than the limit; words whole:
    // laid out alone, every line's text is exactly as wide as its place.
    const auto lines = byLine(layout);
    EXPECT_EQ(static_cast<int>(lines.size()), layout.lines);
    for (const auto& [index, quads] : lines) {
        SCOPED_TRACE(index);
        const int left = quads.front().x, right = quads.back().x + quads.back().width;
        EXPECT_LE(std::abs((left + right) - layout.width), 5);
        EXPECT_GE(left, -quads.front().width);
        EXPECT_LE(right, layout.width + quads.back().width);
    }
    // Without a limit it is one line, as wide as it is.
    const TextLayout one = font.layout(text);
    EXPECT_EQ(one.lines, 1);
    EXPECT_GT(one.width, limit);

    // The same words by hand: a break before each word that would pass the limit.
    std::vector<std::string> expected(1);
    std::string word;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ' ') {
            word += text[i];
            continue;
        }
        const std::string trial = expected.back().empty() ? word : expected.back() + " " + word;
        if (font.layout(trial).width > limit && !expected.back().empty())
            expected.push_back(word);
        else
            expected.back() = trial;
        word.clear();
    }
    EXPECT_EQ(static_cast<int>(expected.size()), layout.lines);

    // A word wider than the line is broken between its letters, none lost.
    const TextLayout word2 = font.layout("Supercalifragilisticexpialidocious", 120);
    EXPECT_GT(word2.lines, 2);
    EXPECT_LE(word2.width, 120);
    EXPECT_EQ(word2.quads.size(), 34u);
}

TEST(FontTest, NewlinesAndEmptyText)
{
    Font font(kFont.c_str(), 20);
    const int h = font.lineHeight();
    struct Case {
        const char* text;
        int lines;
        std::size_t quads;
    };
    const Case cases[] = {
        {"", 0, 0},        {"\n", 2, 0},         {"a\nb", 2, 2},     {"a\n\nb", 3, 2},
        {"a\r\nb", 2, 2},  {"a\n", 2, 1},        {"\x01\x02", 0, 0}, {"  ", 1, 0},
        {"a\tb", 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
        const TextLayout layout = font.layout(c.text, 100);
        EXPECT_EQ(layout.lines, c.lines);
        EXPECT_EQ(layout.height, c.lines * h);
        EXPECT_EQ(layout.quads.size(), c.quads);
        if (c.quads == 0) {
            EXPECT_TRUE(layout.atlas.empty());
        }
    }
    // "\n" puts the second line one line height below the first.
    const TextLayout two = font.layout("x\nx");
    ASSERT_EQ(two.quads.size(), 2u);
    EXPECT_EQ(two.quads[1].y - two.quads[0].y, h);
    EXPECT_EQ(two.quads[1].x, two.quads[0].x);
}

TEST(FontTest, MissingCharactersDrawTheMissingGlyphBox)
{
    Font font(kFont.c_str(), 40);
    // Private use, a CJK ideograph and an emoji: none in the font.
    for (char32_t c : {char32_t{0xE000}, char32_t{0x4E2D}, char32_t{0x1F384}})
        EXPECT_EQ(font.glyphIndex(c), 0u);
    // Latin with accents, Greek and Cyrillic are all there.
    for (char32_t c : std::u32string(U"éÉàçñøÅőŁẞệΑαΩωάЖжЯяЁёЇї€“”"))
        EXPECT_NE(font.glyphIndex(c), 0u) << static_cast<unsigned>(c);

    const TextLayout layout = font.layout("\xee\x80\x80 \xe4\xb8\xad");
    ASSERT_EQ(layout.quads.size(), 2u);
    const auto box = cell(layout, layout.quads[0]);
    EXPECT_GT(inkOf(box), 40) << "the box has ink";
    EXPECT_EQ(box, cell(layout, layout.quads[1])) << "both draw the same box, from one atlas cell";
    EXPECT_NE(box, cell(font.layout("\xd0\x96"), font.layout("\xd0\x96").quads[0])) << "not the box for Zhe";
}

TEST(FontTest, InvalidUtf8BecomesReplacementCharacters)
{
    const struct {
        std::string bytes;
        std::u32string expected;
    } cases[] = {
        {"A\xc3\xa9", U"A\u00e9"},
        {"\xff" "A", U"\ufffdA"},
        {"\xc0\xaf", U"\ufffd\ufffd"},             // overlong
        {"\xed\xa0\x80", U"\ufffd\ufffd\ufffd"},   // a surrogate
        {"\xf4\x90\x80\x80", U"\ufffd\ufffd\ufffd\ufffd"}, // past U+10FFFF
        {"\xe2\x82", U"\ufffd"},                   // cut short at the end
        {"\xe2\x82" "A", U"\ufffdA"},              // cut short in the middle
        {"\xf0\x9f\x8e\x84", U"\U0001F384"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(decodeUtf8(c.bytes), c.expected);
    }
    Font font(kFont.c_str(), 16);
    EXPECT_EQ(font.layout("\xff\xfe" "A\xc3").quads.size(), 4u) << "three replacement characters and the A";
}

TEST(FontTest, DamagedOrMissingFilesSayOneLineAndDrawNothing)
{
    TempDir dir;
    const std::string real = readFile(kFont);
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {dir.path() + "/missing.ttf", "cannot open"},
        {dir.write("empty.ttf", ""), "empty file"},
        {dir.write("text.ttf", "Merry Christmas, this is not a font at all\n"), "damaged or not a font file"},
        {dir.write("cut.ttf", real.substr(0, 600)), "damaged or not a font file"},
        {dir.path(), "directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        LogCapture log;
        Font font(c.path.c_str(), 24);
        EXPECT_FALSE(font.isLoaded());
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(log.lines[0].rfind(c.path + ": ", 0), 0u) << log.lines[0];
        EXPECT_NE(log.lines[0].find(c.reason), std::string::npos) << log.lines[0];
        const TextLayout layout = font.layout("Happy holidays");
        EXPECT_TRUE(layout.quads.empty());
        EXPECT_EQ(layout.width, 0);
        EXPECT_EQ(font.advance(U'A'), 0.0);
        EXPECT_EQ(log.lines.size(), 1u) << "said once";
    }

    // Its outlines scrambled: the face opens, its letters do not. One line
    // however many letters fail, and nothing drawn from the garbage.
    std::string scrambled = real;
    const auto be32 = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(scrambled[at])) << 24 |
               static_cast<std::size_t>(static_cast<unsigned char>(scrambled[at + 1])) << 16 |
               static_cast<std::size_t>(static_cast<unsigned char>(scrambled[at + 2])) << 8 |
               static_cast<unsigned char>(scrambled[at + 3]);
    };
    const std::size_t tables = static_cast<std::size_t>(static_cast<unsigned char>(scrambled[4])) << 8 |
                               static_cast<unsigned char>(scrambled[5]);
    for (std::size_t i = 0; i < tables; ++i) {
        if (scrambled.compare(12 + 16 * i, 4, "glyf") == 0) {
            for (std::size_t k = be32(12 + 16 * i + 8), end = k + be32(12 + 16 * i + 12); k < end; ++k)
                scrambled[k] = static_cast<char>(k * 37);
        }
    }
    LogCapture log;
    const std::string half = dir.write("scrambled.ttf", scrambled);
    Font font(half.c_str(), 24);
    EXPECT_TRUE(font.isLoaded());
    EXPECT_TRUE(font.layout("Happy holidays, ЖЯ, Ωω").quads.empty());
    font.layout("and again");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind(half + ": ", 0), 0u) << log.lines[0];
}

} // namespace
