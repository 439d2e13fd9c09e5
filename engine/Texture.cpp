#include "vornak/Texture.h"
#include "vornak/Log.h"

#include "vornak/DecodeQueue.h"
#include "vornak/ImageDecoder.h"
#include "vornak/PictureDecoder.h"

#include "vornak/GL.h"

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <memory>

namespace vornak_engine {

namespace {

// Our pixels lie in client memory, rows back to back: for the life of this
// object the unpack state says exactly that, and the caller's comes back after.
class TightRows {
public:
    TightRows()
    {
        glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &buffer);
        for (std::size_t i = 0; i < kCount; ++i)
            glGetIntegerv(kNames[i], &saved[i]);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
        for (std::size_t i = 0; i < kCount; ++i)
            glPixelStorei(kNames[i], kNames[i] == GL_UNPACK_ALIGNMENT ? 1 : 0);
    }
    ~TightRows()
    {
        for (std::size_t i = 0; i < kCount; ++i)
            glPixelStorei(kNames[i], saved[i]);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(buffer));
    }
    TightRows(const TightRows&) = delete;
    TightRows& operator=(const TightRows&) = delete;

private:
#ifdef VORNAK_GLES
    // ES has no byte swapping or bit order to unpack.
    static constexpr std::size_t kCount = 6;
    static constexpr GLenum kNames[kCount] = {GL_UNPACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH,   GL_UNPACK_SKIP_PIXELS,
                                              GL_UNPACK_SKIP_ROWS, GL_UNPACK_IMAGE_HEIGHT, GL_UNPACK_SKIP_IMAGES};
#else
    static constexpr std::size_t kCount = 8;
    static constexpr GLenum kNames[kCount] = {GL_UNPACK_ALIGNMENT,  GL_UNPACK_ROW_LENGTH,   GL_UNPACK_SKIP_PIXELS,
                                              GL_UNPACK_SKIP_ROWS,  GL_UNPACK_IMAGE_HEIGHT, GL_UNPACK_SKIP_IMAGES,
                                              GL_UNPACK_SWAP_BYTES, GL_UNPACK_LSB_FIRST};
#endif
    GLint buffer = 0;
    GLint saved[kCount] = {};
};

} // namespace

Texture::Texture(char* path, ImgType type) : Texture(static_cast<const char*>(path), type) {}

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
#ifdef VORNAK_GLES
    // WebGL2 has no swizzles and takes no BGR, and ES wants the source format
    // to match GL_RGBA: anything else is expanded on the CPU to what the
    // desktop texture samples.
    DecodedImage expanded;
    const bool asIs = image.format == GL_RGBA && !image.swizzled;
    if (!asIs && !expandToRgba(image, path, expanded))
        return false;
    const DecodedImage& pixels = asIs ? image : expanded;
#else
    // A name reloaded after a grey picture must not keep showing red as grey.
    static const GLint kNoSwizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, image.swizzled ? image.swizzle : kNoSwizzle);
    const DecodedImage& pixels = image;
#endif
    {
        const TightRows tight;
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, pixels.width, pixels.height, 0, pixels.format, GL_UNSIGNED_BYTE,
                     pixels.pixels);
    }
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
