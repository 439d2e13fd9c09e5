// Phone photos in a show: 40 JPEGs of 4000x3000 at quality 90 (4:2:0, as a
// phone writes them), made at start-up, each decoded for the box it is drawn
// in two ways, side by side in one run: whole and then reduced by the same
// area filter, and reduced while decoding (DCT scaling first). CPU time of the
// decoding thread, so other work on the machine does not count. Prints the
// texture memory such a show holds, and target lines for scripts/bench.
//   photo_bench [--photos N]

#include "demo/PictureFit.h"
#include "vornak/PictureDecoder.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace vornak_engine;

constexpr int kWidth = 4000, kHeight = 3000;

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Smooth light and shade with fine grain, different for each seed: compresses
// at quality 90 to about what a phone's 12 MP photo weighs.
std::vector<unsigned char> photo(unsigned seed)
{
    std::vector<unsigned char> rgb(std::size_t(kWidth) * kHeight * 3);
    unsigned noise = seed * 2654435761u + 1;
    const int cx = 800 + int(seed * 337 % 2400), cy = 600 + int(seed * 211 % 1800);
    std::size_t i = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = int((noise >> 24) & 15) - 8;
            const int dx = (x - cx) >> 4, dy = (y - cy) >> 4;
            const int light = 255 - std::min(255, (dx * dx + dy * dy) >> 6);
            const int stripe = ((x / 3 + y / 5 + int(seed) * 7) & 63) < 4 ? 30 : 0; // fine detail
            const int c[3] = {light * 3 / 4 + x * 60 / kWidth, light / 2 + y * 90 / kHeight + stripe,
                              120 + int(seed * 13 % 100) - light / 4};
            for (int k = 0; k < 3; ++k)
                rgb[i++] = static_cast<unsigned char>(std::clamp(c[k] + grain, 0, 255));
        }
    }
    return rgb;
}

bool writePhotos(const std::string& dir, int count, double& megabytes)
{
    mkdir(dir.c_str(), 0700);
    tjhandle encoder = tjInitCompress();
    megabytes = 0;
    for (int n = 0; n < count; ++n) {
        const std::vector<unsigned char> rgb = photo(unsigned(n + 1));
        unsigned char* jpeg = nullptr;
        unsigned long size = 0;
        if (tjCompress2(encoder, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0) != 0)
            return false;
        std::FILE* f = std::fopen((dir + "/" + std::to_string(n) + ".jpg").c_str(), "wb");
        if (!f || std::fwrite(jpeg, 1, size, f) != size) {
            if (f)
                std::fclose(f);
            return false;
        }
        std::fclose(f);
        megabytes += double(size) / 1e6;
        tjFree(jpeg);
    }
    tjDestroy(encoder);
    megabytes /= count;
    return true;
}

std::vector<unsigned char> readAll(const std::string& path)
{
    std::vector<unsigned char> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fseek(f, 0, SEEK_END);
        bytes.resize(static_cast<std::size_t>(std::ftell(f)));
        std::fseek(f, 0, SEEK_SET);
        if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
            bytes.clear();
        std::fclose(f);
    }
    return bytes;
}

struct Box {
    const char* name;
    SizeLimit limit;
    double target; // the speed-up asked for; 0: shown, not judged
    double wholeReduce = 0, reduced = 0; // seconds over all photos
    double textureBytes = 0;
    int width = 0, height = 0;
};

} // namespace

int main(int argc, char** argv)
{
    int count = 40;
    if (argc == 3 && std::strcmp(argv[1], "--photos") == 0)
        count = std::max(1, std::atoi(argv[2]));
    const std::string dir = "/tmp/vornak_photo_bench";
    double averageMB = 0;
    std::printf("photo_bench: writing %d photos of %dx%d (JPEG quality 90, 4:2:0) ...\n", count, kWidth, kHeight);
    std::fflush(stdout);
    if (!writePhotos(dir, count, averageMB)) {
        std::fprintf(stderr, "photo_bench: cannot write the photos to %s\n", dir.c_str());
        return 1;
    }
    Box boxes[] = {
        {"1920x1080 cover", {1920, 1080, Fit::Cover}, 2.0},
        {"640x360 cover", {640, 360, Fit::Cover}, 4.0},
        {"1920x1080 contain", {1920, 1080, Fit::Contain}, 0},
        {"640x360 contain", {640, 360, Fit::Contain}, 0},
    };
    double whole = 0;
    for (int n = 0; n < count; ++n) {
        const std::string path = dir + "/" + std::to_string(n) + ".jpg";
        const std::vector<unsigned char> file = readAll(path);
        if (file.empty()) {
            std::fprintf(stderr, "photo_bench: cannot read %s\n", path.c_str());
            return 1;
        }
        // Alternate which way goes first, so neither always meets a warm cache.
        for (int pass = 0; pass < 2; ++pass) {
            if ((pass == 0) == (n % 2 == 0)) {
                DecodedImage image;
                double start = cpuSeconds();
                if (!decodeJPEGRgba(file.data(), file.size(), path.c_str(), image))
                    return 1;
                whole += cpuSeconds() - start;
                for (Box& box : boxes) {
                    int w = 0, h = 0;
                    fittedSize(image.width, image.height, box.limit, w, h);
                    DecodedImage reduced;
                    start = cpuSeconds();
                    if (!reducePicture(image, w, h, path.c_str(), reduced))
                        return 1;
                    box.wholeReduce += cpuSeconds() - start;
                }
            } else {
                for (Box& box : boxes) {
                    DecodedImage image;
                    const double start = cpuSeconds();
                    if (!decodePicture(file.data(), file.size(), path.c_str(), IMG_JPEG, box.limit, image))
                        return 1;
                    box.reduced += cpuSeconds() - start;
                    box.width = image.width;
                    box.height = image.height;
                    // What a show holds: the picture cut (cover) or padded (contain) to the 16:9 frame.
                    DecodedImage framed;
                    const DecodedImage& held = fitPicture(image, Framing{box.limit.fit}, framed) ? framed : image;
                    box.textureBytes += double(held.width) * held.height * 4;
                }
            }
        }
        std::remove(path.c_str());
    }
    rmdir(dir.c_str());

    std::printf("\nphotos: %d JPEGs of %dx%d, %.1f MB each on average; CPU time per photo (decoding thread)\n", count,
                kWidth, kHeight, averageMB);
    std::printf("  whole decode alone                       %7.1f ms\n", whole / count * 1e3);
    std::printf("  %-18s %-11s %14s %18s %8s\n", "box", "texture", "whole+reduce", "reduced decoding", "ratio");
    for (const Box& box : boxes) {
        const double baseline = (whole + box.wholeReduce) / count * 1e3, ours = box.reduced / count * 1e3;
        std::printf("  %-18s %4dx%-6d %11.1f ms %15.1f ms %7.2fx\n", box.name, box.width, box.height, baseline, ours,
                    baseline / ours);
    }
    std::printf("\ntexture memory for the %d photos as a show holds them, fitted to its 16:9 frame (one RGBA level "
                "each; the whole photos would take %.0f MB):\n",
                count,
                double(count) * kWidth * kHeight * 4 / 1e6);
    for (const Box& box : boxes)
        std::printf("  %-18s %7.1f MB\n", box.name, box.textureBytes / 1e6);
    std::printf("\n");
    for (const Box& box : boxes) {
        if (box.target <= 0)
            continue;
        const double ratio = (whole + box.wholeReduce) / box.reduced;
        std::printf("target: %d photos 4000x3000 for %s, whole-then-reduced / reduced while decoding | %.2fx | >= "
                    "%.1fx | %s\n",
                    count, box.name, ratio, box.target, ratio >= box.target ? "PASS" : "FAIL");
    }
    const double budget = double(count) * 1920 * 1080 * 4;
    for (const Box& box : boxes) {
        if (std::strncmp(box.name, "1920x1080", 9) != 0)
            continue;
        std::printf("target: texture memory, %d photos 4000x3000 in a %s show | %.0f MB | <= %.0f MB | %s\n", count,
                    box.name, box.textureBytes / 1e6, budget / 1e6, box.textureBytes <= budget ? "PASS" : "FAIL");
    }
    return 0;
}
