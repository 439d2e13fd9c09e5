#include "vornak/ImageDecoder.h"

#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

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
    const char* label;
    const Decoder* decoder;
    std::string file;
    int width, height;
    unsigned format;
    int alphaSwizzle; // 0: none
    Pixels expected;  // bottom row first
};

TEST(Decoders, EveryKindDecodesToItsTruePictureBottomUp)
{
    const Pixels rgb = distinct(3, 2, 3), rgba = distinct(3, 2, 4), grey = distinct(3, 2, 1), ga = distinct(3, 2, 2);
    // 16-bit samples keep their high byte.
    const Pixels deep = distinct(3, 2, 6);
    Pixels high;
    for (std::size_t i = 0; i < deep.size(); i += 2)
        high.push_back(deep[i]);
    const std::vector<png_color> palette = {{10, 20, 30}, {200, 100, 50}, {0, 255, 0}};
    // Width 3: the first run of 4 crosses into the second row.
    const Pixels rle = {0x83, 1, 2, 3, 0x01, 7, 8, 9, 4, 5, 6};

    const std::vector<Good> cases = {
        {"png rgb", &kPng, encodePNG(3, 2, rgb), 3, 2, GL_RGB, 0, flipRows(rgb, 9)},
        {"png rgba", &kPng, encodePNG(3, 2, rgba, PNG_COLOR_TYPE_RGBA), 3, 2, GL_RGBA, 0, flipRows(rgba, 12)},
        {"png grey", &kPng, encodePNG(3, 2, grey, PNG_COLOR_TYPE_GRAY), 3, 2, GL_RED, GL_ONE, flipRows(grey, 3)},
        {"png grey+alpha", &kPng, encodePNG(3, 2, ga, PNG_COLOR_TYPE_GRAY_ALPHA), 3, 2, GL_RG, GL_GREEN,
         flipRows(ga, 6)},
        // 1-bit rows of width 10 take two bytes each.
        {"png grey 1-bit", &kPng, encodePNG(10, 2, {0xB2, 0x40, 0x01, 0x80}, PNG_COLOR_TYPE_GRAY, 1), 10, 2, GL_RED,
         GL_ONE, {0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 255}},
        {"png grey 4-bit", &kPng, encodePNG(3, 2, {0x0F, 0x80, 0x12, 0x30}, PNG_COLOR_TYPE_GRAY, 4), 3, 2, GL_RED,
         GL_ONE, {17, 34, 51, 0, 255, 136}},
        {"png palette", &kPng, encodePNG(3, 1, {2, 0, 1}, PNG_COLOR_TYPE_PALETTE, 8, false, palette), 3, 1, GL_RGB, 0,
         {0, 255, 0, 10, 20, 30, 200, 100, 50}},
        {"png palette+tRNS", &kPng, encodePNG(3, 1, {2, 0, 1}, PNG_COLOR_TYPE_PALETTE, 8, false, palette, {255, 128}),
         3, 1, GL_RGBA, 0, {0, 255, 0, 255, 10, 20, 30, 255, 200, 100, 50, 128}},
        {"png rgb 16-bit", &kPng, encodePNG(3, 2, deep, PNG_COLOR_TYPE_RGB, 16), 3, 2, GL_RGB, 0, flipRows(high, 9)},
        {"png interlaced", &kPng, encodePNG(7, 5, distinct(7, 5, 3), PNG_COLOR_TYPE_RGB, 8, true), 7, 5, GL_RGB, 0,
         flipRows(distinct(7, 5, 3), 21)},

        {"tga 24-bit", &kTga, tga(2, 3, 2, 24, rgb), 3, 2, GL_BGR, 0, rgb},
        {"tga 32-bit", &kTga, tga(2, 3, 2, 32, rgba), 3, 2, GL_BGRA, 0, rgba},
        {"tga 8-bit grey", &kTga, tga(3, 3, 2, 8, grey), 3, 2, GL_RED, GL_ONE, grey},
        {"tga top row first", &kTga, tga(2, 3, 2, 24, rgb, 0x20), 3, 2, GL_BGR, 0, flipRows(rgb, 9)},
        {"tga image ID skipped", &kTga, tga(2, 3, 2, 24, rgb, 0, 5), 3, 2, GL_BGR, 0, rgb},
        {"tga colour map skipped", &kTga, tga(2, 3, 2, 24, rgb, 0, 0, 4), 3, 2, GL_BGR, 0, rgb},
        {"tga run-length 24-bit", &kTga, tga(10, 3, 2, 24, rle), 3, 2, GL_BGR, 0,
         {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 7, 8, 9, 4, 5, 6}},
        {"tga run-length grey, top first", &kTga, tga(11, 3, 2, 8, {0x02, 10, 20, 30, 0x82, 99}, 0x20), 3, 2, GL_RED,
         GL_ONE, {99, 99, 99, 10, 20, 30}},
    };
    TempDir dir;
    for (const Good& c : cases) {
        SCOPED_TRACE(c.label);
        DecodedImage fromMemory, fromFile;
        testing::internal::CaptureStderr();
        ASSERT_TRUE(c.decoder->memory(bytesOf(c.file), c.file.size(), "t", fromMemory, kMaxDecodedBytes));
        ASSERT_TRUE(c.decoder->file(dir.write("t", c.file).c_str(), fromFile, kMaxDecodedBytes));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        for (const DecodedImage* image : {&fromMemory, &fromFile}) {
            EXPECT_EQ(image->width, c.width);
            EXPECT_EQ(image->height, c.height);
            EXPECT_EQ(image->format, c.format);
            EXPECT_EQ(pixelsOf(*image), c.expected);
            const std::vector<int> swizzle(image->swizzle, image->swizzle + 4);
            EXPECT_EQ(image->swizzled, c.alphaSwizzle != 0);
            if (c.alphaSwizzle) {
                EXPECT_EQ(swizzle, (std::vector<int>{GL_RED, GL_RED, GL_RED, c.alphaSwizzle}));
            }
        }
    }
}

std::uint32_t crc32(const std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
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
    putBig32(file, 29, crc32(file.substr(12, 17)));
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
    const std::string bigJpeg = encodeJPEG(64, 64, distinct(64, 64, 3));
    // Cut inside the scan data: the header reads, the pixels do not.
    const std::string cutJpeg = dir.write("cut.jpg", bigJpeg.substr(0, bigJpeg.size() * 3 / 4));
    const std::string cutPng = dir.write("cut.png", png.substr(0, png.size() - 20));
    const std::string cutTga = dir.write("cut.tga", tga(2, 3, 2, 24, Pixels(17, 7)));
    std::string badCrc = png;
    badCrc[png.find("IDAT") + 8] ^= 0x5a;
    const Pixels px(18, 7);

    const std::vector<Refusal> cases = {
        {"jpeg missing", &kJpeg, true, missing, "cannot open: No such file or directory"},
        {"jpeg empty file", &kJpeg, true, empty, "empty file"},
        {"jpeg cut short", &kJpeg, true, cutJpeg, "cannot decode JPEG"},
        {"jpeg not a jpeg", &kJpeg, false, png, "cannot read JPEG header"},
        {"jpeg empty bytes", &kJpeg, false, "", "empty file"},
        {"jpeg over 2^31 bytes", &kJpeg, false, jpegClaiming(60000, 60000),
         "60000x60000 picture needs 10800000000 bytes"},
        {"jpeg over the caller's limit", &kJpeg, false, jpeg, "more than the 100-byte limit", 100},

        {"png missing", &kPng, true, missing, "cannot open: No such file or directory"},
        {"png empty file", &kPng, true, empty, "empty file"},
        {"png cut short", &kPng, true, cutPng, "file ends early"},
        {"png not a png", &kPng, false, jpeg, "cannot decode PNG: Not a PNG file"},
        {"png header only", &kPng, false, png.substr(0, 8), "file ends early"},
        {"png damaged data", &kPng, false, badCrc, "cannot decode PNG: IDAT"},
        {"png over 2^31 bytes", &kPng, false, pngClaiming(40000, 20000), "40000x20000 picture needs 3200000000 bytes"},
        {"png zero width", &kPng, false, pngClaiming(0, 2), "cannot decode PNG: Invalid IHDR data"},
        {"png over the caller's limit", &kPng, false, png, "more than the 100-byte limit", 100},

        {"tga missing", &kTga, true, missing, "cannot open: No such file or directory"},
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

// Damaged ancillary chunks do not stop the picture; their warnings make one line, not one each.
TEST(PngDecoder, WarningsMakeOneLine)
{
    std::string file = encodePNG(2, 2, distinct(2, 2, 3));
    const std::string badText = std::string("\0\0\0\x03tEXta\0b", 11) + "\xDE\xAD\xBE\xEF";
    file.insert(33, badText + badText + badText); // after the signature and IHDR
    DecodedImage image;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(decodePNG(bytesOf(file), file.size(), "w.png", image));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(err.rfind("w.png: libpng warning: ", 0), 0u) << err;
    EXPECT_EQ(pixelsOf(image), flipRows(distinct(2, 2, 3), 6));
}

} // namespace
