// The EXIF orientation reader on its own: the input is the TIFF structure of
// an APP1 "Exif" block in an otherwise fixed JPEG header, so every mutation
// lands in the offsets and counts the reader must check.
#include "vornak/PictureDecoder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::size_t body = std::min<std::size_t>(size, 65535 - 8);
    std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE1, static_cast<std::uint8_t>((body + 8) >> 8),
                                      static_cast<std::uint8_t>((body + 8) & 0xff), 'E', 'x', 'i', 'f', 0, 0};
    jpeg.insert(jpeg.end(), data, data + body);
    // A frame header after it, as in a real file; the input's tail past 64 KB runs on as data.
    const std::uint8_t frame[] = {0xFF, 0xC0, 0, 11, 8, 0, 16, 0, 16, 1, 1, 0x11, 0};
    jpeg.insert(jpeg.end(), frame, frame + sizeof frame);
    jpeg.insert(jpeg.end(), data + body, data + size);
    const int orientation = vornak_engine::jpegOrientation(jpeg.data(), jpeg.size());
    if (orientation < 1 || orientation > 8)
        std::abort();
    return 0;
}
