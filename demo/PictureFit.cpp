#include "demo/PictureFit.h"

#include "vornak/GL.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <new>

using vornak_engine::DecodedImage;

namespace {

int bytesPerPixel(unsigned int format)
{
    switch (format) {
    case GL_RED:
        return 1;
    case GL_RG:
        return 2;
    case GL_RGB:
    case GL_BGR:
        return 3;
    default:
        return 4;
    }
}

// The alpha channel's index, or -1 for formats without one.
int alphaIndex(unsigned int format)
{
    return format == GL_RG ? 1 : (format == GL_RGBA || format == GL_BGRA) ? 3 : -1;
}

bool opaque(const DecodedImage& image, int bpp, int alpha)
{
    if (alpha < 0)
        return true;
    for (std::size_t i = static_cast<std::size_t>(alpha); i < image.size; i += static_cast<std::size_t>(bpp)) {
        if (image.pixels[i] != 255)
            return false;
    }
    return true;
}

} // namespace

bool fitsAlready(int width, int height, double aspect)
{
    if (width <= 0 || height <= 0 || !(aspect > 0))
        return true;
    return std::abs(static_cast<double>(width) / height / aspect - 1.0) < 0.01;
}

bool fitPicture(const DecodedImage& in, const Framing& framing, DecodedImage& out)
{
    if (in.empty() || fitsAlready(in.width, in.height, framing.aspect))
        return false;
    const bool wide = static_cast<double>(in.width) / in.height > framing.aspect;
    int width = in.width, height = in.height;
    // Cover keeps the short side and cuts the long one; contain keeps the long side and pads the short one.
    if (wide == (framing.fit == Fit::Cover))
        width = std::max(1, static_cast<int>(std::lround(in.height * framing.aspect)));
    else
        height = std::max(1, static_cast<int>(std::lround(in.width / framing.aspect)));

    const int bpp = bytesPerPixel(in.format);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * bpp;
    const std::size_t size = rowBytes * height;
    std::unique_ptr<std::uint8_t[]> storage(new (std::nothrow) std::uint8_t[size]);
    if (!storage)
        return false;
    std::memset(storage.get(), 0, size);
    const int alpha = alphaIndex(in.format);
    if (alpha >= 0 && opaque(in, bpp, alpha)) {
        for (std::size_t i = static_cast<std::size_t>(alpha); i < size; i += static_cast<std::size_t>(bpp))
            storage[i] = 255;
    }

    // Centred: the same margin on both sides, in the source (cut) or the result (pad).
    const int copyWidth = std::min(width, in.width), copyHeight = std::min(height, in.height);
    const int fromX = (in.width - copyWidth) / 2, fromY = (in.height - copyHeight) / 2;
    const int toX = (width - copyWidth) / 2, toY = (height - copyHeight) / 2;
    const std::size_t inRow = static_cast<std::size_t>(in.width) * bpp;
    for (int y = 0; y < copyHeight; ++y) {
        std::memcpy(storage.get() + (toY + y) * rowBytes + static_cast<std::size_t>(toX) * bpp,
                    in.pixels + (fromY + y) * inRow + static_cast<std::size_t>(fromX) * bpp,
                    static_cast<std::size_t>(copyWidth) * bpp);
    }
    out.release();
    out.width = width;
    out.height = height;
    out.format = in.format;
    out.swizzled = in.swizzled;
    std::copy(std::begin(in.swizzle), std::end(in.swizzle), std::begin(out.swizzle));
    out.pixels = storage.get();
    out.size = size;
    out.storage = std::move(storage);
    return true;
}
