#include "vornak/ImageDecoder.h"
#include "vornak/Texture.h"

#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace testimg;
using namespace vornak_engine;

const std::uint8_t* bytesOf(const std::string& s)
{
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

Pixels pixelsOf(const DecodedImage& image)
{
    return Pixels(image.pixels, image.pixels + image.size);
}

struct Decoder {
    bool (*memory)(const std::uint8_t*, std::size_t, const char*, DecodedImage&, std::size_t);
    bool (*file)(const char*, DecodedImage&, std::size_t);
};
const Decoder kJpeg{decodeJPEG, decodeJPEG}, kPng{decodePNG, decodePNG}, kTga{decodeTGA, decodeTGA};

struct Good {
    std::string label;
    const Decoder* decoder;
    std::string file;
    int width, height;
    unsigned format;
    int alphaSwizzle; // 0: none
    Pixels expected;  // bottom row first
};

// The pixels of a top-first picture in the order a TGA with this descriptor stores them.
Pixels inTgaOrder(const Pixels& topFirst, int width, int height, int channels, int descriptor)
{
    Pixels out;
    for (int i = 0; i < height; ++i) {
        const int row = descriptor & 0x20 ? i : height - 1 - i;
        for (int j = 0; j < width; ++j) {
            const int column = descriptor & 0x10 ? width - 1 - j : j;
            const auto at = topFirst.begin() + (row * width + column) * channels;
            out.insert(out.end(), at, at + channels);
        }
    }
    return out;
}

// Run-length packets over the whole pixel stream, so runs cross row ends.
Pixels runLength(const Pixels& stream, int channels)
{
    Pixels out;
    const std::size_t n = stream.size() / static_cast<std::size_t>(channels);
    auto at = [&](std::size_t i) { return stream.begin() + static_cast<long>(i) * channels; };
    auto sameAsNext = [&](std::size_t i) { return i + 1 < n && std::equal(at(i), at(i + 1), at(i + 1)); };
    for (std::size_t i = 0, run = 0; i < n; i += run) {
        const bool repeat = sameAsNext(i);
        for (run = 1; i + run < n && run < 128 && (repeat ? sameAsNext(i + run - 1) : !sameAsNext(i + run));)
            ++run;
        out.push_back(static_cast<std::uint8_t>((repeat ? 0x80 : 0) | (run - 1)));
        out.insert(out.end(), at(i), at(i + (repeat ? 1 : run)));
    }
    return out;
}

TEST(Decoders, EveryKindDecodesToItsTruePictureBottomUp)
{
    const Pixels rgb = distinct(3, 2, 3), rgba = distinct(3, 2, 4), grey = distinct(3, 2, 1), ga = distinct(3, 2, 2);
    Pixels deep; // 16-bit samples keep their high byte
    for (std::uint8_t v : rgb)
        deep.insert(deep.end(), {v, static_cast<std::uint8_t>(~v)});
    const std::vector<png_color> palette = {{10, 20, 30}, {200, 100, 50}, {0, 255, 0}};

    std::vector<Good> cases = {
        {"png rgb", &kPng, encodePNG(3, 2, rgb), 3, 2, GL_RGB, 0, flipRows(rgb, 9)},
        {"png rgba", &kPng, encodePNG(3, 2, rgba, PNG_COLOR_TYPE_RGBA), 3, 2, GL_RGBA, 0, flipRows(rgba, 12)},
        {"png grey", &kPng, encodePNG(3, 2, grey, PNG_COLOR_TYPE_GRAY), 3, 2, GL_RED, GL_ONE, flipRows(grey, 3)},
        {"png grey+alpha", &kPng, encodePNG(3, 2, ga, PNG_COLOR_TYPE_GRAY_ALPHA), 3, 2, GL_RG, GL_GREEN,
         flipRows(ga, 6)},
        // 1-bit rows of width 10 take two bytes each.
        {"png grey 1-bit", &kPng, encodePNG(10, 2, {0xB2, 0x40, 0x01, 0x80}, PNG_COLOR_TYPE_GRAY, 1), 10, 2, GL_RED,
         GL_ONE, {0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 255}},
        {"png palette", &kPng, encodePNG(3, 1, {2, 0, 1}, PNG_COLOR_TYPE_PALETTE, 8, false, palette), 3, 1, GL_RGB, 0,
         {0, 255, 0, 10, 20, 30, 200, 100, 50}},
        {"png palette+tRNS", &kPng, encodePNG(3, 1, {2, 0, 1}, PNG_COLOR_TYPE_PALETTE, 8, false, palette, {255, 128}),
         3, 1, GL_RGBA, 0, {0, 255, 0, 255, 10, 20, 30, 255, 200, 100, 50, 128}},
        {"png rgb 16-bit", &kPng, encodePNG(3, 2, deep, PNG_COLOR_TYPE_RGB, 16), 3, 2, GL_RGB, 0, flipRows(rgb, 9)},
        {"png interlaced", &kPng, encodePNG(7, 5, distinct(7, 5, 3), PNG_COLOR_TYPE_RGB, 8, true), 7, 5, GL_RGB, 0,
         flipRows(distinct(7, 5, 3), 21)},
        {"tga image ID skipped", &kTga, tga(2, 3, 2, 24, rgb, 0, 5), 3, 2, GL_BGR, 0, rgb},
        {"tga colour map skipped", &kTga, tga(2, 3, 2, 24, rgb, 0, 0, 4), 3, 2, GL_BGR, 0, rgb},
    };
    // Every origin corner and depth, raw and run-length (with repeats across row ends): the same picture.
    const int w = 5, h = 3;
    for (int descriptor : {0x00, 0x10, 0x20, 0x30}) {
        for (int channels : {4, 3, 1}) {
            Pixels picture = distinct(w, h, channels);
            for (int i = 2 * channels; i < 6 * channels; ++i)
                picture[i] = picture[i % channels + 2 * channels];
            const Pixels stream = inTgaOrder(picture, w, h, channels, descriptor);
            const unsigned format = channels == 4 ? GL_BGRA : channels == 3 ? GL_BGR : GL_RED;
            const bool grey = channels == 1;
            for (bool rle : {false, true}) {
                cases.push_back({"tga " + std::to_string(channels * 8) + "-bit descriptor " +
                                     std::to_string(descriptor) + (rle ? " run-length" : " raw"),
                                 &kTga,
                                 tga((grey ? 3 : 2) + (rle ? 8 : 0), w, h, channels * 8,
                                     rle ? runLength(stream, channels) : stream, descriptor),
                                 w, h, format, grey ? GL_ONE : 0, flipRows(picture, std::size_t(w * channels))});
            }
        }
    }
    // From memory only: the file route is one shared read (the refusals and TextureTest take it).
    for (const Good& c : cases) {
        SCOPED_TRACE(c.label);
        DecodedImage image;
        testing::internal::CaptureStderr();
        ASSERT_TRUE(c.decoder->memory(bytesOf(c.file), c.file.size(), "t", image, kMaxDecodedBytes));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(std::make_pair(image.width, image.height), std::make_pair(c.width, c.height));
        EXPECT_EQ(image.format, c.format);
        EXPECT_EQ(pixelsOf(image), c.expected);
        using Ints = std::vector<int>;
        EXPECT_EQ(image.swizzled ? Ints(image.swizzle, image.swizzle + 4) : Ints(),
                  (c.alphaSwizzle ? Ints{GL_RED, GL_RED, GL_RED, c.alphaSwizzle} : Ints()));
    }
}

// Writes v big-endian over s[at..at+4).
void putBig32(std::string& s, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

// A valid PNG whose header claims another size (the IHDR checksum kept right).
std::string pngClaiming(std::uint32_t width, std::uint32_t height)
{
    std::string file = encodePNG(2, 2, distinct(2, 2, 4), PNG_COLOR_TYPE_RGBA);
    putBig32(file, 16, width);
    putBig32(file, 20, height);
    putBig32(file, 29, static_cast<std::uint32_t>(crc32(0, bytesOf(file) + 12, 17)));
    return file;
}

// A valid JPEG whose frame header claims another size.
std::string jpegClaiming(std::uint32_t width, std::uint32_t height)
{
    std::string file = encodeJPEG(8, 8, distinct(8, 8, 3));
    const std::size_t sof = file.find("\xFF\xC0");
    putBig32(file, sof + 5, height << 16 | width);
    return file;
}

struct Refusal {
    const char* label;
    const Decoder* decoder;
    bool fromFile;
    std::string input; // a path, or the bytes themselves
    std::string reason;
    std::size_t limit = kMaxDecodedBytes;
};

TEST(Decoders, DamagedInputIsRefusedWithOneLine)
{
    TempDir dir;
    const std::string missing = dir.path() + "/missing.img";
    const std::string empty = dir.write("empty.img", "");
    const std::string jpeg = encodeJPEG(16, 16, distinct(16, 16, 3));
    const std::string png = encodePNG(16, 16, distinct(16, 16, 3));
    // Cut before the first scan: there is no picture at all.
    const std::string cutJpeg = dir.write("cut.jpg", jpeg.substr(0, jpeg.find("\xFF\xDA")));
    const std::string cutPng = dir.write("cut.png", png.substr(0, png.size() - 20));
    const std::string cutTga = dir.write("cut.tga", tga(2, 3, 2, 24, Pixels(17, 7)));
    std::string badCrc = png;
    badCrc[png.find("IDAT") + 8] ^= 0x5a;
    const Pixels px(18, 7);

    const std::vector<Refusal> cases = {
        // Which files can be read is FileDataTest's; the decoders pass its line on.
        {"jpeg missing", &kJpeg, true, missing, "cannot open: No such file or directory"},
        {"jpeg cut before its scans", &kJpeg, true, cutJpeg, "cannot read JPEG header"},
        // The bound on progressive scans holds on both decoding paths.
        {"jpeg 631 scans", &kJpeg, false,
         encodeJPEGWith(64, 64, distinct(64, 64, 1), {JCS_GRAYSCALE, JCS_UNKNOWN, true, {}, 10}),
         "cannot decode JPEG: Progressive JPEG image has more than 500 scans"},
        {"jpeg 631 scans, odd sampling", &kJpeg, false,
         encodeJPEGWith(64, 64, distinct(64, 64, 3), {JCS_RGB, JCS_UNKNOWN, true, {2, 1, 1, 1, 2, 1}, 4}),
         "cannot decode JPEG: Progressive JPEG image has more than 500 scans"},
        {"jpeg empty bytes", &kJpeg, false, "", "empty file"},
        {"jpeg over 2^31 bytes", &kJpeg, false, jpegClaiming(60000, 60000),
         "60000x60000 picture needs 10800000000 bytes"},
        {"jpeg over the caller's limit", &kJpeg, false, jpeg, "more than the 100-byte limit", 100},
        {"png empty file", &kPng, true, empty, "empty file"},
        {"png cut short", &kPng, true, cutPng, "file ends early"},
        {"png not a png", &kPng, false, jpeg, "cannot decode PNG: Not a PNG file"},
        {"png damaged data", &kPng, false, badCrc, "cannot decode PNG: IDAT"},
        {"png over 2^31 bytes", &kPng, false, pngClaiming(40000, 20000), "40000x20000 picture needs 3200000000 bytes"},
        {"png zero width", &kPng, false, pngClaiming(0, 2), "cannot decode PNG: Invalid IHDR data"},
        {"png over the caller's limit", &kPng, false, png, "more than the 100-byte limit", 100},
        {"tga empty file", &kTga, true, empty, "empty file"},
        {"tga pixels cut short", &kTga, true, cutTga, "file ends early: 17 of 18 pixel bytes"},
        {"tga header cut short", &kTga, false, tga(2, 3, 2, 24, px).substr(0, 10),
         "file ends early: 10 of 18 header bytes"},
        {"tga ID runs past the end", &kTga, false, tga(2, 3, 2, 24, px, 0, 200).substr(0, 40),
         "file ends early: header fields"},
        {"tga colour-mapped", &kTga, false, tga(1, 3, 2, 24, px), "colour-mapped"},
        {"tga colour-mapped rle", &kTga, false, tga(9, 3, 2, 24, px), "colour-mapped"},
        {"tga no image", &kTga, false, tga(0, 3, 2, 24, px), "unsupported image type 0"},
        {"tga 16-bit", &kTga, false, tga(2, 3, 2, 16, px), "unsupported depth of 16 bits"},
        {"tga 24-bit grey", &kTga, false, tga(3, 3, 2, 24, px), "unsupported depth of 24 bits"},
        {"tga zero width", &kTga, false, tga(2, 0, 2, 24, px), "unusable size 0x2"},
        {"tga negative height", &kTga, false, tga(2, 3, 0xFFFE, 24, px), "unusable size 3x-2"},
        {"tga over 2^31 bytes", &kTga, false, tga(2, 32767, 32767, 32, px),
         "32767x32767 picture needs 4294705156 bytes"},
        {"tga rle cut short", &kTga, false, tga(10, 3, 2, 24, {0x00, 1, 2, 3, 0x05, 1, 2}),
         "run-length data stops at pixel 1 of 6"},
        {"tga rle far too short", &kTga, false, tga(10, 1000, 2, 24, {0xFF, 1, 2, 3}), "cannot cover 2000 pixels"},
    };
    const std::string good = encodePNG(2, 2, distinct(2, 2, 3));
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.label);
        // Decoded into after a success: the failure must drop the old picture too.
        DecodedImage image;
        ASSERT_TRUE(decodePNG(bytesOf(good), good.size(), "good", image));
        testing::internal::CaptureStderr();
        const bool decoded = c.fromFile ? c.decoder->file(c.input.c_str(), image, c.limit)
                                        : c.decoder->memory(bytesOf(c.input), c.input.size(), "m", image, c.limit);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(decoded);
        EXPECT_TRUE(image.empty() && !image.storage && image.width == 0);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(err.rfind((c.fromFile ? c.input : "m") + ": ", 0), 0u) << err;
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
    }
}

// Damage a reader decodes past: the whole picture and one warning line (JPEG on TurboJPEG's path and libjpeg's).
TEST(Decoders, WarningsShowThePictureWithOneLine)
{
    std::string png = encodePNG(2, 2, distinct(2, 2, 3));
    const std::string badText = std::string("\0\0\0\x03tEXta\0b", 11) + "\xDE\xAD\xBE\xEF";
    png.insert(33, badText + badText + badText); // after the signature and IHDR
    const Pixels picture = distinct(32, 32, 3);
    const std::string clean = encodeJPEG(32, 32, picture);
    DecodedImage reference;
    ASSERT_TRUE(decodeJPEG(bytesOf(clean), clean.size(), "clean", reference));
    const std::string oddSampled = encodeJPEGWith(32, 32, picture, {JCS_RGB, JCS_UNKNOWN, true, {2, 1, 1, 1, 2, 1}, 0});
    std::string beforeScan = clean, beforeFrame = clean;
    beforeScan.insert(beforeScan.find("\xFF\xDA"), "\x12\x34", 2);
    beforeFrame.insert(beforeFrame.find("\xFF\xC0"), "\x12\x34\x56", 3);
    const struct {
        const char* label;
        const Decoder* decoder;
        std::string file;
        const char* warning;
        Pixels expected; // empty: only the whole picture's size
    } cases[] = {
        {"png damaged text chunks", &kPng, png, "", flipRows(distinct(2, 2, 3), 6)},
        {"before the scan", &kJpeg, beforeScan, "2 extraneous bytes before marker 0xda", pixelsOf(reference)},
        {"before the frame header", &kJpeg, beforeFrame, "3 extraneous bytes before marker 0xc0", pixelsOf(reference)},
        {"data cut short", &kJpeg, clean.substr(0, clean.size() * 2 / 3), "Premature end of JPEG file", {}},
        {"odd sampling cut short", &kJpeg, oddSampled.substr(0, oddSampled.size() * 3 / 4),
         "Premature end of JPEG file", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        DecodedImage image;
        testing::internal::CaptureStderr();
        ASSERT_TRUE(c.decoder->memory(bytesOf(c.file), c.file.size(), "w", image, kMaxDecodedBytes));
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(err.rfind(c.decoder == &kPng ? "w: libpng warning: " : "w: libjpeg warning: ", 0), 0u) << err;
        EXPECT_NE(err.find(c.warning), std::string::npos) << err;
        EXPECT_EQ(image.width * image.height * 3, int(image.size));
        if (!c.expected.empty()) {
            EXPECT_EQ(pixelsOf(image), c.expected);
        }
    }
}

// A 16x16 picture, top half one colour, bottom half another, as the given pixels.
Pixels halves(const Pixels& top, const Pixels& bottom)
{
    Pixels p;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            p.insert(p.end(), (y < 8 ? top : bottom).begin(), (y < 8 ? top : bottom).end());
    return p;
}

// Adobe's inks (and YCCK) are stored inverted, plain ones without the marker; odd sampling reads through libjpeg.
// The four-byte layout is the three-byte one plus an opaque byte; four-colour files stay three bytes.
TEST(JpegDecoder, EveryLayoutShowsItsColoursBottomRowFirstInBothByteLayouts)
{
    const Pixels red = {200, 100, 50}, darkOrange = {128, 64, 0};
    const Pixels invertedRed = {200, 100, 50, 255}, invertedDark = {255, 128, 0, 128}; // R = C * K / 255
    const Pixels inkRed = {55, 155, 205, 0}, inkDark = {0, 127, 255, 127};
    const Pixels green = {10, 200, 30}, pink = {250, 40, 90};
    const struct {
        const char* label;
        JpegLayout layout;
        Pixels top, bottom; // as stored
        Pixels wantTop, wantBottom;
        int tolerance;
    } cases[] = {
        {"Adobe CMYK", {JCS_CMYK, JCS_CMYK, true, {}, 0}, invertedRed, invertedDark, red, darkOrange, 3},
        {"Adobe YCCK, 2x2 sampled black and luma", {JCS_CMYK, JCS_YCCK, true, {2, 2, 1, 1, 1, 1, 2, 2}, 0},
         invertedRed, invertedDark, red, darkOrange, 3},
        {"CMYK without Adobe marker", {JCS_CMYK, JCS_CMYK, false, {}, 0}, inkRed, inkDark, red, darkOrange, 3},
        {"progressive Adobe CMYK", {JCS_CMYK, JCS_CMYK, true, {}, 1}, invertedRed, invertedDark, red, darkOrange, 3},
        {"RGB, unusual sampling", {JCS_RGB, JCS_UNKNOWN, true, {2, 1, 1, 1, 2, 1}, 0}, green, pink, green, pink, 4},
        {"RGB", {}, green, pink, green, pink, 4},
        {"grey", {JCS_GRAYSCALE, JCS_UNKNOWN, true, {}, 0}, {90}, {200}, {90, 90, 90}, {200, 200, 200}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string file = encodeJPEGWith(16, 16, halves(c.top, c.bottom), c.layout);
        const bool inks = c.layout.input == JCS_CMYK;
        DecodedImage image, four;
        testing::internal::CaptureStderr();
        ASSERT_TRUE(decodeJPEG(bytesOf(file), file.size(), "k.jpg", image));
        ASSERT_TRUE(decodeJPEGRgba(bytesOf(file), file.size(), "k.jpg", four));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ((std::vector<int>{image.width, image.height, four.width, four.height}), std::vector<int>(4, 16));
        EXPECT_EQ(std::make_pair(image.format, four.format),
                  std::make_pair(unsigned(GL_RGB), unsigned(inks ? GL_RGB : GL_RGBA)));
        // Rows 0-3 and 12-15 only: subsampled chroma blurs the rows next to the edge.
        const Pixels got = pixelsOf(image), want = halves(c.wantBottom, c.wantTop);
        ASSERT_EQ(got.size(), want.size());
        int worst = 0;
        for (std::size_t i = 0; i < got.size(); ++i)
            if (i / 48 < 4 || i / 48 >= 12)
                worst = std::max(worst, std::abs(int(got[i]) - int(want[i])));
        EXPECT_LE(worst, c.tolerance);
        Pixels expected = inks ? got : Pixels{};
        for (std::size_t i = 0; !inks && i < got.size(); i += 3)
            expected.insert(expected.end(), {got[i], got[i + 1], got[i + 2], 255});
        EXPECT_EQ(pixelsOf(four), expected);
    }
}

// A name picks its reader by the last dot of the whole path, in any case.
TEST(Decoders, ANamesExtensionPicksItsReader)
{
    const std::pair<const char*, ImgType> cases[] = {
        {"paper.png", IMG_PNG},   {"dir/PAPER.PnG", IMG_PNG}, {"sky.TGA", IMG_TGA},           {"photo.jpeg", IMG_JPEG},
        {"no-extension", IMG_JPEG}, {"maps.png/plain", IMG_JPEG}, {"ends-in-dot.", IMG_JPEG}, {"", IMG_JPEG},
    };
    for (const auto& [name, type] : cases)
        EXPECT_EQ(imageTypeOf(name), type) << name;
}

} // namespace
