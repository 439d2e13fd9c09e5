#pragma once

// Test pictures written by the real encoders (libpng, TurboJPEG) or by hand
// (TGA), so reader tests need no binary fixtures. Pixels are given top row
// first, as the files store them (TGA aside, whose rows the caller orders).

#include <png.h>
#include <turbojpeg.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace testimg {

using Pixels = std::vector<std::uint8_t>;

struct PngOptions {
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<std::uint8_t> paletteAlpha; // tRNS for palette pictures
};

inline void appendTo(png_structp png, png_bytep data, std::size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

inline void noFlush(png_structp) {}

// rows: top row first, each row packed as the PNG stores it at this depth.
inline std::string encodePNG(int width, int height, const Pixels& rows, const PngOptions& options = {})
{
    std::string bytes;
    const std::size_t stride = rows.size() / static_cast<std::size_t>(height);
    std::vector<png_bytep> table(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        table[static_cast<std::size_t>(y)] = const_cast<png_bytep>(rows.data()) + static_cast<std::size_t>(y) * stride;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("test PNG encoder failed");
    }
    png_set_write_fn(png, &bytes, appendTo, noFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), options.bitDepth,
                 options.colourType, options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!options.palette.empty())
        png_set_PLTE(png, info, options.palette.data(), static_cast<int>(options.palette.size()));
    if (!options.paletteAlpha.empty())
        png_set_tRNS(png, info, options.paletteAlpha.data(), static_cast<int>(options.paletteAlpha.size()), nullptr);
    png_write_info(png, info);
    png_write_image(png, table.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

// rgb: top row first, 3 bytes a pixel. 4:4:4 at quality 100 keeps flat 8x8 blocks within a step or two.
inline std::string encodeJPEG(int width, int height, const Pixels& rgb, int quality = 100)
{
    tjhandle encoder = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int status = tjCompress2(encoder, rgb.data(), width, 0, height, TJPF_RGB, &out, &size, TJSAMP_444, quality,
                                   TJFLAG_ACCURATEDCT);
    std::string bytes;
    if (status == 0)
        bytes.assign(reinterpret_cast<const char*>(out), size);
    tjFree(out);
    tjDestroy(encoder);
    if (status != 0)
        throw std::runtime_error("test JPEG encoder failed");
    return bytes;
}

struct TgaHeader {
    int idLength = 0;
    int mapType = 0;
    int imageType = 2;
    int mapLength = 0;
    int mapEntryBits = 0;
    int width = 0;
    int height = 0;
    int depth = 24;
    int descriptor = 0;
};

// The 18-byte header, then the ID field (filled with 'i') and colour map (zeros).
inline std::string tgaHead(const TgaHeader& h)
{
    std::string b(18, '\0');
    b[0] = static_cast<char>(h.idLength);
    b[1] = static_cast<char>(h.mapType);
    b[2] = static_cast<char>(h.imageType);
    b[5] = static_cast<char>(h.mapLength & 0xff);
    b[6] = static_cast<char>((h.mapLength >> 8) & 0xff);
    b[7] = static_cast<char>(h.mapEntryBits);
    b[12] = static_cast<char>(h.width & 0xff);
    b[13] = static_cast<char>((h.width >> 8) & 0xff);
    b[14] = static_cast<char>(h.height & 0xff);
    b[15] = static_cast<char>((h.height >> 8) & 0xff);
    b[16] = static_cast<char>(h.depth);
    b[17] = static_cast<char>(h.descriptor);
    b.append(static_cast<std::size_t>(h.idLength), 'i');
    b.append(static_cast<std::size_t>(h.mapLength * ((h.mapEntryBits + 7) / 8)), '\0');
    return b;
}

inline std::string tga(const TgaHeader& h, const Pixels& data)
{
    return tgaHead(h) + std::string(data.begin(), data.end());
}

// Quadrant picture, top row first, 3 bytes a pixel: top-left red, top-right
// green, bottom-left blue, bottom-right white.
inline Pixels quadrants(int width, int height)
{
    Pixels rgb;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool top = y < height / 2;
            const bool left = x < width / 2;
            std::uint8_t r = 0, g = 0, b = 0;
            if (top && left)
                r = 255;
            else if (top)
                g = 255;
            else if (left)
                b = 255;
            else
                r = g = b = 255;
            rgb.insert(rgb.end(), {r, g, b});
        }
    }
    return rgb;
}

// Every pixel different, so a skewed or flipped row shows: top row first.
inline Pixels distinct(int width, int height, int channels)
{
    Pixels p;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                p.push_back(static_cast<std::uint8_t>(17 * x + 61 * y + 97 * c + 5));
    return p;
}

// Rows of a top-first picture in reverse, as a bottom-up buffer holds them.
inline Pixels flipRows(const Pixels& p, std::size_t rowBytes)
{
    Pixels out;
    for (std::size_t row = p.size() / rowBytes; row-- > 0;)
        out.insert(out.end(), p.begin() + static_cast<long>(row * rowBytes),
                   p.begin() + static_cast<long>((row + 1) * rowBytes));
    return out;
}

} // namespace testimg
