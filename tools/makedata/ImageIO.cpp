#include "ImageIO.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <png.h>
#include <turbojpeg.h>

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

} // namespace

bool writeJpeg(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb,
               int quality)
{
    tjhandle tj = tjInitCompress();
    if (!tj) {
        std::fprintf(stderr, "%s: cannot start TurboJPEG\n", path.c_str());
        return false;
    }
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    // 4:4:4 keeps the sharp colour edges (lead lines, stripes) clean.
    int rc = tjCompress2(tj, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_444, quality,
                         TJFLAG_ACCURATEDCT);
    bool ok = false;
    if (rc != 0) {
        std::fprintf(stderr, "%s: cannot compress: %s\n", path.c_str(), tjGetErrorStr2(tj));
    } else {
        File f(std::fopen(path.c_str(), "wb"));
        if (!f)
            std::fprintf(stderr, "%s: cannot open: %s\n", path.c_str(), std::strerror(errno));
        else if (std::fwrite(jpeg, 1, size, f.get()) != size)
            std::fprintf(stderr, "%s: cannot write: %s\n", path.c_str(), std::strerror(errno));
        else
            ok = true;
    }
    tjFree(jpeg);
    tjDestroy(tj);
    return ok;
}

bool writePng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgba)
{
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) {
        std::fprintf(stderr, "%s: cannot open: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        std::fprintf(stderr, "%s: cannot start libpng\n", path.c_str());
        png_destroy_write_struct(&png, &info);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        std::fprintf(stderr, "%s: cannot write PNG\n", path.c_str());
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f.get());
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, rgba.data() + size_t(y) * size_t(width) * 4);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}
