#pragma once

// Needs: no GL context: pure CPU, safe on any thread.
//
// The pure half of the texture readers: JPEG, PNG and TGA bytes in, one
// contiguous pixel buffer out, rows bottom-up as GL takes them. No GL call is
// made here; Texture does the upload. Failures print one line on standard error.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vornak_engine {

// Decoded sizes must stay below 2^31 bytes, the reach of GL's int-sized sizes.
constexpr std::size_t kMaxDecodedBytes = (std::size_t(1) << 31) - 1;

struct DecodedImage {
    int width = 0;
    int height = 0;
    // GL source format of the pixels: GL_RGB, GL_RGBA, GL_BGR, GL_BGRA, GL_RED or GL_RG;
    // always one byte per component, rows back to back with no padding.
    unsigned int format = 0;
    // When set, swizzle holds GL_TEXTURE_SWIZZLE_RGBA values that make grey
    // pictures sample as grey instead of red.
    bool swizzled = false;
    int swizzle[4] = {0, 0, 0, 0};
    // First byte of the bottom row; size bytes in all.
    const std::uint8_t* pixels = nullptr;
    std::size_t size = 0;
    // Owns pixels; may start before them (a TGA read whole keeps its header).
    std::unique_ptr<std::uint8_t[]> storage;

    bool empty() const { return pixels == nullptr; }
    void release();
};

// Each returns true with out filled, or false after one line on standard error
// that names `name` (or `path`) and the reason, with out left empty. Damage the
// library decodes past (a PNG's bad ancillary chunk, a JPEG's stray bytes or
// missing end) still gives the picture, with one warning line. JPEGs in CMYK
// or YCCK come out as RGB. Pictures
// whose pixel buffer would exceed maxBytes are refused before it is allocated.
bool decodeJPEG(const std::uint8_t* data, std::size_t size, const char* name, DecodedImage& out,
                std::size_t maxBytes = kMaxDecodedBytes);
bool decodePNG(const std::uint8_t* data, std::size_t size, const char* name, DecodedImage& out,
               std::size_t maxBytes = kMaxDecodedBytes);
bool decodeTGA(const std::uint8_t* data, std::size_t size, const char* name, DecodedImage& out,
               std::size_t maxBytes = kMaxDecodedBytes);

// The same from a file, read whole with readFileData: only regular files.
bool decodeJPEG(const char* path, DecodedImage& out, std::size_t maxBytes = kMaxDecodedBytes);
bool decodePNG(const char* path, DecodedImage& out, std::size_t maxBytes = kMaxDecodedBytes);
bool decodeTGA(const char* path, DecodedImage& out, std::size_t maxBytes = kMaxDecodedBytes);

// A JPEG as four bytes a pixel, the fourth 255 (GL_RGBA): GL takes that
// layout several times faster than three-byte rows into an RGBA texture, which
// samples the same. CMYK and YCCK files still come out as RGB.
bool decodeJPEGRgba(const std::uint8_t* data, std::size_t size, const char* name, DecodedImage& out,
                    std::size_t maxBytes = kMaxDecodedBytes);
bool decodeJPEGRgba(const char* path, DecodedImage& out, std::size_t maxBytes = kMaxDecodedBytes);

// The picture as four bytes a pixel, R G B A, whatever its format: the values
// the desktop texture samples (grey as R = G = B, grey-alpha keeping its alpha,
// BGR swapped, three-byte pixels with alpha 255), for GLs with neither texture
// swizzles nor BGR uploads (WebGL2). False, with out empty, for an empty input
// or when memory runs out (one line on standard error naming `name`).
bool expandToRgba(const DecodedImage& in, const char* name, DecodedImage& out);

} // namespace vornak_engine
