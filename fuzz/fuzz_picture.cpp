// Any bytes through the photo path: the kind told by content (JPEG with EXIF,
// PNG, HEIC, WebP), the header query, the turn and the reduction to a box.
// The box comes from the input's length, so every seed meets several.
#include "vornak/PictureDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vornak_engine;
    static const SizeLimit kLimits[] = {{}, {64, 48, Fit::Cover}, {17, 9, Fit::Contain}, {1, 1, Fit::Cover}};
    const SizeLimit& limit = kLimits[size % 4];
    PictureInfo info;
    if (readPictureInfo(data, size, "fuzz", info) &&
        (info.width <= 0 || info.height <= 0 || info.orientation < 1 || info.orientation > 8))
        std::abort();
    DecodedImage image;
    // A low ceiling keeps huge claimed sizes from exhausting the fuzzer's memory.
    if (!decodePicture(data, size, "fuzz", IMG_AUTO, limit, image, std::size_t(16) << 20)) {
        if (!image.empty() || image.storage)
            std::abort();
        return 0;
    }
    if (image.width <= 0 || image.height <= 0 || !image.pixels)
        std::abort();
    if (!limit.none()) {
        // Within the box as fitted: never larger than the fitted size of what came out.
        int w = 0, h = 0;
        fittedSize(image.width, image.height, limit, w, h);
        if (w != image.width || h != image.height)
            std::abort();
    }
    const std::size_t pixels = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    if (image.size < pixels || image.size % pixels != 0)
        std::abort();
    unsigned sum = 0;
    for (std::size_t i = 0; i < image.size; ++i)
        sum += image.pixels[i];
    volatile unsigned sink = sum;
    (void)sink;
    return 0;
}
