#include "vornak/ImageDecoder.h"
#include "vornak/ImageDecoder_internal.h"
#include "vornak/Log.h"
#include "vornak/PictureDecoder.h"

#include "support/ImageFiles.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <libheif/heif.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace testimg;
using namespace vornak_engine;

const std::uint8_t* bytesOf(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

// A top-first RGB picture and the turns EXIF speaks of.
struct Picture {
    int width, height;
    Pixels rgb;
    const std::uint8_t* at(int x, int y) const { return &rgb[std::size_t(y * width + x) * 3]; }
};

Picture turnedClockwise(const Picture& p)
{
    Picture out{p.height, p.width, {}};
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.rgb.insert(out.rgb.end(), p.at(y, p.height - 1 - x), p.at(y, p.height - 1 - x) + 3);
    return out;
}

Picture mirrored(const Picture& p)
{
    Picture out{p.width, p.height, {}};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            out.rgb.insert(out.rgb.end(), p.at(p.width - 1 - x, y), p.at(p.width - 1 - x, y) + 3);
    return out;
}

// 48x32: four flat quadrants (red, green / blue, white) and a black 8x8 mark in the red one's
// top-left corner, every edge on JPEG's 8x8 blocks: any turn or mirror shows.
Picture upright()
{
    Picture p{48, 32, {}};
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x) {
            const bool top = y < 16, left = x < 24, mark = x < 8 && y < 8;
            // red | green over blue | white
            const int r = mark ? 0 : top ? (left ? 255 : 0) : (left ? 0 : 255);
            const int g = mark ? 0 : top ? (left ? 0 : 255) : (left ? 0 : 255);
            const int b = mark ? 0 : top ? 0 : 255;
            p.rgb.insert(p.rgb.end(), {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)});
        }
    return p;
}

// How a camera stores the upright picture for each EXIF orientation: the
// stored one turned by the value's meaning shows upright.
Picture storedFor(const Picture& up, int orientation)
{
    const auto cw = [](const Picture& p, int times) {
        Picture q = p;
        for (int i = 0; i < times; ++i)
            q = turnedClockwise(q);
        return q;
    };
    switch (orientation) {
    case 2: return mirrored(up);               // shown mirrored
    case 3: return cw(up, 2);                  // shown turned 180
    case 4: return mirrored(cw(up, 2));        // shown flipped top to bottom
    case 5: return mirrored(cw(up, 1));        // shown transposed
    case 6: return cw(up, 3);                  // shown turned 90 clockwise
    case 7: return mirrored(cw(up, 3));        // shown transverse
    case 8: return cw(up, 1);                  // shown turned 90 anticlockwise
    default: return up;
    }
}

// A TIFF structure with IFD0's entries {tag, type, count, value}, in either byte order.
std::string tiff(bool little, const std::vector<std::array<std::uint32_t, 4>>& entries, std::uint32_t ifd = 8)
{
    std::string t;
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            t += char(little ? v >> (8 * i) : v >> (8 * (bytes - 1 - i)));
    };
    t += little ? "II" : "MM";
    put(42, 2);
    put(ifd, 4);
    t.resize(std::max<std::size_t>(t.size(), ifd), '\0');
    put(std::uint32_t(entries.size()), 2);
    for (const auto& e : entries) {
        put(e[0], 2);
        put(e[1], 2);
        put(e[2], 4);
        put(e[3], 2); // a SHORT sits in the value field's first two bytes
        put(0, 2);
    }
    put(0, 4);
    return t;
}

// The JPEG with an APP1 Exif block right after its start marker.
std::string withExif(const std::string& jpeg, const std::string& tiffBytes,
                     const std::string& head = std::string("Exif\0\0", 6))
{
    const std::string body = head + tiffBytes;
    std::string segment = "\xFF\xE1";
    segment += char((body.size() + 2) >> 8);
    segment += char((body.size() + 2) & 0xff);
    return jpeg.substr(0, 2) + segment + body + jpeg.substr(2);
}

std::string jpegOf(const Picture& p) { return encodeJPEG(p.width, p.height, p.rgb); }

int worstDifference(const DecodedImage& got, const Pixels& rgbBottomUp)
{
    const int channels = got.format == GL_RGBA ? 4 : 3;
    int worst = 0;
    for (std::size_t i = 0, j = 0; j + 3 <= rgbBottomUp.size(); i += channels, j += 3)
        for (int c = 0; c < 3; ++c)
            worst = std::max(worst, std::abs(int(got.pixels[i + c]) - int(rgbBottomUp[j + c])));
    return worst;
}

// One line of the engine's, caught through its message callback.
struct Lines {
    Lines() { setLogCallback([](LogLevel, const char* m, void* self) { static_cast<Lines*>(self)->text += m + std::string("\n"); }, this); }
    ~Lines() { setLogCallback(nullptr); }
    std::string text;
};

// Every EXIF orientation, in both byte orders, shows the picture upright and the right way round,
// whole and reduced (the target's sides swap with the turn), and the header query tells it.
TEST(PictureDecoder, EveryExifOrientationShowsThePictureUpright)
{
    const Picture up = upright();
    const Pixels want = flipRows(up.rgb, std::size_t(up.width) * 3);
    const SizeLimit half{24, 24, Fit::Contain};
    DecodedImage reference;
    const std::string plain = jpegOf(up);
    ASSERT_TRUE(decodePicture(bytesOf(plain), plain.size(), "up.jpg", IMG_AUTO, half, reference));
    ASSERT_EQ(std::make_pair(reference.width, reference.height), std::make_pair(24, 16));
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (bool little : {true, false}) {
            SCOPED_TRACE("orientation " + std::to_string(orientation) + (little ? " II" : " MM"));
            const Picture stored = storedFor(up, orientation);
            const std::string file = withExif(jpegOf(stored), tiff(little, {{0x0112, 3, 1, std::uint32_t(orientation)}}));
            Lines lines;
            PictureInfo info;
            ASSERT_TRUE(readPictureInfo(bytesOf(file), file.size(), "o.jpg", info));
            EXPECT_EQ(std::make_tuple(info.type, info.width, info.height, info.orientation, info.uprightWidth(),
                                      info.uprightHeight()),
                      std::make_tuple(IMG_JPEG, stored.width, stored.height, orientation, 48, 32));
            DecodedImage whole, reduced;
            ASSERT_TRUE(decodePicture(bytesOf(file), file.size(), "o.jpg", IMG_AUTO, SizeLimit(), whole));
            ASSERT_EQ(std::make_tuple(whole.width, whole.height, whole.format), std::make_tuple(48, 32, GLenum(GL_RGBA)));
            EXPECT_LE(worstDifference(whole, want), 8);
            ASSERT_TRUE(decodePicture(bytesOf(file), file.size(), "o.jpg", IMG_JPEG, half, reduced));
            ASSERT_EQ(std::make_pair(reduced.width, reduced.height), std::make_pair(24, 16));
            Pixels small;
            for (std::size_t i = 0; i < reference.size; i += 4)
                small.insert(small.end(), reference.pixels + i, reference.pixels + i + 3);
            EXPECT_LE(worstDifference(reduced, small), 8);
            EXPECT_EQ(lines.text, "");
        }
    }
}

// Damage in the EXIF block means orientation 1, never an error: the picture still decodes, silently.
TEST(PictureDecoder, ADamagedOrAbsentExifBlockMeansOrientationOne)
{
    const std::string jpeg = jpegOf(upright());
    const std::string good = tiff(false, {{0x0112, 3, 1, 6}});
    std::string cutIfd = good.substr(0, 12), hugeCount = good;
    hugeCount[9] = char(0xff); // 65535 entries in a block of one
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"no EXIF", jpeg},
        {"orientation 0", withExif(jpeg, tiff(true, {{0x0112, 3, 1, 0}}))},
        {"orientation 9", withExif(jpeg, tiff(true, {{0x0112, 3, 1, 9}}))},
        {"orientation as a LONG", withExif(jpeg, tiff(true, {{0x0112, 4, 1, 6}}))},
        {"no orientation among other tags", withExif(jpeg, tiff(true, {{0x010f, 2, 4, 0}, {0x0110, 2, 4, 0}}))},
        {"IFD offset past the block", withExif(jpeg, tiff(true, {{0x0112, 3, 1, 6}}, 8).replace(4, 4, "\xF0\0\0\0", 4))},
        {"IFD offset inside the header", withExif(jpeg, tiff(true, {{0x0112, 3, 1, 6}}).replace(4, 4, "\x02\0\0\0", 4))},
        {"IFD offset near 2^32", withExif(jpeg, tiff(true, {{0x0112, 3, 1, 6}}).replace(4, 4, "\xFE\xFF\xFF\xFF", 4))},
        {"entries cut short", withExif(jpeg, cutIfd)},
        {"entry count past the block", withExif(jpeg, hugeCount)},
        {"unknown byte order", withExif(jpeg, "XX" + good.substr(2))},
        {"not 42", withExif(jpeg, good.substr(0, 3) + "\x2b" + good.substr(4))},
        {"empty block", withExif(jpeg, "")},
        {"not Exif", withExif(jpeg, good, std::string("Exig\0\0", 6))},
    };
    for (const auto& [label, file] : cases) {
        SCOPED_TRACE(label);
        EXPECT_EQ(jpegOrientation(bytesOf(file), file.size()), 1);
        Lines lines;
        DecodedImage image;
        EXPECT_TRUE(decodePicture(bytesOf(file), file.size(), "d.jpg", IMG_AUTO, SizeLimit(), image));
        EXPECT_EQ(std::make_pair(image.width, image.height), std::make_pair(48, 32));
        EXPECT_EQ(lines.text, "");
    }
    // The block's own length past the file's end ends the walk: no orientation read.
    std::string runsOff = withExif(jpeg, good);
    runsOff[4] = char(0x7f);
    EXPECT_EQ(jpegOrientation(bytesOf(runsOff), runsOff.size()), 1);
    const std::string turned = withExif(jpeg, good);
    EXPECT_EQ(jpegOrientation(bytesOf(turned), turned.size()), 6);
    EXPECT_EQ(jpegOrientation(bytesOf(turned), 30), 1) << "cut inside the block";
}

// The size a picture is decoded at, for JPEG (DCT scaling, then the filter) and PNG (the filter alone):
// the largest that covers or fits in the box, never enlarged, at least one pixel, the deciding side exact.
TEST(PictureDecoder, APictureIsDecodedAtTheSizeItIsDrawnAt)
{
    const struct {
        int width, height;
        SizeLimit limit;
        int wantWidth, wantHeight;
    } cases[] = {
        {64, 48, {32, 32, Fit::Contain}, 32, 24},
        {64, 48, {32, 32, Fit::Cover}, 43, 32},
        {64, 48, {16, 9, Fit::Cover}, 16, 12},
        {64, 48, {16, 9, Fit::Contain}, 12, 9},
        {64, 48, {100, 100, Fit::Contain}, 64, 48}, // never enlarged
        {64, 48, {64, 10, Fit::Cover}, 64, 48},     // covering needs it whole
        {64, 48, {0, 10, Fit::Contain}, 64, 48},    // no limit
        {64, 48, {7, 100, Fit::Contain}, 7, 5},
        {1000, 10, {10, 10, Fit::Contain}, 10, 1},  // at least one pixel
        {3, 500, {1, 1, Fit::Cover}, 1, 167},
        {40, 30, {40, 30, Fit::Cover}, 40, 30},
        {41, 31, {8, 8, Fit::Contain}, 8, 6},       // 1/4 of 41 rounds up to 11
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " in " + std::to_string(c.limit.width) +
                     "x" + std::to_string(c.limit.height) + (c.limit.fit == Fit::Cover ? " cover" : " contain"));
        int w = 0, h = 0;
        fittedSize(c.width, c.height, c.limit, w, h);
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(c.wantWidth, c.wantHeight));
        const Pixels rgb = distinct(c.width, c.height, 3);
        const std::string jpeg = encodeJPEG(c.width, c.height, rgb), png = encodePNG(c.width, c.height, rgb);
        DecodedImage fromJpeg, fromPng, whole;
        ASSERT_TRUE(decodePicture(bytesOf(jpeg), jpeg.size(), "s.jpg", IMG_AUTO, c.limit, fromJpeg));
        ASSERT_TRUE(decodePicture(bytesOf(png), png.size(), "s.png", IMG_AUTO, c.limit, fromPng));
        EXPECT_EQ(std::make_tuple(fromJpeg.width, fromJpeg.height, fromJpeg.format, fromPng.width, fromPng.height,
                                  fromPng.format),
                  std::make_tuple(w, h, GLenum(GL_RGBA), w, h, GLenum(GL_RGB)));
        EXPECT_EQ(fromJpeg.size, std::size_t(w * h * 4));
        if (w == c.width && h == c.height) { // small enough: exactly today's reader
            ASSERT_TRUE(decodeJPEGRgba(bytesOf(jpeg), jpeg.size(), "s.jpg", whole));
            EXPECT_TRUE(std::equal(whole.pixels, whole.pixels + whole.size, fromJpeg.pixels));
        }
    }
}

// The files TurboJPEG's header call refuses scale on libjpeg's own path: unusual sampling, and
// four-colour files, which stay three bytes a pixel.
TEST(PictureDecoder, JpegsReadThroughLibjpegAreReducedToo)
{
    Pixels rgb, cmyk; // smooth, as photos are: the DCT's and the filter's smoothing then agree
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            rgb.insert(rgb.end(), {std::uint8_t(x * 4), std::uint8_t(y * 5), 128});
            cmyk.insert(cmyk.end(), {std::uint8_t(255 - x * 3), std::uint8_t(255 - y * 4), 200, 230});
        }
    const struct {
        const char* label; JpegLayout layout; Pixels pixels; GLenum format;
    } cases[] = {
        {"unusual sampling", {JCS_RGB, JCS_UNKNOWN, true, {2, 1, 1, 1, 2, 1}, 0}, rgb, GL_RGBA},
        {"Adobe CMYK", {JCS_CMYK, JCS_CMYK, true, {}, 0}, cmyk, GL_RGB},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string file = encodeJPEG(64, 48, c.pixels, c.layout);
        DecodedImage whole, reduced, filtered;
        Lines lines;
        ASSERT_TRUE(decodePicture(bytesOf(file), file.size(), "l.jpg", IMG_AUTO, SizeLimit(), whole));
        ASSERT_TRUE(decodePicture(bytesOf(file), file.size(), "l.jpg", IMG_AUTO, {20, 20, Fit::Contain}, reduced));
        EXPECT_EQ(lines.text, "");
        EXPECT_EQ(std::make_tuple(whole.width, whole.height, reduced.width, reduced.height, reduced.format),
                  std::make_tuple(64, 48, 20, 15, c.format));
        // The scaling itself, at two steps.
        DecodedImage half, eighth;
        ASSERT_TRUE(decodeJPEGScaled(bytesOf(file), file.size(), "l.jpg", 2, half, kMaxDecodedBytes));
        ASSERT_TRUE(decodeJPEGScaled(bytesOf(file), file.size(), "l.jpg", 8, eighth, kMaxDecodedBytes));
        EXPECT_EQ(std::make_tuple(half.width, half.height, eighth.width, eighth.height), std::make_tuple(32, 24, 8, 6));
        ASSERT_TRUE(reducePicture(whole, 20, 15, "l.jpg", filtered));
        double sum = 0;
        for (std::size_t i = 0; i < reduced.size; ++i)
            sum += std::abs(int(reduced.pixels[i]) - int(filtered.pixels[i]));
        EXPECT_LT(sum / double(reduced.size), 3.0);
    }
}

// A photo-like picture reduced while decoding is within a small mean of the whole picture filtered
// down; fine stripes, which point sampling turns to solid bars or moire, come out an even grey.
TEST(PictureDecoder, AReducedPictureMatchesTheWholeOneFilteredDownWithoutAliasing)
{
    const int w = 256, h = 192;
    Pixels photo, stripes, checks;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x - 90.0, y - 80.0);
            photo.insert(photo.end(), {std::uint8_t(x * 255 / w), std::uint8_t(d < 50 ? 220 : y * 255 / h),
                                       std::uint8_t(128 + 100 * std::sin(x * 0.05) * std::cos(y * 0.07))});
            const std::uint8_t s = x % 2 ? 255 : 0, k = (x + y) % 2 ? 255 : 0;
            stripes.insert(stripes.end(), {s, s, s});
            checks.insert(checks.end(), {k, k, k});
        }
    const SizeLimit box{70, 70, Fit::Contain}; // 256 -> 70: 1/2 by DCT, then 128 -> 70 by the filter
    const std::string jpeg = encodeJPEG(w, h, photo);
    DecodedImage reduced, whole, filtered;
    ASSERT_TRUE(decodePicture(bytesOf(jpeg), jpeg.size(), "p.jpg", IMG_JPEG, box, reduced));
    ASSERT_TRUE(decodeJPEGRgba(bytesOf(jpeg), jpeg.size(), "p.jpg", whole));
    ASSERT_TRUE(reducePicture(whole, 70, 53, "p.jpg", filtered));
    ASSERT_EQ(std::make_tuple(reduced.width, reduced.height, reduced.size), std::make_tuple(70, 53, filtered.size));
    double sum = 0;
    for (std::size_t i = 0; i < reduced.size; ++i)
        sum += std::abs(int(reduced.pixels[i]) - int(filtered.pixels[i]));
    EXPECT_LT(sum / double(reduced.size), 1.5);

    for (const auto& [label, pixels] : {std::make_pair("stripes", stripes), std::make_pair("checks", checks)}) {
        for (const std::string& file : {encodeJPEG(w, h, pixels), encodePNG(w, h, pixels)}) {
            SCOPED_TRACE(std::string(label) + (file[1] == 'P' ? " png" : " jpeg"));
            DecodedImage grey;
            ASSERT_TRUE(decodePicture(bytesOf(file), file.size(), "f", IMG_AUTO, box, grey));
            ASSERT_EQ(std::make_pair(grey.width, grey.height), std::make_pair(70, 53));
            const std::size_t channels = grey.format == GL_RGBA ? 4 : 3;
            int lowest = 255, highest = 0;
            for (std::size_t i = 0; i < grey.size; ++i) {
                if (i % channels == 3)
                    continue; // alpha
                lowest = std::min<int>(lowest, grey.pixels[i]);
                highest = std::max<int>(highest, grey.pixels[i]);
            }
            // A box of 256/70 pixels holds one stripe more or less than half: at most 255 / 2 / 3.66 off grey.
            EXPECT_GE(lowest, 90);
            EXPECT_LE(highest, 165);
        }
    }
}

// A HEIC stored sideways whose container turns it (irot) and whose EXIF copy says the same: turned
// once, as its container says. Made with libheif's encoder, as heif-enc makes files, because
// heif-enc itself writes no turn into the container.
TEST(PictureDecoder, ARotatedHeicCarryingAnExifOrientationIsTurnedOnce)
{
    const Picture up = upright();
    const Picture stored = storedFor(up, 6);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    ASSERT_EQ(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code, heif_error_Ok)
        << "no HEVC encoder in libheif";
    heif_encoder_set_lossy_quality(encoder, 95);
    heif_image* image = nullptr;
    heif_image_create(stored.width, stored.height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, stored.width, stored.height, 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < stored.height; ++y)
        std::copy(stored.at(0, y), stored.at(0, y) + stored.width * 3, plane + y * stride);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation_rotate_90_cw;
    heif_image_handle* handle = nullptr;
    ASSERT_EQ(heif_context_encode_image(context, image, encoder, options, &handle).code, heif_error_Ok);
    const std::string exif = tiff(false, {{0x0112, 3, 1, 6}});
    ASSERT_EQ(heif_context_add_exif_metadata(context, handle, exif.data(), int(exif.size())).code, heif_error_Ok);
    std::string file;
    heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* to) {
                           static_cast<std::string*>(to)->append(static_cast<const char*>(data), size);
                           return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                       }};
    ASSERT_EQ(heif_context_write(context, &writer, &file).code, heif_error_Ok);
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    // The file as the case needs it: the turn in the container and orientation 6 in its EXIF.
    ASSERT_NE(file.find("irot"), std::string::npos);
    const std::size_t tiffAt = file.find("MM\0*", 0);
    ASSERT_NE(tiffAt, std::string::npos);
    ASSERT_EQ(file.substr(tiffAt + 18, 2), std::string("\0\x06", 2)) << "libheif rewrote the EXIF orientation";

    PictureInfo info;
    ASSERT_TRUE(readPictureInfo(bytesOf(file), file.size(), "turned.jpg", info));
    EXPECT_EQ(std::make_tuple(info.type, info.uprightWidth(), info.uprightHeight()), std::make_tuple(IMG_HEIC, 48, 32));
    DecodedImage decoded;
    ASSERT_TRUE(decodePicture(bytesOf(file), file.size(), "turned.jpg", IMG_AUTO, SizeLimit(), decoded));
    ASSERT_EQ(std::make_pair(decoded.width, decoded.height), std::make_pair(48, 32));
    // Each quadrant's middle and the mark: the codec blurs only near edges.
    for (const auto& [x, y] : {std::make_pair(4, 4), std::make_pair(16, 10), std::make_pair(36, 8),
                               std::make_pair(12, 24), std::make_pair(36, 24)}) {
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
        const std::uint8_t* got = decoded.pixels + std::size_t((31 - y) * 48 + x) * 3;
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(got[c], up.at(x, y)[c], 24);
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Headers that ask too much are refused with one line naming the file and its size before anything
// large is allocated: the cases run in a child whose address space has only 192 MB to spare, so an
// allocation for any of them fails there (an "out of memory" line instead of the refusal).
TEST(PictureDecoder, HostileHeadersAreRefusedWithOneLineBeforeAnyLargeAllocation)
{
    auto putBig = [](std::string& s, std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            s[at + std::size_t(i)] = char(v >> (8 * (bytes - 1 - i)));
    };
    const std::string jpeg = encodeJPEG(16, 16, distinct(16, 16, 3));
    const std::string progressive =
        encodeJPEG(16, 16, distinct(16, 16, 3), {JCS_RGB, JCS_UNKNOWN, true, {}, 1});
    const std::string png = encodePNG(16, 16, distinct(16, 16, 4), PNG_COLOR_TYPE_RGBA);
    std::string hugeJpeg = jpeg, bigProgressive = progressive, hugePng = png, bigPng = png;
    putBig(hugeJpeg, hugeJpeg.find("\xFF\xC0") + 5, 60000, 2);
    putBig(hugeJpeg, hugeJpeg.find("\xFF\xC0") + 7, 60000, 2);
    putBig(bigProgressive, bigProgressive.find("\xFF\xC2") + 5, 9000, 2);
    putBig(bigProgressive, bigProgressive.find("\xFF\xC2") + 7, 10000, 2);
    putBig(hugePng, 16, 60000, 4);
    putBig(hugePng, 20, 60000, 4);
    putBig(bigPng, 16, 11000, 4);
    putBig(bigPng, 20, 9000, 4);
    const struct {
        const char* label;
        std::string file;
        SizeLimit limit;
        std::string said;
    } cases[] = {
        {"jpeg 60000x60000", hugeJpeg, {1920, 1080, Fit::Cover},
         "m: 60000x60000 picture has 3600.0 megapixels, more than the 100-megapixel limit\n"},
        {"png 60000x60000", hugePng, {}, "m: 60000x60000 picture has 3600.0 megapixels, more than the 100-megapixel limit\n"},
        // 90 MP: within the pixels, but a progressive file holds every coefficient as well.
        {"progressive jpeg 10000x9000", bigProgressive, {}, "m: 10000x9000 picture needs 859 MB to decode, more than the 512 MB limit\n"},
        // 99 MP of RGBA whole plus its reduction.
        {"png 11000x9000 reduced", bigPng, {8000, 8000, Fit::Contain},
         "m: 11000x9000 picture needs 578 MB to decode, more than the 512 MB limit\n"},
        {"empty", "", {}, "m: empty file\n"},
        {"jpeg cut in its header", jpeg.substr(0, 40), {}, "m: unusable size 0x0\n"},
        {"png cut in its header", png.substr(0, 20), {}, "m: cannot decode PNG: "},
        {"png cut in its data", png.substr(0, png.size() - 30), {64, 64, Fit::Cover}, "m: cannot decode PNG: "},
        {"nothing known", "GIF89a....", {}, "m: not a picture this program reads (JPEG, PNG, HEIC, WebP or a .tga file): it starts with 47 49 46 38 39 61 2e 2e\n"},
        {"heic without its boxes", std::string("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24), {}, "m: cannot read HEIC: "},
        {"webp cut in its header", std::string("RIFF\x20\0\0\0WEBPVP8 ", 16), {}, "m: cannot read WebP header: "},
    };
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!kSanitized) {
            long pages = 0;
            if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
                if (std::fscanf(statm, "%ld", &pages) != 1)
                    pages = 0;
                std::fclose(statm);
            }
            const rlim_t room = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(192) << 20);
            const rlimit limit{room, room};
            setrlimit(RLIMIT_AS, &limit);
        }
        int failures = 0;
        for (const auto& c : cases) {
            Lines lines;
            DecodedImage image;
            const bool decoded = decodePicture(bytesOf(c.file), c.file.size(), "m", IMG_AUTO, c.limit, image);
            const bool said = c.said.back() == '\n' ? lines.text == c.said : lines.text.rfind(c.said, 0) == 0;
            const bool oneLine = std::count(lines.text.begin(), lines.text.end(), '\n') == 1;
            if (decoded || !said || !oneLine || !image.empty()) {
                std::fprintf(stderr, "%s: decoded %d, said \"%s\"\n", c.label, decoded, lines.text.c_str());
                ++failures;
            }
        }
        std::fflush(stderr);
        _exit(failures);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child crashed: signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "cases failed: their lines are above";
}

// The kind comes from the content, whatever the name says; TGA, which has none, from its name.
TEST(PictureDecoder, TheKindComesFromTheContent)
{
    const std::string jpeg = encodeJPEG(8, 8, distinct(8, 8, 3)), png = encodePNG(8, 8, distinct(8, 8, 3));
    const std::string targa = tga(2, 8, 8, 24, distinct(8, 8, 3));
    const std::string heic = std::string("\0\0\0\x1c" "ftypmif1\0\0\0\0mif1miafheic", 28);
    const std::string avifOnly = std::string("\0\0\0\x14" "ftypisom\0\0\0\0avif", 20);
    const std::string mp4 = std::string("\0\0\0\x14" "ftypisom\0\0\0\0mp41", 20);
    const std::tuple<std::string, std::string, ImgType> cases[] = {
        {"jpeg named .png", jpeg, IMG_JPEG},     {"png named .jpg", png, IMG_PNG},
        {"webp", std::string("RIFF\0\0\0\0WEBPVP8L", 16), IMG_WEBP}, {"heic by a compatible brand", heic, IMG_HEIC},
        {"avif", avifOnly, IMG_HEIC},            {"an mp4 video", mp4, IMG_AUTO},
        {"a.TGA", targa, IMG_TGA},               {"tga named .jpg", targa, IMG_AUTO},
        {"RIFF but a wave", std::string("RIFF\0\0\0\0WAVEfmt ", 16), IMG_AUTO},
    };
    for (const auto& [name, bytes, kind] : cases)
        EXPECT_EQ(sniffImageType(bytesOf(bytes), bytes.size(), name.c_str()), kind) << name;
    DecodedImage image;
    EXPECT_TRUE(decodePicture(bytesOf(targa), targa.size(), "x.tga", IMG_AUTO, SizeLimit(), image));
    EXPECT_EQ(std::make_tuple(image.width, image.height, image.format), std::make_tuple(8, 8, GLenum(GL_BGR)));
}

} // namespace
