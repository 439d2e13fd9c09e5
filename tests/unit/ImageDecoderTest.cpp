#include "engine/ImageDecoder.h"

#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace testimg;
using vornak_engine::DecodedImage;
using vornak_engine::decodeJPEG;
using vornak_engine::decodePNG;
using vornak_engine::decodeTGA;

const std::uint8_t* bytesOf(const std::string& s)
{
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

Pixels pixelsOf(const DecodedImage& image)
{
    return Pixels(image.pixels, image.pixels + image.size);
}

// One pixel of a decoded RGB buffer, x from the left, row from the bottom.
std::vector<int> rgbAt(const DecodedImage& image, int x, int row)
{
    const std::uint8_t* p = image.pixels + (static_cast<std::size_t>(row) * image.width + x) * 3;
    return {p[0], p[1], p[2]};
}

::testing::AssertionResult nearRgb(const std::vector<int>& got, const std::vector<int>& want, int tolerance)
{
    for (int i = 0; i < 3; ++i)
        if (std::abs(got[i] - want[i]) > tolerance)
            return ::testing::AssertionFailure()
                   << "got (" << got[0] << ", " << got[1] << ", " << got[2] << "), want (" << want[0] << ", "
                   << want[1] << ", " << want[2] << ")";
    return ::testing::AssertionSuccess();
}

const std::vector<int> kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

TEST(JpegDecoder, RowsComeBottomUpAsPackedRgb)
{
    const std::string file = encodeJPEG(16, 16, quadrants(16, 16));
    DecodedImage image;
    ASSERT_TRUE(decodeJPEG(bytesOf(file), file.size(), "q.jpg", image));
    EXPECT_EQ(image.width, 16);
    EXPECT_EQ(image.height, 16);
    EXPECT_EQ(image.format, unsigned(GL_RGB));
    EXPECT_FALSE(image.swizzled);
    EXPECT_EQ(image.size, 16u * 16u * 3u);
    // The file's top row is the buffer's last.
    EXPECT_TRUE(nearRgb(rgbAt(image, 2, 15), kRed, 4));
    EXPECT_TRUE(nearRgb(rgbAt(image, 13, 15), kGreen, 4));
    EXPECT_TRUE(nearRgb(rgbAt(image, 2, 0), kBlue, 4));
    EXPECT_TRUE(nearRgb(rgbAt(image, 13, 0), kWhite, 4));
}

// Width 10: rows of 30 bytes lie back to back with no padding.
TEST(JpegDecoder, OddRowLengthIsPackedWithoutPadding)
{
    Pixels rgb;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            rgb.insert(rgb.end(), {std::uint8_t(x < 8 ? 255 : 0), std::uint8_t(x < 8 ? 0 : 255), 0});
    const std::string file = encodeJPEG(10, 8, rgb);
    DecodedImage image;
    ASSERT_TRUE(decodeJPEG(bytesOf(file), file.size(), "odd.jpg", image));
    ASSERT_EQ(image.size, 10u * 8u * 3u);
    for (int row = 0; row < 8; ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        EXPECT_TRUE(nearRgb(rgbAt(image, 0, row), kRed, 6));
        EXPECT_TRUE(nearRgb(rgbAt(image, 7, row), kRed, 6));
        EXPECT_TRUE(nearRgb(rgbAt(image, 9, row), kGreen, 6));
    }
}

struct PngCase {
    const char* label;
    PngOptions options;
    int width;
    int height;
    Pixels file;     // rows as the PNG stores them, top first
    unsigned format;
    int alphaSwizzle; // 0: no swizzle
    Pixels expected; // decoded, bottom-up
};

Pixels concat(std::initializer_list<Pixels> parts)
{
    Pixels all;
    for (const Pixels& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST(PngDecoder, EveryKindDecodesToItsTruePictureBottomUp)
{
    PngOptions rgb, rgba, grey, greyAlpha, grey1, grey4, palette, paletteAlpha, deep, interlaced;
    rgba.colourType = PNG_COLOR_TYPE_RGBA;
    grey.colourType = PNG_COLOR_TYPE_GRAY;
    greyAlpha.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    grey1.colourType = PNG_COLOR_TYPE_GRAY;
    grey1.bitDepth = 1;
    grey4.colourType = PNG_COLOR_TYPE_GRAY;
    grey4.bitDepth = 4;
    palette.colourType = PNG_COLOR_TYPE_PALETTE;
    palette.palette = {{10, 20, 30}, {200, 100, 50}, {0, 255, 0}};
    paletteAlpha = palette;
    paletteAlpha.paletteAlpha = {255, 128};
    deep.bitDepth = 16;
    interlaced.interlaced = true;

    // 16-bit samples: the high byte is kept.
    Pixels deepRows, deepWant;
    for (int i = 0; i < 3 * 2 * 3; ++i) {
        deepRows.insert(deepRows.end(), {std::uint8_t(i * 13), std::uint8_t(255 - i)});
    }
    for (int row = 1; row >= 0; --row)
        for (int i = 0; i < 9; ++i)
            deepWant.push_back(std::uint8_t((row * 9 + i) * 13));

    const std::vector<PngCase> cases = {
        {"rgb", rgb, 3, 2, distinct(3, 2, 3), GL_RGB, 0, flipRows(distinct(3, 2, 3), 9)},
        {"rgba", rgba, 3, 2, distinct(3, 2, 4), GL_RGBA, 0, flipRows(distinct(3, 2, 4), 12)},
        {"grey", grey, 3, 2, distinct(3, 2, 1), GL_RED, GL_ONE, flipRows(distinct(3, 2, 1), 3)},
        {"grey+alpha", greyAlpha, 3, 2, distinct(3, 2, 2), GL_RG, GL_GREEN, flipRows(distinct(3, 2, 2), 6)},
        // 1-bit rows of width 10 take two bytes each.
        {"grey 1-bit", grey1, 10, 2, {0xB2, 0x40, 0x01, 0x80}, GL_RED, GL_ONE,
         concat({{0, 0, 0, 0, 0, 0, 0, 255, 255, 0}, {255, 0, 255, 255, 0, 0, 255, 0, 0, 255}})},
        {"grey 4-bit", grey4, 3, 2, {0x0F, 0x80, 0x12, 0x30}, GL_RED, GL_ONE, {17, 34, 51, 0, 255, 136}},
        {"palette", palette, 3, 1, {2, 0, 1}, GL_RGB, 0, {0, 255, 0, 10, 20, 30, 200, 100, 50}},
        {"palette+tRNS", paletteAlpha, 3, 1, {2, 0, 1}, GL_RGBA, 0,
         {0, 255, 0, 255, 10, 20, 30, 255, 200, 100, 50, 128}},
        {"rgb 16-bit", deep, 3, 2, deepRows, GL_RGB, 0, deepWant},
        {"interlaced", interlaced, 7, 5, distinct(7, 5, 3), GL_RGB, 0, flipRows(distinct(7, 5, 3), 21)},
    };
    for (const PngCase& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string file = encodePNG(c.width, c.height, c.file, c.options);
        DecodedImage image;
        testing::internal::CaptureStderr();
        ASSERT_TRUE(decodePNG(bytesOf(file), file.size(), "t.png", image));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        EXPECT_EQ(image.format, c.format);
        EXPECT_EQ(pixelsOf(image), c.expected);
        EXPECT_EQ(image.swizzled, c.alphaSwizzle != 0);
        if (c.alphaSwizzle) {
            const int want[4] = {GL_RED, GL_RED, GL_RED, c.alphaSwizzle};
            EXPECT_TRUE(std::equal(want, want + 4, image.swizzle));
        }
    }
}

struct TgaCase {
    const char* label;
    TgaHeader header;
    Pixels data;
    unsigned format;
    Pixels expected; // bottom-up
};

TEST(TgaDecoder, HandledKindsDecodeBottomUp)
{
    auto header = [](int type, int w, int h, int depth, int descriptor = 0) {
        TgaHeader t;
        t.imageType = type;
        t.width = w;
        t.height = h;
        t.depth = depth;
        t.descriptor = descriptor;
        return t;
    };
    const Pixels bgr = distinct(3, 2, 3);
    TgaHeader withId = header(2, 3, 2, 24);
    withId.idLength = 5;
    TgaHeader withMap = header(2, 3, 2, 24);
    withMap.mapType = 1;
    withMap.mapLength = 4;
    withMap.mapEntryBits = 24;
    // Width 3: a run of 4 crosses from the first row into the second.
    const Pixels rle = {0x83, 1, 2, 3, 0x01, 7, 8, 9, 4, 5, 6};
    const Pixels rleWant = {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 7, 8, 9, 4, 5, 6};
    const Pixels rleGrey = {0x02, 10, 20, 30, 0x82, 99};
    const std::vector<TgaCase> cases = {
        {"24-bit", header(2, 3, 2, 24), bgr, GL_BGR, bgr},
        {"32-bit", header(2, 3, 2, 32), distinct(3, 2, 4), GL_BGRA, distinct(3, 2, 4)},
        {"8-bit grey", header(3, 3, 2, 8), distinct(3, 2, 1), GL_RED, distinct(3, 2, 1)},
        {"top row first", header(2, 3, 2, 24, 0x20), bgr, GL_BGR, flipRows(bgr, 9)},
        {"image ID skipped", withId, bgr, GL_BGR, bgr},
        {"colour map skipped", withMap, bgr, GL_BGR, bgr},
        {"run-length 24-bit", header(10, 3, 2, 24), rle, GL_BGR, rleWant},
        {"run-length grey, top first", header(11, 3, 2, 8, 0x20), rleGrey, GL_RED, {99, 99, 99, 10, 20, 30}},
    };
    TempDir dir;
    for (const TgaCase& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string file = tga(c.header, c.data);
        DecodedImage fromMemory, fromFile;
        ASSERT_TRUE(decodeTGA(bytesOf(file), file.size(), "t.tga", fromMemory));
        ASSERT_TRUE(decodeTGA(dir.write("t.tga", file).c_str(), fromFile));
        for (const DecodedImage* image : {&fromMemory, &fromFile}) {
            EXPECT_EQ(image->width, 3);
            EXPECT_EQ(image->height, 2);
            EXPECT_EQ(image->format, c.format);
            EXPECT_EQ(pixelsOf(*image), c.expected);
            EXPECT_EQ(image->swizzled, c.format == unsigned(GL_RED));
            if (image->swizzled) {
                const int want[4] = {GL_RED, GL_RED, GL_RED, GL_ONE};
                EXPECT_TRUE(std::equal(want, want + 4, image->swizzle));
            }
        }
    }
}

TEST(Decoders, FileAndMemoryAgree)
{
    TempDir dir;
    const std::string jpeg = encodeJPEG(16, 16, quadrants(16, 16));
    const std::string png = encodePNG(5, 3, distinct(5, 3, 4), [] {
        PngOptions o;
        o.colourType = PNG_COLOR_TYPE_RGBA;
        return o;
    }());
    DecodedImage a, b;
    ASSERT_TRUE(decodeJPEG(bytesOf(jpeg), jpeg.size(), "m.jpg", a));
    ASSERT_TRUE(decodeJPEG(dir.write("f.jpg", jpeg).c_str(), b));
    EXPECT_EQ(pixelsOf(a), pixelsOf(b));
    ASSERT_TRUE(decodePNG(bytesOf(png), png.size(), "m.png", a));
    ASSERT_TRUE(decodePNG(dir.write("f.png", png).c_str(), b));
    EXPECT_EQ(pixelsOf(a), pixelsOf(b));
    EXPECT_EQ(b.format, unsigned(GL_RGBA));
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

void putBig32(std::string& s, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (24 - 8 * i)) & 0xff);
}

// A valid PNG whose header claims another size (the IHDR checksum kept right).
std::string pngClaiming(std::uint32_t width, std::uint32_t height)
{
    std::string file = encodePNG(2, 2, distinct(2, 2, 4), [] {
        PngOptions o;
        o.colourType = PNG_COLOR_TYPE_RGBA;
        return o;
    }());
    putBig32(file, 16, width);
    putBig32(file, 20, height);
    putBig32(file, 29, crc32(file.substr(12, 17)));
    return file;
}

// A valid JPEG whose frame header claims another size.
std::string jpegClaiming(int width, int height)
{
    std::string file = encodeJPEG(8, 8, quadrants(8, 8));
    const std::size_t sof = file.find("\xFF\xC0");
    file[sof + 5] = static_cast<char>(height >> 8);
    file[sof + 6] = static_cast<char>(height & 0xff);
    file[sof + 7] = static_cast<char>(width >> 8);
    file[sof + 8] = static_cast<char>(width & 0xff);
    return file;
}

struct Refusal {
    std::string label;
    std::string name;   // what the message must start with
    std::string reason; // what it must contain
    std::function<bool(DecodedImage&)> decode;
};

TEST(Decoders, DamagedInputIsRefusedWithOneLine)
{
    TempDir dir;
    const std::string missing = dir.path() + "/missing.img";
    const std::string empty = dir.write("empty.img", "");
    const std::string jpeg = encodeJPEG(16, 16, quadrants(16, 16));
    const std::string png = encodePNG(16, 16, quadrants(16, 16));
    const std::string bigJpeg = encodeJPEG(64, 64, distinct(64, 64, 3));
    // Cut inside the scan data: the header reads, the pixels do not.
    const std::string cutJpeg = dir.write("cut.jpg", bigJpeg.substr(0, bigJpeg.size() * 3 / 4));
    const std::string cutPng = dir.write("cut.png", png.substr(0, png.size() - 20));
    std::string badCrc = png;
    badCrc[png.find("IDAT") + 8] ^= 0x5a;

    TgaHeader rgb24;
    rgb24.width = 3;
    rgb24.height = 2;
    auto tgaWith = [&](std::function<void(TgaHeader&)> change, std::size_t pixelBytes = 18) {
        TgaHeader h = rgb24;
        change(h);
        return tga(h, Pixels(pixelBytes, 7));
    };
    const std::string cutTga = dir.write("cut.tga", tgaWith([](TgaHeader&) {}, 17));

    auto jpegMem = [](std::string bytes, std::size_t limit = vornak_engine::kMaxDecodedBytes) {
        return [bytes, limit](DecodedImage& out) { return decodeJPEG(bytesOf(bytes), bytes.size(), "m.jpg", out, limit); };
    };
    auto pngMem = [](std::string bytes, std::size_t limit = vornak_engine::kMaxDecodedBytes) {
        return [bytes, limit](DecodedImage& out) { return decodePNG(bytesOf(bytes), bytes.size(), "m.png", out, limit); };
    };
    auto tgaMem = [](std::string bytes, std::size_t limit = vornak_engine::kMaxDecodedBytes) {
        return [bytes, limit](DecodedImage& out) { return decodeTGA(bytesOf(bytes), bytes.size(), "m.tga", out, limit); };
    };

    const std::vector<Refusal> cases = {
        {"jpeg missing", missing, "cannot open: No such file or directory",
         [&](DecodedImage& o) { return decodeJPEG(missing.c_str(), o); }},
        {"jpeg empty file", empty, "empty file", [&](DecodedImage& o) { return decodeJPEG(empty.c_str(), o); }},
        {"jpeg cut in half", cutJpeg, "cannot decode JPEG", [&](DecodedImage& o) { return decodeJPEG(cutJpeg.c_str(), o); }},
        {"jpeg not a jpeg", "m.jpg", "cannot read JPEG header", jpegMem(png)},
        {"jpeg empty bytes", "m.jpg", "empty file", jpegMem("")},
        {"jpeg over 2^31 bytes", "m.jpg", "60000x60000 picture needs 10800000000 bytes", jpegMem(jpegClaiming(60000, 60000))},
        {"jpeg over the caller's limit", "m.jpg", "more than the 100-byte limit", jpegMem(jpeg, 100)},

        {"png missing", missing, "cannot open: No such file or directory",
         [&](DecodedImage& o) { return decodePNG(missing.c_str(), o); }},
        {"png empty file", empty, "empty file", [&](DecodedImage& o) { return decodePNG(empty.c_str(), o); }},
        {"png cut short", cutPng, "file ends early", [&](DecodedImage& o) { return decodePNG(cutPng.c_str(), o); }},
        {"png not a png", "m.png", "cannot decode PNG: Not a PNG file", pngMem(jpeg)},
        {"png header only", "m.png", "file ends early", pngMem(png.substr(0, 8))},
        {"png damaged data", "m.png", "cannot decode PNG: IDAT", pngMem(badCrc)},
        {"png over 2^31 bytes", "m.png", "40000x20000 picture needs 3200000000 bytes", pngMem(pngClaiming(40000, 20000))},
        {"png zero width", "m.png", "cannot decode PNG: Invalid IHDR data", pngMem(pngClaiming(0, 2))},
        {"png over the caller's limit", "m.png", "more than the 100-byte limit", pngMem(png, 100)},

        {"tga missing", missing, "cannot open: No such file or directory",
         [&](DecodedImage& o) { return decodeTGA(missing.c_str(), o); }},
        {"tga empty file", empty, "empty file", [&](DecodedImage& o) { return decodeTGA(empty.c_str(), o); }},
        {"tga pixels cut short", cutTga, "file ends early: 17 of 18 pixel bytes",
         [&](DecodedImage& o) { return decodeTGA(cutTga.c_str(), o); }},
        {"tga header cut short", "m.tga", "file ends early: 10 of 18 header bytes", tgaMem(tgaWith([](TgaHeader&) {}).substr(0, 10))},
        {"tga ID runs past the end", "m.tga", "file ends early: header fields",
         tgaMem(tgaWith([](TgaHeader& h) { h.idLength = 200; }).substr(0, 40))},
        {"tga colour-mapped", "m.tga", "colour-mapped", tgaMem(tgaWith([](TgaHeader& h) { h.imageType = 1; }))},
        {"tga colour-mapped rle", "m.tga", "colour-mapped", tgaMem(tgaWith([](TgaHeader& h) { h.imageType = 9; }))},
        {"tga no image", "m.tga", "unsupported image type 0", tgaMem(tgaWith([](TgaHeader& h) { h.imageType = 0; }))},
        {"tga 16-bit", "m.tga", "unsupported depth of 16 bits", tgaMem(tgaWith([](TgaHeader& h) { h.depth = 16; }))},
        {"tga 24-bit grey", "m.tga", "unsupported depth of 24 bits", tgaMem(tgaWith([](TgaHeader& h) { h.imageType = 3; }))},
        {"tga zero width", "m.tga", "unusable size 0x2", tgaMem(tgaWith([](TgaHeader& h) { h.width = 0; }))},
        {"tga negative height", "m.tga", "unusable size 3x-2", tgaMem(tgaWith([](TgaHeader& h) { h.height = 0xFFFE; }))},
        {"tga over 2^31 bytes", "m.tga", "32767x32767 picture needs 4294705156 bytes",
         tgaMem(tgaWith([](TgaHeader& h) { h.width = h.height = 32767; h.depth = 32; }))},
        {"tga rle cut short", "m.tga", "run-length data stops at pixel 1 of 6",
         tgaMem(tgaWith([](TgaHeader& h) { h.imageType = 10; }, 0) + std::string("\x00\x01\x02\x03\x05\x01\x02", 7))},
        {"tga rle far too short", "m.tga", "cannot cover 2000 pixels",
         tgaMem(tgaWith([](TgaHeader& h) { h.imageType = 10; h.width = 1000; }, 0) + std::string("\xFF\x01\x02\x03", 4))},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.label);
        DecodedImage image;
        testing::internal::CaptureStderr();
        const bool decoded = c.decode(image);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(decoded);
        EXPECT_TRUE(image.empty());
        EXPECT_EQ(image.storage, nullptr);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(err.rfind(c.name + ": ", 0), 0u) << err;
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

// A decoder reused after a success must not keep the old picture on failure.
TEST(Decoders, FailureEmptiesAnEarlierResult)
{
    const std::string png = encodePNG(2, 2, distinct(2, 2, 3));
    DecodedImage image;
    ASSERT_TRUE(decodePNG(bytesOf(png), png.size(), "a.png", image));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(decodePNG(bytesOf(png), 10, "b.png", image));
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.width, 0);
}

} // namespace
