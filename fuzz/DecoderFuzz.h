#pragma once

// One libFuzzer body for the image decoders: arbitrary bytes must be refused
// or decoded without reading or writing outside a buffer, and a decoded
// picture must be whole.

#include "vornak/ImageDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using DecodeFromMemory = bool (*)(const std::uint8_t*, std::size_t, const char*, vornak_engine::DecodedImage&,
                                  std::size_t);

inline int fuzzDecoder(DecodeFromMemory decode, const std::uint8_t* data, std::size_t size)
{
    vornak_engine::DecodedImage image;
    // A low ceiling keeps huge claimed sizes from exhausting the fuzzer's memory.
    if (!decode(data, size, "fuzz", image, std::size_t(64) << 20)) {
        // A refusal leaves nothing behind.
        if (!image.empty() || image.storage)
            std::abort();
        return 0;
    }
    const std::size_t expected = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    if (image.width <= 0 || image.height <= 0 || !image.pixels || image.size < expected || image.size % expected != 0)
        std::abort();
    // Touch every byte so the sanitizer sees a short buffer.
    unsigned sum = 0;
    for (std::size_t i = 0; i < image.size; ++i)
        sum += image.pixels[i];
    volatile unsigned sink = sum;
    (void)sink;
    return 0;
}
