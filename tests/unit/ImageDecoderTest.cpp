#include "vornak/ImageDecoder.h"
#include "vornak/Texture.h"

#include "support/ImageFiles.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace testimg;
using namespace vornak_engine;

const std::uint8_t* bytesOf(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }
Pixels pixelsOf(const DecodedImage& image) { return Pixels(image.pixels, image.pixels + image.size); }

// The pixels of a top-first picture in the order a TGA with this descriptor stores them.
Pixels inTgaOrder(const Pixels& topFirst, int width, int height, int channels, int descriptor)
{
    Pixels out;
    for (int i = 0; i < width * height; ++i) {
        const int row = descriptor & 0x20 ? i / width : height - 1 - i / width;
        const int column = descriptor & 0x10 ? width - 1 - i % width : i % width;
        const auto at = topFirst.begin() + (row * width + column) * channels;
        out.insert(out.end(), at, at + channels);
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

// Writes v big-endian over s[at..at+4).
void putBig32(std::string& s, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

struct Case {
    std::string label;
    bool (*decode)(const std::uint8_t*, std::size_t, const char*, DecodedImage&, std::size_t);
    std::string file;
    std::string said; // the start of its one stderr line after the name; empty: silent
    int width = 0, height = 0; // 0: refused
    unsigned format = 0;
    Pixels expected = {}; // bottom row first; empty when decoded: only the size (data cut short)
    std::size_t limit = kMaxDecodedBytes;
};

// From memory only: the file route is one shared read (TextureTest and DecodeQueueTest take it).
TEST(Decoders, EveryInputShowsItsTruePictureBottomUpOrIsRefusedWithOneLine)
{
    const Pixels rgb = distinct(3, 2, 3), rgba = distinct(3, 2, 4), grey = distinct(3, 2, 1), ga = distinct(3, 2, 2);
    Pixels deep; // 16-bit samples keep their high byte
    for (std::uint8_t v : rgb)
        deep.insert(deep.end(), {v, static_cast<std::uint8_t>(~v)});
    const std::vector<png_color> palette = {{10, 20, 30}, {200, 100, 50}, {0, 255, 0}};
    const std::string jpeg = encodeJPEG(16, 16, distinct(16, 16, 3)), png = encodePNG(16, 16, distinct(16, 16, 3));
    std::string badCrc = png, textPng = encodePNG(2, 2, distinct(2, 2, 3));
    badCrc[png.find("IDAT") + 8] ^= 0x5a;
    std::string huge = encodeJPEG(8, 8, distinct(8, 8, 3)); // its frame header claims 60000x60000
    putBig32(huge, huge.find("\xFF\xC0") + 5, 60000u << 16 | 60000u);
    std::string hugePng = encodePNG(2, 2, distinct(2, 2, 4), PNG_COLOR_TYPE_RGBA); // IHDR claims 40000x20000
    putBig32(hugePng, 16, 40000);
    putBig32(hugePng, 20, 20000);
    putBig32(hugePng, 29, static_cast<std::uint32_t>(crc32(0, bytesOf(hugePng) + 12, 17))); // its checksum kept right
    const std::string badText = std::string("\0\0\0\x03tEXta\0b", 11) + "\xDE\xAD\xBE\xEF";
    textPng.insert(33, badText + badText + badText); // after the signature and IHDR
    // JPEG warnings on TurboJPEG's path and libjpeg's: the whole picture and one line.
    const std::string clean = encodeJPEG(32, 32, distinct(32, 32, 3));
    DecodedImage reference;
    ASSERT_TRUE(decodeJPEG(bytesOf(clean), clean.size(), "clean", reference));
    const std::string oddSampled =
        encodeJPEG(32, 32, distinct(32, 32, 3), {JCS_RGB, JCS_UNKNOWN, true, {2, 1, 1, 1, 2, 1}});
    std::string beforeScan = clean, beforeFrame = clean;
    beforeScan.insert(beforeScan.find("\xFF\xDA"), "\x12\x34", 2);
    beforeFrame.insert(beforeFrame.find("\xFF\xC0"), "\x12\x34\x56", 3);
    const Pixels px(18, 7);
    const std::string scans = "cannot decode JPEG: Progressive JPEG image has more than 500 scans",
                      overLimit = "16x16 picture needs 768 bytes, more than the 100-byte limit";

    std::vector<Case> cases = {
        {"png rgb", decodePNG, encodePNG(3, 2, rgb), "", 3, 2, GL_RGB, flipRows(rgb, 9)},
        {"png rgba", decodePNG, encodePNG(3, 2, rgba, PNG_COLOR_TYPE_RGBA), "", 3, 2, GL_RGBA, flipRows(rgba, 12)},
        {"png grey", decodePNG, encodePNG(3, 2, grey, PNG_COLOR_TYPE_GRAY), "", 3, 2, GL_RED, flipRows(grey, 3)},
        {"png grey+alpha", decodePNG, encodePNG(3, 2, ga, PNG_COLOR_TYPE_GRAY_ALPHA), "", 3, 2, GL_RG, flipRows(ga, 6)},
        // 1-bit rows of width 10 take two bytes each.
        {"png grey 1-bit", decodePNG, encodePNG(10, 2, {0xB2, 0x40, 0x01, 0x80}, PNG_COLOR_TYPE_GRAY, 1), "", 10, 2,
         GL_RED, {0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 255}},
        {"png palette", decodePNG, encodePNG(3, 1, {2, 0, 1}, PNG_COLOR_TYPE_PALETTE, 8, false, palette), "", 3, 1,
         GL_RGB, {0, 255, 0, 10, 20, 30, 200, 100, 50}},
        {"png palette+tRNS", decodePNG,
         encodePNG(3, 1, {2, 0, 1}, PNG_COLOR_TYPE_PALETTE, 8, false, palette, {255, 128}), "", 3, 1, GL_RGBA,
         {0, 255, 0, 255, 10, 20, 30, 255, 200, 100, 50, 128}},
        {"png rgb 16-bit", decodePNG, encodePNG(3, 2, deep, PNG_COLOR_TYPE_RGB, 16), "", 3, 2, GL_RGB,
         flipRows(rgb, 9)},
        {"png interlaced", decodePNG, encodePNG(7, 5, distinct(7, 5, 3), PNG_COLOR_TYPE_RGB, 8, true), "", 7, 5, GL_RGB,
         flipRows(distinct(7, 5, 3), 21)},
        {"png damaged text chunks", decodePNG, textPng, "libpng warning: ", 2, 2, GL_RGB,
         flipRows(distinct(2, 2, 3), 6)},
        {"jpeg junk before the scan", decodeJPEG, beforeScan,
         "libjpeg warning: Corrupt JPEG data: 2 extraneous bytes before marker 0xda", 32, 32, GL_RGB,
         pixelsOf(reference)},
        {"jpeg junk before the frame header", decodeJPEG, beforeFrame,
         "libjpeg warning: Corrupt JPEG data: 3 extraneous bytes before marker 0xc0", 32, 32, GL_RGB,
         pixelsOf(reference)},
        {"jpeg data cut short", decodeJPEG, clean.substr(0, clean.size() * 2 / 3),
         "libjpeg warning: Premature end of JPEG file", 32, 32, GL_RGB},
        {"jpeg odd sampling cut short", decodeJPEG, oddSampled.substr(0, oddSampled.size() * 3 / 4),
         "libjpeg warning: Premature end of JPEG file", 32, 32, GL_RGB},
        {"tga image ID skipped", decodeTGA, tga(2, 3, 2, 24, rgb, 0, 5), "", 3, 2, GL_BGR, rgb},
        {"tga colour map skipped", decodeTGA, tga(2, 3, 2, 24, rgb, 0, 0, 4), "", 3, 2, GL_BGR, rgb},
        // Refused.
        {"jpeg cut before its scans", decodeJPEG, jpeg.substr(0, jpeg.find("\xFF\xDA")), "cannot read JPEG header"},
        // The bound on progressive scans holds on both decoding paths.
        {"jpeg 631 scans", decodeJPEG,
         encodeJPEG(64, 64, distinct(64, 64, 1), {JCS_GRAYSCALE, JCS_UNKNOWN, true, {}, 10}), scans},
        {"jpeg 631 scans, odd sampling", decodeJPEG,
         encodeJPEG(64, 64, distinct(64, 64, 3), {JCS_RGB, JCS_UNKNOWN, true, {2, 1, 1, 1, 2, 1}, 4}), scans},
        {"jpeg empty", decodeJPEG, "", "empty file"},
        {"jpeg over 2^31 bytes", decodeJPEG, huge, "60000x60000 picture needs 10800000000 bytes"},
        {"jpeg over the caller's limit", decodeJPEG, jpeg, overLimit, 0, 0, 0, {}, 100},
        {"png empty", decodePNG, "", "empty file"},
        {"png cut short", decodePNG, png.substr(0, png.size() - 20), "cannot decode PNG: file ends early"},
        {"png not a png", decodePNG, jpeg, "cannot decode PNG: Not a PNG file"},
        {"png damaged data", decodePNG, badCrc, "cannot decode PNG: IDAT"},
        {"png over 2^31 bytes", decodePNG, hugePng, "cannot decode PNG: 40000x20000 picture needs 3200000000 bytes"},
        {"png over the caller's limit", decodePNG, png, "cannot decode PNG: " + overLimit, 0, 0, 0, {}, 100},
        {"tga empty", decodeTGA, "", "empty file"},
        {"tga pixels cut short", decodeTGA, tga(2, 3, 2, 24, Pixels(17, 7)), "file ends early: 17 of 18 pixel bytes"},
        {"tga header cut short", decodeTGA, tga(2, 3, 2, 24, px).substr(0, 10),
         "file ends early: 10 of 18 header bytes"},
        {"tga ID runs past the end", decodeTGA, tga(2, 3, 2, 24, px, 0, 200).substr(0, 40),
         "file ends early: header fields"},
        {"tga colour-mapped", decodeTGA, tga(1, 3, 2, 24, px), "colour-mapped"},
        {"tga colour-mapped rle", decodeTGA, tga(9, 3, 2, 24, px), "colour-mapped"},
        {"tga no image", decodeTGA, tga(0, 3, 2, 24, px), "unsupported image type 0"},
        {"tga 16-bit", decodeTGA, tga(2, 3, 2, 16, px), "unsupported depth of 16 bits"},
        {"tga 24-bit grey", decodeTGA, tga(3, 3, 2, 24, px), "unsupported depth of 24 bits"},
        {"tga zero width", decodeTGA, tga(2, 0, 2, 24, px), "unusable size 0x2"},
        {"tga negative height", decodeTGA, tga(2, 3, 0xFFFE, 24, px), "unusable size 3x-2"},
        {"tga over 2^31 bytes", decodeTGA, tga(2, 32767, 32767, 32, px), "32767x32767 picture needs 4294705156 bytes"},
        {"tga rle cut short", decodeTGA, tga(10, 3, 2, 24, {0x00, 1, 2, 3, 0x05, 1, 2}),
         "file ends early: run-length data stops at pixel 1 of 6"},
        {"tga rle far too short", decodeTGA, tga(10, 1000, 2, 24, {0xFF, 1, 2, 3}),
         "file ends early: 4 bytes of run-length data cannot cover 2000 pixels"},
    };
    // Every origin corner and depth, raw and run-length (with repeats across row ends): the same picture.
    const int w = 5, h = 3;
    for (int descriptor : {0x00, 0x10, 0x20, 0x30}) {
        for (int channels : {4, 3, 1}) {
            Pixels picture = distinct(w, h, channels);
            for (int i = 2 * channels; i < 6 * channels; ++i)
                picture[i] = picture[i % channels + 2 * channels];
            const Pixels stream = inTgaOrder(picture, w, h, channels, descriptor);
            for (bool rle : {false, true})
                cases.push_back({"tga " + std::to_string(channels * 8) + "-bit descriptor " +
                                     std::to_string(descriptor) + (rle ? " run-length" : " raw"),
                                 decodeTGA,
                                 tga((channels == 1 ? 3 : 2) + (rle ? 8 : 0), w, h, channels * 8,
                                     rle ? runLength(stream, channels) : stream, descriptor),
                                 "", w, h, unsigned(channels == 4 ? GL_BGRA : channels == 3 ? GL_BGR : GL_RED),
                                 flipRows(picture, std::size_t(w * channels))});
        }
    }
    const std::string good = encodePNG(2, 2, distinct(2, 2, 3));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        DecodedImage image; // decoded into after a success: a failure must drop the old picture too
        ASSERT_TRUE(decodePNG(bytesOf(good), good.size(), "good", image));
        testing::internal::CaptureStderr();
        const bool decoded = c.decode(bytesOf(c.file), c.file.size(), "m", image, c.limit);
        const std::string err = testing::internal::GetCapturedStderr(), want = c.said.empty() ? "" : "m: " + c.said;
        EXPECT_EQ(decoded, c.width > 0);
        EXPECT_EQ(c.said.empty() ? err : err.substr(0, want.size()), want) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), c.said.empty() ? 0 : 1) << err;
        EXPECT_EQ(std::make_tuple(image.width, image.height, image.format),
                  std::make_tuple(c.width, c.height, c.format));
        EXPECT_TRUE(decoded ? image.pixels && image.storage : image.empty() && !image.storage);
        if (decoded && c.expected.empty()) {
            EXPECT_EQ(image.size, std::size_t(c.width * c.height * 3));
        } else {
            EXPECT_EQ(pixelsOf(image), c.expected);
        }
        using Ints = std::vector<int>;
        EXPECT_EQ(image.swizzled ? Ints(image.swizzle, image.swizzle + 4) : Ints(),
                  (c.format == GL_RED  ? Ints{GL_RED, GL_RED, GL_RED, GL_ONE}
                   : c.format == GL_RG ? Ints{GL_RED, GL_RED, GL_RED, GL_GREEN} : Ints()));
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
    // The halves as stored, then as they must read.
    const struct {
        const char* label; JpegLayout layout; Pixels top, bottom, wantTop, wantBottom; int tolerance;
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
        const std::string file = encodeJPEG(16, 16, halves(c.top, c.bottom), c.layout);
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
