#pragma once

// Needs: no GL context: pure CPU, safe on any thread.
//
// Pictures as people have them: the kind told by the content, turned upright
// by a JPEG's EXIF orientation, decoded no larger than the box they are drawn
// in, and refused before any large allocation when their header asks too
// much. Built on the plain readers of ImageDecoder.h, which keep their exact
// behaviour. HEIC and WebP are read where VORNAK_PHOTO_CODECS is set
// (Platform.h: the desktop); elsewhere they are refused with one line.
// Results are DecodedImages as the plain readers give them: rows bottom-up.

#include "vornak/ImageDecoder.h"
#include "vornak/SizeLimit.h"
#include "vornak/Texture.h" // ImgType

#include <cstddef>
#include <cstdint>

namespace vornak_engine {

// A picture over either bound is refused before its pixels are allocated.
constexpr std::uint64_t kMaxPicturePixels = 100000000;     // 100 megapixels
constexpr std::size_t kMaxPictureBytes = std::size_t(512) << 20; // held at once while decoding

// The size a width x height picture is drawn at in the limit's box: the
// largest that covers it (Cover) or fits inside it (Contain), never larger
// than the picture, each side rounded and at least 1. No limit: unchanged.
void fittedSize(int width, int height, const SizeLimit& limit, int& outWidth, int& outHeight);

struct PictureInfo {
    ImgType type = IMG_AUTO; // the reader the content asks for: JPEG, PNG, TGA, HEIC or WebP
    int width = 0;           // as stored, before the orientation turns it
    int height = 0;
    // EXIF orientation, 1-8 (1: as stored; 5-8 swap width and height). HEIC
    // gives its size with its container's turn applied, and 1.
    int orientation = 1;

    int uprightWidth() const { return orientation >= 5 ? height : width; }
    int uprightHeight() const { return orientation >= 5 ? width : height; }
};

// The kind by content: JPEG, PNG, WebP and HEIF/HEIC signatures; a file with
// none is a TGA when the name ends in ".tga" (TGA has no signature), else
// IMG_AUTO (not a picture this engine reads).
ImgType sniffImageType(const std::uint8_t* data, std::size_t size, const char* name);

// From the header alone: kind, stored size and orientation. False after one
// line naming the file. The path form reads only the file's start where the
// kind allows (HEIC is read whole).
bool readPictureInfo(const std::uint8_t* data, std::size_t size, const char* name, PictureInfo& info);
bool readPictureInfo(const char* path, PictureInfo& info);

// The picture for a box. type IMG_AUTO sniffs the kind; any other kind reads
// with its own reader. A JPEG is turned upright by its EXIF orientation
// (absent or damaged: 1); a HEIC by its container (libheif), never by its
// EXIF copy as well. The result is fittedSize(upright size, limit): a JPEG is
// first reduced while decoding by libjpeg-turbo's DCT scaling (the smallest of
// 1/2, 1/4, 1/8 that stays at least that size), a WebP by libwebp's own
// averaging scaler; then an area filter takes it the rest of the way. A JPEG
// with orientation 1 that needs no reduction decodes exactly as
// decodeJPEGRgba gives it; other kinds as their plain readers. Over
// kMaxPicturePixels, or needing more than maxBytes at once: refused first,
// with one line naming the file and its size.
bool decodePicture(const std::uint8_t* data, std::size_t size, const char* name, ImgType type,
                   const SizeLimit& limit, DecodedImage& out, std::size_t maxBytes = kMaxPictureBytes);
bool decodePicture(const char* path, ImgType type, const SizeLimit& limit, DecodedImage& out,
                   std::size_t maxBytes = kMaxPictureBytes);

// in reduced to width x height (each no larger than in's) by an area filter:
// each pixel the mean of the source area it covers, so fine detail averages
// out instead of aliasing. Format and swizzle are kept. False after one line
// naming `name` when memory runs out or the size would enlarge.
bool reducePicture(const DecodedImage& in, int width, int height, const char* name, DecodedImage& out);

// in (rows bottom-up) turned upright by an EXIF orientation 1-8.
bool orientPicture(const DecodedImage& in, int orientation, const char* name, DecodedImage& out);

// The EXIF orientation of a JPEG: the first APP1 "Exif" block's IFD0 tag
// 0x0112, read with every offset checked against the block. 1 when there is
// none, or it is damaged, or its value is outside 1-8.
int jpegOrientation(const std::uint8_t* data, std::size_t size);

} // namespace vornak_engine
