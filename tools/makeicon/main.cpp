// vornak_makeicon: the desktop icon, cut from the show's own Christmas picture.
//   vornak_makeicon PICTURE.jpg OUTDIR
// writes OUTDIR/NxN/apps/vornak.png for each hicolor size: the lit tree under
// its star, a square scaled down by area averaging, in a rounded tile.
// Plain arithmetic on fixed input: the same picture gives the same bytes.
#include "../makedata/ImageIO.h"

#include <vornak/ImageDecoder.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

// The tree and its star in the 1920x1080 picture; scaled with the picture's width.
constexpr double kCropX = 150, kCropY = 120, kCropSide = 800, kDesignWidth = 1920;
constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

struct Picture {
    int width = 0, height = 0, channels = 0;
    const std::uint8_t* pixels = nullptr; // bottom row first, as the decoder gives them

    // Linear-light value of channel c at (x, y), y counted from the top.
    double at(int x, int y, int c) const
    {
        const double v = pixels[(std::size_t(height - 1 - y) * std::size_t(width) + std::size_t(x)) *
                                    std::size_t(channels) + std::size_t(c)] / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    }
};

unsigned char toSrgb(double linear)
{
    linear = std::clamp(linear, 0.0, 1.0);
    const double v = linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
    return static_cast<unsigned char>(std::lround(v * 255));
}

// How much of the source span [a, b) falls on pixel i.
double overlap(double a, double b, int i)
{
    return std::max(0.0, std::min(b, i + 1.0) - std::max(a, double(i)));
}

// Coverage of a rounded square tile at output pixel (x, y), anti-aliased over one pixel.
double tileCoverage(int size, int x, int y)
{
    const double half = size / 2.0, radius = size * 0.18;
    const double qx = std::fabs(x + 0.5 - half) - half + radius, qy = std::fabs(y + 0.5 - half) - half + radius;
    const double distance = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) +
                            std::min(std::max(qx, qy), 0.0) - radius;
    return std::clamp(0.5 - distance, 0.0, 1.0);
}

std::vector<unsigned char> icon(const Picture& picture, int size)
{
    const double scale = picture.width / kDesignWidth;
    const double x0 = kCropX * scale, y0 = kCropY * scale, step = kCropSide * scale / size;
    std::vector<unsigned char> rgba(std::size_t(size) * std::size_t(size) * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // The source rectangle this pixel stands for, averaged by area in linear light.
            const double ax = x0 + x * step, bx = ax + step, ay = y0 + y * step, by = ay + step;
            double sum[3] = {0, 0, 0}, weight = 0;
            for (int sy = int(ay); sy < int(std::ceil(by)) && sy < picture.height; ++sy)
                for (int sx = int(ax); sx < int(std::ceil(bx)) && sx < picture.width; ++sx) {
                    const double w = overlap(ax, bx, sx) * overlap(ay, by, sy);
                    for (int c = 0; c < 3; ++c)
                        sum[c] += w * picture.at(sx, sy, c);
                    weight += w;
                }
            unsigned char* out = &rgba[(std::size_t(y) * std::size_t(size) + std::size_t(x)) * 4];
            for (int c = 0; c < 3; ++c)
                out[c] = toSrgb(weight > 0 ? sum[c] / weight : 0);
            out[3] = static_cast<unsigned char>(std::lround(tileCoverage(size, x, y) * 255));
        }
    return rgba;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PICTURE.jpg OUTDIR\n", argv[0]);
        return 2;
    }
    vornak_engine::DecodedImage decoded;
    if (!vornak_engine::decodeJPEGRgba(argv[1], decoded))
        return 1;
    Picture picture{decoded.width, decoded.height, 0, decoded.pixels};
    picture.channels = int(decoded.size / (std::size_t(decoded.width) * std::size_t(decoded.height)));
    // The crop must lie inside: a smaller or taller picture is not the one the crop was chosen on.
    const double scale = picture.width / kDesignWidth;
    if (picture.channels < 3 || (kCropY + kCropSide) * scale > picture.height) {
        std::fprintf(stderr, "%s: not the show's 16:9 colour picture (%dx%d)\n", argv[1], picture.width,
                     picture.height);
        return 1;
    }
    for (int size : kSizes) {
        const std::string side = std::to_string(size);
        const std::string dir = std::string(argv[2]) + "/" + side + "x" + side + "/apps";
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) {
            std::fprintf(stderr, "%s: cannot create: %s\n", dir.c_str(), ec.message().c_str());
            return 1;
        }
        if (!writePng(dir + "/vornak.png", size, size, icon(picture, size)))
            return 1;
    }
    return 0;
}
