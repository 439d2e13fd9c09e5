#include "vornak/PictureDecoder.h"
#include "vornak/ImageDecoder_internal.h"

#include "vornak/FileData.h"
#include "vornak/GL.h"
#include "vornak/Log.h"
#include "vornak/Platform.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace vornak_engine {

namespace {

using Bytes = std::unique_ptr<std::uint8_t[]>;

// One line naming the file (Log.h).
constexpr auto report = logFileError;

int channelsOf(unsigned format)
{
    switch (format) {
    case GL_RED: return 1;
    case GL_RG: return 2;
    case GL_RGB: case GL_BGR: return 3;
    case GL_RGBA: case GL_BGRA: return 4;
    default: return 0;
    }
}

// A new picture of the same layout as `like`, pixels uninitialised.
bool allocateLike(const DecodedImage& like, int width, int height, const char* name, DecodedImage& out)
{
    out.release();
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                              static_cast<std::size_t>(channelsOf(like.format));
    out.storage.reset(new (std::nothrow) std::uint8_t[bytes]);
    if (!out.storage) {
        report(name, "out of memory for %zu bytes", bytes);
        return false;
    }
    out.pixels = out.storage.get();
    out.size = bytes;
    out.width = width;
    out.height = height;
    out.format = like.format;
    out.swizzled = like.swizzled;
    std::copy(like.swizzle, like.swizzle + 4, out.swizzle);
    return true;
}

// ---- the area filter ----
// On the CPU, not GL mipmaps with trilinear sampling: the texture is exactly
// the size drawn (no third more for the levels, no full-size upload first),
// keeps the one linear level every texture has, comes out the same on every
// GL, and is tested and fuzzed without one.

// Source pixel i covers [i * to, (i + 1) * to) and target pixel o covers
// [o * from, (o + 1) * from) on one integer axis, so every overlap is exact and
// each target pixel's weights sum to one.
struct Taps {
    std::vector<int> first; // per target pixel: its first source pixel
    std::vector<int> count; // and how many it covers
    std::vector<float> weight; // count[o] weights for each o, back to back
};

Taps tapsFor(int from, int to)
{
    Taps taps;
    taps.first.resize(static_cast<std::size_t>(to));
    taps.count.resize(static_cast<std::size_t>(to));
    const std::int64_t f = from, t = to;
    for (std::int64_t o = 0; o < t; ++o) {
        const std::int64_t begin = o * f, end = (o + 1) * f;
        const std::int64_t first = begin / t, last = (end - 1) / t;
        taps.first[static_cast<std::size_t>(o)] = static_cast<int>(first);
        taps.count[static_cast<std::size_t>(o)] = static_cast<int>(last - first + 1);
        for (std::int64_t i = first; i <= last; ++i) {
            const std::int64_t overlap = std::min(end, (i + 1) * t) - std::max(begin, i * t);
            taps.weight.push_back(static_cast<float>(overlap) / static_cast<float>(f));
        }
    }
    return taps;
}

template <int C>
void reduceRowsOf(const std::uint8_t* from, std::ptrdiff_t fromStride, int fromWidth, int fromHeight,
                  std::uint8_t* to, std::ptrdiff_t toStride, int toWidth, int toHeight)
{
    const Taps across = tapsFor(fromWidth, toWidth);
    const std::size_t n = static_cast<std::size_t>(toWidth) * C;
    std::vector<float> line(n), sum(n, 0.0f);
    // Source rows in order, each filtered across once and added to the one or
    // two target rows it overlaps; a target row is written once complete.
    const std::int64_t f = fromHeight, t = toHeight;
    std::int64_t row = 0;
    for (std::int64_t y = 0; y < f && row < t; ++y) {
        const std::uint8_t* src = from + fromStride * static_cast<std::ptrdiff_t>(y);
        const float* w = across.weight.data();
        for (int o = 0; o < toWidth; ++o) {
            float acc[C] = {};
            const std::uint8_t* p = src + static_cast<std::ptrdiff_t>(across.first[static_cast<std::size_t>(o)]) * C;
            for (int k = across.count[static_cast<std::size_t>(o)]; k > 0; --k, p += C, ++w)
                for (int c = 0; c < C; ++c)
                    acc[c] += *w * p[c];
            for (int c = 0; c < C; ++c)
                line[static_cast<std::size_t>(o) * C + c] = acc[c];
        }
        const std::int64_t top = y * t, bottom = (y + 1) * t;
        while (row < t) {
            const std::int64_t end = (row + 1) * f;
            const float weight =
                static_cast<float>(std::min(bottom, end) - std::max(top, row * f)) / static_cast<float>(f);
            for (std::size_t i = 0; i < n; ++i)
                sum[i] += weight * line[i];
            if (end > bottom)
                break; // the rest of this target row is in the next source rows
            std::uint8_t* dst = to + toStride * static_cast<std::ptrdiff_t>(row);
            for (std::size_t i = 0; i < n; ++i)
                dst[i] = static_cast<std::uint8_t>(std::min(255.0f, sum[i] + 0.5f));
            std::fill(sum.begin(), sum.end(), 0.0f);
            ++row;
            if (end == bottom)
                break;
        }
    }
}

// ---- JPEG headers and EXIF ----

unsigned be16(const std::uint8_t* p) { return static_cast<unsigned>(p[0]) << 8 | p[1]; }

struct JpegHeader {
    bool found = false; // a frame header was reached
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    int orientation = 1;
};

// A reader of the one tag rather than libexif, which parses every tag and
// maker note: a handful of reads, each checked against the block and fuzzed
// (fuzz_exif), and the browser build turns JPEGs with no further library.
// The orientation tag of an EXIF block's TIFF structure (after "Exif\0\0").
int tiffOrientation(const std::uint8_t* tiff, std::size_t size)
{
    if (size < 8)
        return 1;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M'))
        return 1;
    auto u16 = [&](std::size_t at) -> unsigned {
        return little ? (tiff[at] | static_cast<unsigned>(tiff[at + 1]) << 8) : be16(tiff + at);
    };
    auto u32 = [&](std::size_t at) -> std::uint32_t {
        return little ? (static_cast<std::uint32_t>(u16(at + 2)) << 16 | u16(at))
                      : (static_cast<std::uint32_t>(u16(at)) << 16 | u16(at + 2));
    };
    if (u16(2) != 42)
        return 1;
    const std::uint64_t ifd = u32(4);
    if (ifd < 8 || ifd + 2 > size)
        return 1;
    const unsigned entries = u16(static_cast<std::size_t>(ifd));
    // A directory that claims more entries than its block holds is damaged as a whole.
    if (ifd + 2 + 12 * static_cast<std::uint64_t>(entries) > size)
        return 1;
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t at = static_cast<std::size_t>(ifd + 2 + 12 * static_cast<std::uint64_t>(i));
        if (u16(at) != 0x0112)
            continue;
        // SHORT, one value, held in the entry itself.
        if (u16(at + 2) != 3 || u32(at + 4) < 1)
            return 1;
        const unsigned value = u16(at + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

// Walks the markers up to the frame header; stops at the first scan. Every
// length is checked against the data, so a damaged file just ends the walk.
JpegHeader scanJpeg(const std::uint8_t* data, std::size_t size)
{
    JpegHeader header;
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return header;
    bool exifSeen = false;
    std::size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF)
            return header;
        const unsigned marker = data[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) { // no length
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA)
            return header;
        const std::size_t length = be16(data + at + 2);
        if (length < 2 || at + 2 + length > size)
            return header;
        const std::uint8_t* body = data + at + 4;
        const std::size_t bodySize = length - 2;
        if (marker == 0xE1 && !exifSeen && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0) {
            exifSeen = true;
            header.orientation = tiffOrientation(body + 6, bodySize - 6);
        }
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (bodySize < 6)
                return header;
            header.height = static_cast<int>(be16(body + 1));
            header.width = static_cast<int>(be16(body + 3));
            header.components = body[5];
            header.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            header.found = header.width > 0 && header.height > 0;
            return header;
        }
        at += 2 + length;
    }
    return header;
}

// ---- kinds ----

const char* kindName(ImgType type)
{
    switch (type) {
    case IMG_JPEG: return "JPEG";
    case IMG_PNG: return "PNG";
    case IMG_TGA: return "TGA";
    case IMG_HEIC: return "HEIC";
    case IMG_WEBP: return "WebP";
    default: return "unknown";
    }
}

bool isHeifBrand(const std::uint8_t* brand)
{
    static const char* const kBrands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm", "hevs",
                                          "mif1", "msf1", "avif", "avis"};
    for (const char* b : kBrands)
        if (std::memcmp(brand, b, 4) == 0)
            return true;
    return false;
}

bool endsWithTga(const char* name)
{
    if (!name)
        return false;
    const std::size_t n = std::strlen(name);
    if (n < 4 || name[n - 4] != '.')
        return false;
    const char ext[3] = {static_cast<char>(name[n - 3] | 0x20), static_cast<char>(name[n - 2] | 0x20),
                         static_cast<char>(name[n - 1] | 0x20)};
    return std::memcmp(ext, "tga", 3) == 0;
}

#ifndef VORNAK_PHOTO_CODECS
bool notReadHere(const char* name, ImgType kind)
{
    report(name, "%s pictures are not read in this build; convert it to JPEG or PNG", kindName(kind));
    return false;
}
#endif

bool unknownKind(const std::uint8_t* data, std::size_t size, const char* name)
{
    char start[3 * 8 + 1] = {};
    for (std::size_t i = 0, at = 0; i < std::min<std::size_t>(size, 8); ++i)
        at += static_cast<std::size_t>(std::snprintf(start + at, sizeof start - at, i ? " %02x" : "%02x", data[i]));
    report(name, "not a picture this program reads (JPEG, PNG, HEIC, WebP or a .tga file): it starts with %s",
           start);
    return false;
}

// Size from the plain kinds' headers; false (silently) when it cannot be read,
// leaving the reader itself to say why.
bool plainSize(const std::uint8_t* data, std::size_t size, ImgType kind, int& width, int& height)
{
    if (kind == IMG_PNG) {
        if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0)
            return false;
        const std::uint64_t w = static_cast<std::uint64_t>(be16(data + 16)) << 16 | be16(data + 18);
        const std::uint64_t h = static_cast<std::uint64_t>(be16(data + 20)) << 16 | be16(data + 22);
        if (w == 0 || h == 0 || w > 0x7fffffff || h > 0x7fffffff)
            return false;
        width = static_cast<int>(w);
        height = static_cast<int>(h);
        return true;
    }
    if (kind == IMG_TGA) {
        if (size < 18)
            return false;
        width = static_cast<std::int16_t>(data[12] | data[13] << 8);
        height = static_cast<std::int16_t>(data[14] | data[15] << 8);
        return width > 0 && height > 0;
    }
    return false;
}

bool plainDecode(const std::uint8_t* data, std::size_t size, const char* name, ImgType kind,
                 DecodedImage& out, std::size_t maxBytes)
{
    return kind == IMG_PNG ? decodePNG(data, size, name, out, maxBytes) : decodeTGA(data, size, name, out, maxBytes);
}

// Reduced to (width, height) when larger; in place of `image`.
bool reduceTo(DecodedImage& image, int width, int height, const char* name)
{
    if (image.width <= width && image.height <= height)
        return true;
    DecodedImage reduced;
    if (!reducePicture(image, std::min(width, image.width), std::min(height, image.height), name, reduced)) {
        image.release();
        return false;
    }
    image = std::move(reduced);
    return true;
}

bool decodeJpegFitted(const std::uint8_t* data, std::size_t size, const char* name, const SizeLimit& limit,
                      DecodedImage& out, std::size_t maxBytes)
{
    const JpegHeader header = scanJpeg(data, size);
    if (!header.found) {
        // Not a frame we can see: libjpeg reads it or says why, within maxBytes.
        if (!decodeJPEGScaled(data, size, name, 1, out, maxBytes))
            return false;
        int w = 0, h = 0;
        fittedSize(out.width, out.height, limit, w, h);
        return reduceTo(out, w, h, name);
    }
    const int orientation = header.orientation;
    const bool turned = orientation >= 5;
    int uprightWidth = 0, uprightHeight = 0;
    fittedSize(turned ? header.height : header.width, turned ? header.width : header.height, limit, uprightWidth,
               uprightHeight);
    // The target as stored, before turning.
    const int width = turned ? uprightHeight : uprightWidth, height = turned ? uprightWidth : uprightHeight;
    int scale = 1;
    for (int denom : {8, 4, 2}) {
        if ((header.width + denom - 1) / denom >= width && (header.height + denom - 1) / denom >= height) {
            scale = denom;
            break;
        }
    }
    const bool reduce = (header.width + scale - 1) / scale != width || (header.height + scale - 1) / scale != height;
    const std::uint64_t pixelBytes = header.components == 4 ? 3 : 4;
    const std::uint64_t scaled = static_cast<std::uint64_t>((header.width + scale - 1) / scale) *
                                 static_cast<std::uint64_t>((header.height + scale - 1) / scale) * pixelBytes;
    const std::uint64_t target = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * pixelBytes;
    // A progressive file keeps every coefficient of the whole picture (two bytes each) until its last scan.
    const std::uint64_t coefficients = header.progressive ? static_cast<std::uint64_t>(header.width) *
                                                                static_cast<std::uint64_t>(header.height) *
                                                                static_cast<std::uint64_t>(header.components) * 2
                                                          : 0;
    const std::uint64_t needed = scaled + coefficients + (reduce ? target : 0) + (orientation != 1 ? target : 0);
    if (!pictureWithinLimits(name, header.width, header.height, needed, maxBytes))
        return false;
    if (!decodeJPEGScaled(data, size, name, scale, out, maxBytes))
        return false;
    if (reduce && !reduceTo(out, width, height, name))
        return false;
    if (orientation == 1)
        return true;
    DecodedImage upright;
    if (!orientPicture(out, orientation, name, upright)) {
        out.release();
        return false;
    }
    out = std::move(upright);
    return true;
}

bool decodePlainFitted(const std::uint8_t* data, std::size_t size, const char* name, ImgType kind,
                       const SizeLimit& limit, DecodedImage& out, std::size_t maxBytes)
{
    int width = 0, height = 0;
    if (plainSize(data, size, kind, width, height)) {
        int w = 0, h = 0;
        fittedSize(width, height, limit, w, h);
        const std::uint64_t whole = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4;
        const bool reduce = w != width || h != height;
        if (!pictureWithinLimits(name, width, height, whole + (reduce ? static_cast<std::uint64_t>(w) * h * 4 : 0),
                                 maxBytes))
            return false;
    }
    if (!plainDecode(data, size, name, kind, out, maxBytes))
        return false;
    int w = 0, h = 0;
    fittedSize(out.width, out.height, limit, w, h);
    return reduceTo(out, w, h, name);
}

// Enough of a file's start for every header but HEIC's.
constexpr std::size_t kHeaderBytes = 256 * 1024;

bool readStart(const char* path, std::size_t bytes, std::vector<unsigned char>& data, bool& whole)
{
    std::string error;
    if (readFileStart(path, bytes, data, whole, error))
        return true;
    logMessage(LogLevel::Error, error.c_str());
    return false;
}

} // namespace

bool pictureWithinLimits(const char* name, int width, int height, std::uint64_t bytes, std::size_t maxBytes)
{
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixels > kMaxPicturePixels) {
        report(name, "%dx%d picture has %.1f megapixels, more than the %llu-megapixel limit", width, height,
               static_cast<double>(pixels) / 1e6, static_cast<unsigned long long>(kMaxPicturePixels / 1000000));
        return false;
    }
    if (bytes > maxBytes) {
        const std::uint64_t mb = std::uint64_t(1) << 20;
        report(name, "%dx%d picture needs %llu MB to decode, more than the %llu MB limit", width, height,
               static_cast<unsigned long long>((bytes + mb - 1) / mb), static_cast<unsigned long long>(maxBytes / mb));
        return false;
    }
    return true;
}

void reduceRows(const std::uint8_t* from, std::ptrdiff_t fromStride, int fromWidth, int fromHeight, int channels,
                std::uint8_t* to, std::ptrdiff_t toStride, int toWidth, int toHeight)
{
    switch (channels) {
    case 1: reduceRowsOf<1>(from, fromStride, fromWidth, fromHeight, to, toStride, toWidth, toHeight); break;
    case 2: reduceRowsOf<2>(from, fromStride, fromWidth, fromHeight, to, toStride, toWidth, toHeight); break;
    case 3: reduceRowsOf<3>(from, fromStride, fromWidth, fromHeight, to, toStride, toWidth, toHeight); break;
    case 4: reduceRowsOf<4>(from, fromStride, fromWidth, fromHeight, to, toStride, toWidth, toHeight); break;
    default: break;
    }
}

void fittedSize(int width, int height, const SizeLimit& limit, int& outWidth, int& outHeight)
{
    outWidth = width;
    outHeight = height;
    if (limit.none() || width <= 0 || height <= 0)
        return;
    const double across = static_cast<double>(limit.width) / width, down = static_cast<double>(limit.height) / height;
    const double scale = limit.fit == Fit::Cover ? std::max(across, down) : std::min(across, down);
    if (scale >= 1.0)
        return;
    // The side that sets the scale meets the box exactly; the other is rounded.
    const bool byWidth = limit.fit == Fit::Cover ? across >= down : across <= down;
    outWidth = byWidth ? limit.width : static_cast<int>(std::lround(width * scale));
    outHeight = byWidth ? static_cast<int>(std::lround(height * scale)) : limit.height;
    outWidth = std::max(1, std::min(outWidth, width));
    outHeight = std::max(1, std::min(outHeight, height));
}

ImgType sniffImageType(const std::uint8_t* data, std::size_t size, const char* name)
{
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return IMG_JPEG;
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0)
        return IMG_PNG;
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0)
        return IMG_WEBP;
    // ISO base media: a 'ftyp' box first, whose major or a compatible brand is HEIF's.
    if (size >= 16 && std::memcmp(data + 4, "ftyp", 4) == 0) {
        const std::size_t box = static_cast<std::size_t>(be16(data)) << 16 | be16(data + 2);
        const std::size_t end = std::min(size, box);
        if (isHeifBrand(data + 8))
            return IMG_HEIC;
        for (std::size_t at = 16; at + 4 <= end; at += 4)
            if (isHeifBrand(data + at))
                return IMG_HEIC;
    }
    return endsWithTga(name) ? IMG_TGA : IMG_AUTO;
}

bool readPictureInfo(const std::uint8_t* data, std::size_t size, const char* name, PictureInfo& info)
{
    info = PictureInfo();
    if (size == 0) {
        report(name, "empty file");
        return false;
    }
    const ImgType kind = sniffImageType(data, size, name);
    info.type = kind;
    switch (kind) {
    case IMG_JPEG: {
        const JpegHeader header = scanJpeg(data, size);
        if (!header.found) {
            report(name, "cannot read JPEG header: no frame header before the data ends");
            return false;
        }
        info.width = header.width;
        info.height = header.height;
        info.orientation = header.orientation;
        return true;
    }
    case IMG_PNG:
    case IMG_TGA:
        if (plainSize(data, size, kind, info.width, info.height))
            return true;
        report(name, "cannot read %s header: %s", kindName(kind),
               size < (kind == IMG_PNG ? 24u : 18u) ? "file ends early" : "unusable size");
        return false;
#ifdef VORNAK_PHOTO_CODECS
    case IMG_HEIC:
        return readHEICSize(data, size, name, info.width, info.height);
    case IMG_WEBP:
        return readWebPSize(data, size, name, info.width, info.height);
#else
    case IMG_HEIC:
    case IMG_WEBP:
        return notReadHere(name, kind);
#endif
    default:
        return unknownKind(data, size, name);
    }
}

bool readPictureInfo(const char* path, PictureInfo& info)
{
    info = PictureInfo();
    std::vector<unsigned char> start;
    bool whole = false;
    if (!readStart(path, kHeaderBytes, start, whole))
        return false;
    const ImgType kind = sniffImageType(start.data(), start.size(), path);
    // A HEIC's boxes may lie anywhere; a JPEG's frame header after long APP blocks.
    if (!whole && (kind == IMG_HEIC || (kind == IMG_JPEG && !scanJpeg(start.data(), start.size()).found)) &&
        !readStart(path, static_cast<std::size_t>(-1), start, whole))
        return false;
    return readPictureInfo(start.data(), start.size(), path, info);
}

bool decodePicture(const std::uint8_t* data, std::size_t size, const char* name, ImgType type,
                   const SizeLimit& limit, DecodedImage& out, std::size_t maxBytes)
{
    out.release();
    if (size == 0) {
        report(name, "empty file");
        return false;
    }
    const ImgType kind = type == IMG_AUTO ? sniffImageType(data, size, name) : type;
    switch (kind) {
    case IMG_JPEG:
        return decodeJpegFitted(data, size, name, limit, out, maxBytes);
    case IMG_PNG:
    case IMG_TGA:
        return decodePlainFitted(data, size, name, kind, limit, out, maxBytes);
#ifdef VORNAK_PHOTO_CODECS
    case IMG_HEIC:
        return decodeHEIC(data, size, name, limit, out, maxBytes);
    case IMG_WEBP:
        return decodeWebP(data, size, name, limit, out, maxBytes);
#else
    case IMG_HEIC:
    case IMG_WEBP:
        return notReadHere(name, kind);
#endif
    case IMG_AUTO:
        return unknownKind(data, size, name);
    }
    report(name, "unknown picture kind %d", static_cast<int>(type));
    return false;
}

bool decodePicture(const char* path, ImgType type, const SizeLimit& limit, DecodedImage& out, std::size_t maxBytes)
{
    out.release();
    std::vector<unsigned char> file;
    std::string error;
    if (!readFileData(path, file, error)) {
        logMessage(LogLevel::Error, error.c_str());
        return false;
    }
    return decodePicture(file.data(), file.size(), path, type, limit, out, maxBytes);
}

bool reducePicture(const DecodedImage& in, int width, int height, const char* name, DecodedImage& out)
{
    out.release();
    const int channels = channelsOf(in.format);
    if (in.empty() || channels == 0 || width <= 0 || height <= 0 || width > in.width || height > in.height) {
        report(name, "cannot reduce a %dx%d picture to %dx%d", in.width, in.height, width, height);
        return false;
    }
    if (!allocateLike(in, width, height, name, out))
        return false;
    if (width == in.width && height == in.height) {
        std::memcpy(out.storage.get(), in.pixels, out.size);
        return true;
    }
    reduceRows(in.pixels, static_cast<std::ptrdiff_t>(in.width) * channels, in.width, in.height, channels,
               out.storage.get(), static_cast<std::ptrdiff_t>(width) * channels, width, height);
    return true;
}

bool orientPicture(const DecodedImage& in, int orientation, const char* name, DecodedImage& out)
{
    out.release();
    const int channels = channelsOf(in.format);
    if (in.empty() || channels == 0) {
        report(name, "cannot turn an empty picture");
        return false;
    }
    if (orientation < 1 || orientation > 8)
        orientation = 1;
    const int w = in.width, h = in.height;
    const bool turned = orientation >= 5;
    const int outWidth = turned ? h : w, outHeight = turned ? w : h;
    if (!allocateLike(in, outWidth, outHeight, name, out))
        return false;
    // Where the upright picture's pixel (x, y), counted from the top left,
    // lies in the stored one, as EXIF defines each value.
    auto source = [&](int x, int y, int& sx, int& sy) {
        switch (orientation) {
        case 2: sx = w - 1 - x; sy = y; break;
        case 3: sx = w - 1 - x; sy = h - 1 - y; break;
        case 4: sx = x; sy = h - 1 - y; break;
        case 5: sx = y; sy = x; break;
        case 6: sx = y; sy = h - 1 - x; break;
        case 7: sx = w - 1 - y; sy = h - 1 - x; break;
        case 8: sx = w - 1 - y; sy = x; break;
        default: sx = x; sy = y; break;
        }
    };
    const std::ptrdiff_t pixel = channels, row = static_cast<std::ptrdiff_t>(w) * channels;
    // Both buffers are bottom-up: top row y is buffer row height - 1 - y.
    auto offset = [&](int x, int y) {
        int sx = 0, sy = 0;
        source(x, y, sx, sy);
        return static_cast<std::ptrdiff_t>(h - 1 - sy) * row + sx * pixel;
    };
    for (int y = 0; y < outHeight; ++y) {
        std::uint8_t* dst = out.storage.get() + static_cast<std::ptrdiff_t>(outHeight - 1 - y) * outWidth * pixel;
        const std::ptrdiff_t start = offset(0, y);
        const std::ptrdiff_t step = outWidth > 1 ? offset(1, y) - start : 0;
        const std::uint8_t* src = in.pixels + start;
        for (int x = 0; x < outWidth; ++x, src += step, dst += pixel)
            std::memcpy(dst, src, static_cast<std::size_t>(channels));
    }
    return true;
}

int jpegOrientation(const std::uint8_t* data, std::size_t size)
{
    return scanJpeg(data, size).orientation;
}

} // namespace vornak_engine
