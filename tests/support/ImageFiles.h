#pragma once

// Test pictures written by the real encoders (libpng, libjpeg) or by hand (TGA): no binary fixtures.
// An encoder's error (a test's own mistake) ends the run with the library's message.

#include <png.h>
#include <cstdio> // before jpeglib.h, which needs FILE and size_t
#include <jpeglib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace testimg {

using Pixels = std::vector<std::uint8_t>;

// rows: top row first, packed as the PNG stores them at this depth.
inline std::string encodePNG(int width, int height, const Pixels& rows, int colourType = PNG_COLOR_TYPE_RGB,
                             int bitDepth = 8, bool interlaced = false, const std::vector<png_color>& palette = {},
                             const std::vector<std::uint8_t>& paletteAlpha = {})
{
    std::string bytes;
    std::vector<png_bytep> table;
    for (std::size_t at = 0; at < rows.size(); at += rows.size() / static_cast<std::size_t>(height))
        table.push_back(const_cast<png_bytep>(rows.data()) + at);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    auto append = [](png_structp p, png_bytep data, std::size_t n) {
        static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(data), n);
    };
    png_set_write_fn(png, &bytes, append, [](png_structp) {});
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth, colourType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!paletteAlpha.empty())
        png_set_tRNS(png, info, paletteAlpha.data(), static_cast<int>(paletteAlpha.size()), nullptr);
    png_write_info(png, info);
    png_write_image(png, table.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

struct JpegLayout {
    J_COLOR_SPACE input = JCS_RGB;      // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK, as the pixels are
    J_COLOR_SPACE stored = JCS_UNKNOWN; // the file's colour space; JCS_UNKNOWN: libjpeg's default
    bool adobeMarker = true;            // for four-colour files
    std::vector<int> sampling;          // h,v per component; empty: 1x1 each
    int scansPerCoefficient = 0;        // > 0: progressive, each AC coefficient refined this many times
};

// pixels: top row first. Quality 100, accurate DCT, no subsampling unless asked: flat 8x8 blocks come back close.
inline std::string encodeJPEG(int width, int height, const Pixels& pixels, const JpegLayout& layout = {})
{
    jpeg_error_mgr errors;
    jpeg_compress_struct info;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = layout.input == JCS_GRAYSCALE ? 1 : layout.input == JCS_CMYK ? 4 : 3;
    info.in_color_space = layout.input;
    jpeg_set_defaults(&info);
    if (layout.stored != JCS_UNKNOWN)
        jpeg_set_colorspace(&info, layout.stored);
    info.write_Adobe_marker = layout.adobeMarker && info.num_components == 4;
    jpeg_set_quality(&info, 100, TRUE);
    info.dct_method = JDCT_ISLOW;
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = layout.sampling.empty() ? 1 : layout.sampling[2 * c];
        info.comp_info[c].v_samp_factor = layout.sampling.empty() ? 1 : layout.sampling[2 * c + 1];
    }
    std::vector<jpeg_scan_info> scans;
    if (const int steps = layout.scansPerCoefficient; steps > 0) {
        // DC, then every AC coefficient of every component alone, a bit at a time: very many scans.
        scans.push_back({info.num_components, {0, 1, 2, 3}, 0, 0, 0, 0});
        for (int c = 0; c < info.num_components; ++c)
            for (int k = 1; k < 64; ++k)
                for (int step = 0; step < steps; ++step)
                    scans.push_back({1, {c, 0, 0, 0}, k, k, step == 0 ? 0 : steps - step, steps - 1 - step});
        info.scan_info = scans.data();
        info.num_scans = static_cast<int>(scans.size());
    }
    jpeg_start_compress(&info, TRUE);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(info.input_components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + info.next_scanline * rowBytes);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const std::string bytes(reinterpret_cast<const char*>(out), size);
    std::free(out);
    return bytes;
}

// A TGA file: the 18-byte header, an ID field of 'i's, a 24-bit colour map of zeros, then data.
inline std::string tga(int type, int width, int height, int depth, const Pixels& data, int descriptor = 0,
                       int idLength = 0, int mapLength = 0)
{
    const int head[18] = {idLength, mapLength > 0, type, 0, 0, mapLength & 0xff, mapLength >> 8,
                          mapLength > 0 ? 24 : 0, 0, 0, 0, 0, width & 0xff, width >> 8, height & 0xff, height >> 8,
                          depth, descriptor};
    std::string b;
    for (int v : head)
        b += static_cast<char>(v);
    b.append(static_cast<std::size_t>(idLength), 'i').append(static_cast<std::size_t>(mapLength) * 3, '\0');
    return b.append(data.begin(), data.end());
}

// Every byte different, so a skewed or flipped row shows: top row first.
inline Pixels distinct(int width, int height, int channels)
{
    Pixels p;
    for (int i = 0; i < width * height * channels; ++i) {
        const int x = i / channels % width, y = i / channels / width, c = i % channels;
        p.push_back(static_cast<std::uint8_t>(17 * x + 61 * y + 97 * c + 5));
    }
    return p;
}

// The rows in reverse, as a bottom-up buffer holds them.
inline Pixels flipRows(const Pixels& p, std::size_t rowBytes)
{
    Pixels out;
    for (std::size_t row = p.size() / rowBytes; row-- > 0;)
        out.insert(out.end(), p.begin() + static_cast<long>(row * rowBytes),
                   p.begin() + static_cast<long>((row + 1) * rowBytes));
    return out;
}

} // namespace testimg
