#pragma once

// Needs: no GL context: pure CPU, safe on any thread.
//
// Readers the engine's own picture pipeline (PictureDecoder) builds on; not
// installed. Each reports as the readers of ImageDecoder.h do.

#include "vornak/ImageDecoder.h"
#include "vornak/SizeLimit.h"

#include <cstddef>
#include <cstdint>

namespace vornak_engine {

// A JPEG reduced while decoding by libjpeg-turbo's DCT scaling to 1/scaleDenom
// of each side, rounded up (scaleDenom 1, 2, 4 or 8; anything else is 1), as
// decodeJPEGRgba lays it out: four bytes a pixel (four-colour files three),
// rows bottom-up. At 1 it is exactly decodeJPEGRgba.
bool decodeJPEGScaled(const std::uint8_t* data, std::size_t size, const char* name, int scaleDenom,
                      DecodedImage& out, std::size_t maxBytes);

// True when a width x height picture whose decode holds `bytes` at once is
// within kMaxPicturePixels and maxBytes; else false after one line naming the
// file and its size.
bool pictureWithinLimits(const char* name, int width, int height, std::uint64_t bytes, std::size_t maxBytes);

// The area filter of reducePicture over raw rows: `channels` bytes a pixel,
// rows `fromStride` bytes apart (negative: walking upwards), into `to`, rows
// `toStride` apart. toWidth <= fromWidth and toHeight <= fromHeight.
void reduceRows(const std::uint8_t* from, std::ptrdiff_t fromStride, int fromWidth, int fromHeight, int channels,
                std::uint8_t* to, std::ptrdiff_t toStride, int toWidth, int toHeight);

// Where VORNAK_PHOTO_CODECS is set (PhotoCodecs.cpp). Each decodes to
// fittedSize(its upright size, limit) as four bytes a pixel (GL_RGBA), rows
// bottom-up, or gives one line naming `name` and false.
// HEIC: the primary picture, turned and mirrored as its container says
// (libheif does it); an EXIF orientation inside is not looked at.
bool decodeHEIC(const std::uint8_t* data, std::size_t size, const char* name, const SizeLimit& limit,
                DecodedImage& out, std::size_t maxBytes);
// WebP: a still picture (an animation is refused); reduced by libwebp's scaler.
bool decodeWebP(const std::uint8_t* data, std::size_t size, const char* name, const SizeLimit& limit,
                DecodedImage& out, std::size_t maxBytes);
// Their sizes from the headers alone (HEIC: after its container's turn).
bool readHEICSize(const std::uint8_t* data, std::size_t size, const char* name, int& width, int& height);
bool readWebPSize(const std::uint8_t* data, std::size_t size, const char* name, int& width, int& height);

} // namespace vornak_engine
