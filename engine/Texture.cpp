#include "vornak/Texture.h"
#include "vornak/Log.h"

#include "vornak/DecodeQueue.h"
#include "vornak/ImageDecoder.h"
#include "vornak/PictureDecoder.h"

#include "vornak/GL.h"
#include "vornak/internal/GlDialect.h"

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <memory>

namespace vornak_engine {

Texture::Texture(char* path, ImgType type) : Texture(static_cast<const char*>(path), type) {}

Texture::Texture()
{
    glGenTextures(1, &texID);
}

Texture::Texture(const char* path, ImgType type) : Texture(path, type, SizeLimit()) {}

Texture::Texture(const char* path, ImgType type, const SizeLimit& limit) : limit(limit)
{
    texID = 0;
    glGenTextures(1, &texID);
    if (DecodeQueue* queue = DecodeQueue::current()) {
        if (queue->park(this, path, type, limit))
            return;
        std::shared_ptr<const DecodedImage> image;
        if (queue->take(path, type, limit, image)) {
            if (image)
                upload(path, *image, texID, type == IMG_JPEG);
            return;
        }
    }
    // JPEG, PNG and TGA without a limit read exactly as they always have.
    if (!limit.none() || type == IMG_AUTO || type == IMG_HEIC || type == IMG_WEBP) {
        DecodedImage image;
        if (type >= IMG_JPEG && type <= IMG_WEBP && decodePicture(path, type, limit, image))
            upload(path, image, texID, type == IMG_JPEG);
        return;
    }
    switch (type) {
    case IMG_JPEG:
        loadJPEG(path, texID);
        break;
    case IMG_PNG:
        loadPNG(path, texID);
        break;
    case IMG_TGA:
        loadTGA(path, texID);
        break;
    default:
        // An unknown kind keeps the bare name: never bound, no image.
        break;
    }
}

// The GL name lives as long as the context; textures are shared by plain pointers.
Texture::~Texture() = default;

unsigned int Texture::getTexID()
{
    return texID;
}

int Texture::getWidth()
{
    return width;
}

int Texture::getHeight()
{
    return height;
}

void Texture::loadJPEG(char* path, unsigned int tex)
{
    loadJPEG(static_cast<const char*>(path), tex);
}

void Texture::loadJPEG(const char* path, unsigned int tex)
{
    DecodedImage image;
    if (decodeJPEGRgba(path, image))
        upload(path, image, tex, true);
}

void Texture::loadPNG(char* path, unsigned int tex)
{
    loadPNG(static_cast<const char*>(path), tex);
}

void Texture::loadPNG(const char* path, unsigned int tex)
{
    DecodedImage image;
    if (decodePNG(path, image))
        upload(path, image, tex, false);
}

void Texture::loadTGA(char* path, unsigned int tex)
{
    loadTGA(static_cast<const char*>(path), tex);
}

void Texture::loadTGA(const char* path, unsigned int tex)
{
    DecodedImage image;
    if (decodeTGA(path, image))
        upload(path, image, tex, false);
}

bool Texture::decode(const char* path, ImgType type, DecodedImage& out)
{
    return decode(path, type, SizeLimit(), out);
}

bool Texture::decode(const char* path, ImgType type, const SizeLimit& limit, DecodedImage& out)
{
    if (!limit.none() && type >= IMG_JPEG && type <= IMG_WEBP)
        return decodePicture(path, type, limit, out);
    switch (type) {
    case IMG_JPEG:
        return decodeJPEGRgba(path, out);
    case IMG_PNG:
        return decodePNG(path, out);
    case IMG_TGA:
        return decodeTGA(path, out);
    case IMG_AUTO:
    case IMG_HEIC:
    case IMG_WEBP:
        return decodePicture(path, type, limit, out);
    }
    logFormat(LogLevel::Error, "%s: unknown picture kind %d", path, static_cast<int>(type));
    return false;
}

bool Texture::replace(const char* path, const DecodedImage& image)
{
    if (image.empty())
        return false;
    const int oldWidth = width, oldHeight = height;
    // The upload sets the unpack state it needs and gives the caller's back.
    if (upload(path, image, texID, false))
        return true;
    width = oldWidth;
    height = oldHeight;
    return false;
}

ImgType imageTypeOf(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : path.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "png")
        return IMG_PNG;
    return extension == "tga" ? IMG_TGA : IMG_JPEG;
}

bool Texture::reload(const char* path, ImgType type)
{
    DecodedImage image;
    return decode(path, type, limit, image) && replace(path, image);
}

bool Texture::upload(const char* path, const DecodedImage& image, unsigned int tex, bool jpegStore)
{
    width = image.width;
    height = image.height;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (image.width > maxSize || image.height > maxSize) {
        logFormat(LogLevel::Error, "%s: %dx%d picture is larger than this GL's %d-pixel texture limit", path,
                     image.width, image.height, static_cast<int>(maxSize));
        return false;
    }
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    if (!gl::uploadPicture(image, path))
        return false;
    if (jpegStore) {
        // What the JPEG reader has always left behind, and callers may count on.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    }
    return true;
}

} // namespace vornak_engine
