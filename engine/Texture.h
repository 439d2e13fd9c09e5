#pragma once

// Needs: a current OpenGL 4.1 core context, and GLEW initialised with
// glewExperimental = GL_TRUE, before any call.
//
// One GL 2D texture filled once, at construction, from a JPEG, PNG or TGA
// file (HEIC and WebP too on the desktop), bottom row first so t = 0 is the
// picture's bottom edge. It keeps no pixels on the CPU side and never deletes
// its GL name. While a DecodeQueue
// is current, a queued file's pixels come from there instead of the file.
//
// GL state a load leaves behind: the texture stays bound to GL_TEXTURE_2D on
// the active unit; after a JPEG, GL_UNPACK_ALIGNMENT is 1 and
// GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS and GL_UNPACK_SKIP_ROWS are 0.
// Every other unpack setting and the GL_PIXEL_UNPACK_BUFFER binding are set
// for the upload and put back as the caller had them (after PNG and TGA, all
// of them are). The texture's swizzle is set on every load: grey pictures
// sample as grey, all others as they are. On OpenGL ES (WebGL2 has neither
// swizzles nor BGR uploads) grey and BGR pixels are expanded to RGBA first.

#include "vornak/SizeLimit.h"

#include <string>

namespace vornak_engine {

struct DecodedImage;

// Int-sized with every int a valid value: a kind outside 0-5 is a bare name, not undefined behaviour.
// IMG_AUTO tells the kind from the file's content (PictureDecoder.h); it and the
// photo kinds after it are read upright (EXIF orientation) and within any size limit.
// HEIC and WebP are read on the desktop only.
enum ImgType : int { IMG_JPEG = 0, IMG_PNG = 1, IMG_TGA = 2, IMG_AUTO = 3, IMG_HEIC = 4, IMG_WEBP = 5 };

// The reader a picture file's name asks for: ".png" PNG, ".tga" TGA (either in
// any case), anything else JPEG.
ImgType imageTypeOf(const std::string& path);

class Texture {
public:
    // Needs a current GL context. A file that cannot be used leaves the
    // generated name without an image (it samples as (0, 0, 0, 1)).
    Texture(char* path, ImgType type);
    Texture(const char* path, ImgType type);
    // A bare GL name without an image, to be filled by replace(); it samples
    // as (0, 0, 0, 1) until then.
    Texture();
    // The picture no larger than it is drawn in the limit's box (never
    // enlarged). No limit and a kind 0-2: exactly the two above.
    Texture(const char* path, ImgType type, const SizeLimit& limit);
    ~Texture();

    unsigned int getTexID();
    // 0 until a reader has decoded the file.
    int getWidth();
    int getHeight();

    // Each reader decodes the file, writes width and height, and uploads into
    // the given name with linear filters, repeat wrap, one level, internal GL_RGBA.
    void loadJPEG(char* path, unsigned int tex);
    void loadJPEG(const char* path, unsigned int tex);
    void loadPNG(char* path, unsigned int tex);
    void loadPNG(const char* path, unsigned int tex);
    void loadTGA(char* path, unsigned int tex);
    void loadTGA(const char* path, unsigned int tex);

    // Decodes the file with the reader for its kind (no GL); false after one
    // line on standard error naming the file.
    static bool decode(const char* path, ImgType type, DecodedImage& out);
    static bool decode(const char* path, ImgType type, const SizeLimit& limit, DecodedImage& out);
    // Puts a decoded picture in place of the current one, keeping the GL name.
    // A picture GL cannot hold leaves the old one and returns false.
    bool replace(const char* path, const DecodedImage& image);
    // Reads the file again, within the limit it was made with; only a picture
    // that decodes and fits replaces the old one, so a damaged or missing file
    // leaves it as it was.
    bool reload(const char* path, ImgType type);
    SizeLimit getSizeLimit() const { return limit; }

private:
    bool upload(const char* path, const DecodedImage& image, unsigned int tex, bool jpegStore);

    unsigned int texID = 0;
    int width = 0;
    int height = 0;
    SizeLimit limit;
};

} // namespace vornak_engine
