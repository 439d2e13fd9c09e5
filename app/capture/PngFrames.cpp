#include "app/capture/PngFrames.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

// libpng's default handler prints; the caller says what failed, in one line.
void quietError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void quietWarning(png_structp, png_const_charp) {}

struct FileCloser {
    void operator()(FILE* f) const
    {
        if (f)
            std::fclose(f);
    }
};

} // namespace

PngFrames::PngFrames(const std::string& pattern, bool numbered, int width, int height)
    : pattern_(pattern), numbered_(numbered), width_(width), height_(height)
{
}

std::string PngFrames::nameOf(long frame) const
{
    if (!numbered_)
        return pattern_;
    // The pattern was checked to hold exactly one integer conversion.
    const int n = std::snprintf(nullptr, 0, pattern_.c_str(), static_cast<int>(frame));
    std::string name(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(name.data(), name.size(), pattern_.c_str(), static_cast<int>(frame));
    name.resize(static_cast<std::size_t>(n));
    return name;
}

bool PngFrames::write(const unsigned char* rgba)
{
    const std::string name = nameOf(frames_++);
    const std::string partial = name + ".partial";
    const std::string failure = writePng(partial, rgba, width_, height_);
    if (!failure.empty()) {
        error_ = name + ": " + failure;
        unlink(partial.c_str());
        return false;
    }
    if (std::rename(partial.c_str(), name.c_str()) != 0) {
        error_ = name + ": cannot rename " + partial + " to it: " + std::strerror(errno);
        unlink(partial.c_str());
        return false;
    }
    written_.push_back(name);
    return true;
}

bool PngFrames::finish()
{
    return error_.empty();
}

void PngFrames::abandon()
{
    for (const std::string& name : written_)
        unlink(name.c_str());
    written_.clear();
}

std::string writePng(const std::string& path, const unsigned char* rgba, int width, int height)
{
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return std::string("cannot create: ") + std::strerror(errno);

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return "out of memory";
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return std::string("cannot write: ") + std::strerror(errno ? errno : EIO);
    }
    png_init_io(png, file.get());
    png_set_compression_level(png, 3); // frames are many; a little size for a lot of speed
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // The frames carry alpha (the scenes clear to transparent black); a picture of the show is opaque.
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    for (int y = 0; y < height; ++y)
        rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(rgba + row * (height - 1 - y));
    errno = 0;
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::FILE* f = file.release();
    if (std::ferror(f) != 0 || std::fflush(f) != 0) {
        const int e = errno ? errno : EIO;
        std::fclose(f);
        return std::string("cannot write: ") + std::strerror(e);
    }
    if (std::fclose(f) != 0)
        return std::string("cannot write: ") + std::strerror(errno);
    return "";
}
