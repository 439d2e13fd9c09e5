#include "vornak/ImageDecoder.h"

#include <GL/glew.h>
#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace vornak_engine {

void DecodedImage::release()
{
    width = 0;
    height = 0;
    format = 0;
    swizzled = false;
    std::fill(swizzle, swizzle + 4, 0);
    pixels = nullptr;
    size = 0;
    storage.reset();
}

namespace {

using Bytes = std::unique_ptr<std::uint8_t[]>;

// One whole line per failure, so messages from several files never interleave.
__attribute__((format(printf, 2, 3))) void report(const char* name, const char* format, ...)
{
    char reason[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(reason, sizeof reason, format, args);
    va_end(args);
    std::fprintf(stderr, "%s: %s\n", name ? name : "(memory)", reason);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File openFile(const char* path)
{
    File file(std::fopen(path, "rb"));
    if (!file)
        report(path, "cannot open: %s", std::strerror(errno));
    return file;
}

// Size of an open file, its position put back at the start; -1 after a report.
long fileSize(std::FILE* file, const char* path)
{
    errno = 0;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = std::ftell(file);
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        report(path, "cannot read: %s", std::strerror(errno ? errno : EIO));
        return -1;
    }
    if (size == 0) {
        report(path, "empty file");
        return -1;
    }
    return size;
}

Bytes allocate(std::uint64_t bytes, const char* name)
{
    Bytes buffer(new (std::nothrow) std::uint8_t[bytes]);
    if (!buffer)
        report(name, "out of memory for %llu bytes", static_cast<unsigned long long>(bytes));
    return buffer;
}

// The whole file in one read.
bool readWholeFile(const char* path, Bytes& bytes, std::size_t& size)
{
    File file = openFile(path);
    if (!file)
        return false;
    const long length = fileSize(file.get(), path);
    if (length < 0)
        return false;
    bytes = allocate(static_cast<std::uint64_t>(length), path);
    if (!bytes)
        return false;
    size = std::fread(bytes.get(), 1, static_cast<std::size_t>(length), file.get());
    if (size != static_cast<std::size_t>(length)) {
        if (std::ferror(file.get()))
            report(path, "cannot read: %s", std::strerror(errno ? errno : EIO));
        else
            report(path, "file ends early: read %zu of %ld bytes", size, length);
        bytes.reset();
        return false;
    }
    return true;
}

bool fitsLimit(std::uint64_t bytes, int width, int height, std::size_t maxBytes, const char* name)
{
    if (bytes <= maxBytes)
        return true;
    report(name, "%dx%d picture needs %llu bytes, more than the %zu-byte limit", width, height,
           static_cast<unsigned long long>(bytes), maxBytes);
    return false;
}

void setGreySwizzle(DecodedImage& out, bool withAlpha)
{
    out.swizzled = true;
    out.swizzle[0] = GL_RED;
    out.swizzle[1] = GL_RED;
    out.swizzle[2] = GL_RED;
    out.swizzle[3] = withAlpha ? GL_GREEN : GL_ONE;
}

void adopt(DecodedImage& out, Bytes storage, const std::uint8_t* pixels, std::size_t size, int width,
           int height, unsigned format)
{
    out.storage = std::move(storage);
    out.pixels = pixels;
    out.size = size;
    out.width = width;
    out.height = height;
    out.format = format;
}

// ---- JPEG ----

struct TjDestroyer {
    void operator()(void* handle) const { tjDestroy(handle); }
};

// ---- PNG ----

struct MemorySource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};

// Everything one PNG read takes lives here, outside the frame that holds the
// recovery point, so a longjmp leaves nothing half-owned and the destructor
// gives it all back.
struct PngJob {
    const char* name = nullptr;
    std::size_t maxBytes = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_infop endInfo = nullptr;
    Bytes pixels;
    std::unique_ptr<png_bytep[]> rows;
    char error[256] = {};
    char warning[256] = {};
    int width = 0;
    int height = 0;
    int channels = 0;
    std::size_t bytes = 0;

    ~PngJob()
    {
        if (png)
            png_destroy_read_struct(&png, &info, &endInfo);
    }
};

void pngError(png_structp png, png_const_charp message)
{
    PngJob* job = static_cast<PngJob*>(png_get_error_ptr(png));
    std::snprintf(job->error, sizeof job->error, "%s", message);
    png_longjmp(png, 1);
}

// Benign warnings (a bad ancillary chunk, an odd colour profile): the first is
// kept and printed only if the picture loads, so a failure stays one line.
void pngWarning(png_structp png, png_const_charp message)
{
    PngJob* job = static_cast<PngJob*>(png_get_error_ptr(png));
    if (!job->warning[0])
        std::snprintf(job->warning, sizeof job->warning, "%s", message);
}

void pngReadMemory(png_structp png, png_bytep into, std::size_t count)
{
    MemorySource* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (source->size - source->at < count)
        png_error(png, "file ends early");
    std::memcpy(into, source->data + source->at, count);
    source->at += count;
}

void pngReadFile(png_structp png, png_bytep into, std::size_t count)
{
    std::FILE* file = static_cast<std::FILE*>(png_get_io_ptr(png));
    if (std::fread(into, 1, count, file) != count)
        png_error(png, std::ferror(file) ? "read error" : "file ends early");
}

// Runs under the recovery point: no object here may need a destructor, since
// libpng leaves this frame by longjmp on any error.
bool readPngBody(PngJob& job)
{
    png_structp png = job.png;
    png_infop info = job.info;
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int depth = png_get_bit_depth(png, info);
    const int colour = png_get_color_type(png, info);

    // 8-bit RGB and RGBA need nothing; every other kind is brought to 8-bit
    // grey, grey+alpha, RGB or RGBA so it shows its true picture.
    bool transformed = false;
    if (colour == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
        transformed = true;
    }
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
        transformed = true;
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
        transformed = true;
    }
    if (depth == 16) {
        png_set_strip_16(png);
        transformed = true;
    }
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
        png_set_interlace_handling(png);
        transformed = true;
    }
    if (transformed)
        png_read_update_info(png, info);

    const int channels = png_get_channels(png, info);
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(channels);
    if (png_get_bit_depth(png, info) != 8 || channels < 1 || channels > 4 || png_get_rowbytes(png, info) != rowBytes)
        png_error(png, "unsupported pixel layout");
    // libpng's own limits keep both sides far below 2^31.
    job.width = static_cast<int>(width);
    job.height = static_cast<int>(height);
    job.channels = channels;
    const std::uint64_t bytes = rowBytes * height;
    if (bytes > job.maxBytes) {
        std::snprintf(job.error, sizeof job.error, "%dx%d picture needs %llu bytes, more than the %zu-byte limit",
                      job.width, job.height, static_cast<unsigned long long>(bytes), job.maxBytes);
        return false;
    }
    job.bytes = static_cast<std::size_t>(bytes);
    job.pixels.reset(new (std::nothrow) std::uint8_t[job.bytes]);
    job.rows.reset(new (std::nothrow) png_bytep[height]);
    if (!job.pixels || !job.rows)
        png_error(png, "out of memory");
    // The file's top row goes to the buffer's last row: GL gets the bottom row first.
    for (png_uint_32 i = 0; i < height; ++i)
        job.rows[height - 1 - i] = job.pixels.get() + i * rowBytes;
    png_read_image(png, job.rows.get());
    return true;
}

bool readPng(PngJob& job)
{
    if (setjmp(png_jmpbuf(job.png)))
        return false;
    return readPngBody(job);
}

bool decodePngFrom(void* source, png_rw_ptr readFunction, const char* name, DecodedImage& out,
                   std::size_t maxBytes)
{
    PngJob job;
    job.name = name;
    job.maxBytes = maxBytes;
    job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, pngError, pngWarning);
    if (!job.png) {
        report(name, "cannot start the PNG decoder");
        return false;
    }
    job.info = png_create_info_struct(job.png);
    job.endInfo = png_create_info_struct(job.png);
    if (!job.info || !job.endInfo) {
        report(name, "out of memory");
        return false;
    }
    png_set_read_fn(job.png, source, readFunction);
    if (!readPng(job)) {
        report(name, "cannot decode PNG: %s", job.error);
        return false;
    }
    if (job.warning[0])
        report(name, "libpng warning: %s", job.warning);
    static const unsigned formats[] = {GL_RED, GL_RG, GL_RGB, GL_RGBA};
    const std::uint8_t* pixels = job.pixels.get();
    adopt(out, std::move(job.pixels), pixels, job.bytes, job.width, job.height, formats[job.channels - 1]);
    // A core context has no luminance formats: grey comes through red (and green for alpha).
    if (job.channels <= 2)
        setGreySwizzle(out, job.channels == 2);
    return true;
}

// ---- TGA ----

unsigned le16(const std::uint8_t* p)
{
    return static_cast<unsigned>(p[0]) | (static_cast<unsigned>(p[1]) << 8);
}

struct TgaLayout {
    int width;
    int height;
    int pixelBytes;
    bool topFirst;
    std::size_t rowBytes;

    // Offset in the bottom-up buffer of the file's row-th row.
    std::size_t rowStart(std::size_t row) const
    {
        return (topFirst ? static_cast<std::size_t>(height) - 1 - row : row) * rowBytes;
    }
};

bool decodeTgaRle(const std::uint8_t* in, const std::uint8_t* end, const TgaLayout& layout, std::uint8_t* buffer,
                  const char* name)
{
    const std::size_t width = static_cast<std::size_t>(layout.width);
    const std::size_t total = width * static_cast<std::size_t>(layout.height);
    const std::size_t pixelBytes = static_cast<std::size_t>(layout.pixelBytes);
    std::size_t pixel = 0;
    while (pixel < total) {
        if (in == end) {
            report(name, "file ends early: run-length data stops at pixel %zu of %zu", pixel, total);
            return false;
        }
        const std::uint8_t head = *in++;
        const bool repeated = (head & 0x80) != 0;
        // A last packet that runs past the picture is cut, not refused.
        std::size_t count = std::min<std::size_t>((head & 0x7f) + 1, total - pixel);
        const std::size_t needed = repeated ? pixelBytes : count * pixelBytes;
        if (static_cast<std::size_t>(end - in) < needed) {
            report(name, "file ends early: run-length data stops at pixel %zu of %zu", pixel, total);
            return false;
        }
        const std::uint8_t* value = in;
        in += needed;
        // Packets may cross row ends; split them so top-first rows land in place.
        while (count > 0) {
            const std::size_t row = pixel / width;
            const std::size_t column = pixel % width;
            const std::size_t n = std::min(count, width - column);
            std::uint8_t* to = buffer + layout.rowStart(row) + column * pixelBytes;
            if (repeated) {
                for (std::size_t k = 0; k < n; ++k)
                    std::memcpy(to + k * pixelBytes, value, pixelBytes);
            } else {
                std::memcpy(to, value, n * pixelBytes);
                value += n * pixelBytes;
            }
            pixel += n;
            count -= n;
        }
    }
    return true;
}

// whole, when given, owns data: uncompressed bottom-first pixels are then
// used where they lie, without a second buffer.
bool decodeTgaBytes(const std::uint8_t* data, std::size_t size, const char* name, DecodedImage& out,
                    std::size_t maxBytes, Bytes whole)
{
    enum { kHeaderBytes = 18 };
    if (size == 0) {
        report(name, "empty file");
        return false;
    }
    if (size < kHeaderBytes) {
        report(name, "file ends early: %zu of 18 header bytes", size);
        return false;
    }
    const unsigned idLength = data[0];
    const unsigned mapType = data[1];
    const unsigned imageType = data[2];
    const unsigned mapLength = le16(data + 5);
    const unsigned mapEntryBits = data[7];
    const int width = static_cast<std::int16_t>(le16(data + 12));
    const int height = static_cast<std::int16_t>(le16(data + 14));
    const int depth = data[16];
    const unsigned descriptor = data[17];

    if (imageType == 1 || imageType == 9) {
        report(name, "colour-mapped pictures are not supported (image type %u)", imageType);
        return false;
    }
    if (imageType != 2 && imageType != 3 && imageType != 10 && imageType != 11) {
        report(name, "unsupported image type %u", imageType);
        return false;
    }
    if (mapType > 1) {
        report(name, "unknown colour map type %u", mapType);
        return false;
    }
    const bool grey = imageType == 3 || imageType == 11;
    if (grey ? depth != 8 : (depth != 24 && depth != 32)) {
        report(name, "unsupported depth of %d bits for image type %u", depth, imageType);
        return false;
    }
    if (width <= 0 || height <= 0) {
        report(name, "unusable size %dx%d", width, height);
        return false;
    }
    // A true-colour file may still carry a colour map; it is skipped.
    const std::uint64_t offset = kHeaderBytes + idLength +
                                 (mapType == 1 ? static_cast<std::uint64_t>(mapLength) * ((mapEntryBits + 7) / 8) : 0);
    if (offset > size) {
        report(name, "file ends early: header fields need %llu bytes, file has %zu",
               static_cast<unsigned long long>(offset), size);
        return false;
    }

    const TgaLayout layout{width, height, depth / 8, (descriptor & 0x20) != 0,
                           static_cast<std::size_t>(width) * static_cast<std::size_t>(depth / 8)};
    const std::uint64_t pixelCount = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    const std::uint64_t bytes = pixelCount * static_cast<std::uint64_t>(layout.pixelBytes);
    if (!fitsLimit(bytes, width, height, maxBytes, name))
        return false;
    const std::uint8_t* in = data + offset;
    const std::size_t available = size - static_cast<std::size_t>(offset);
    const unsigned format = grey ? GL_RED : (depth == 24 ? GL_BGR : GL_BGRA);
    const bool rle = imageType >= 9;

    if (!rle && available < bytes) {
        report(name, "file ends early: %zu of %llu pixel bytes", available, static_cast<unsigned long long>(bytes));
        return false;
    }
    // Each packet covers at most 128 pixels; refuse before allocating for data that cannot cover the picture.
    if (rle && available < (pixelCount + 127) / 128 * (1 + static_cast<std::uint64_t>(layout.pixelBytes))) {
        report(name, "file ends early: %zu bytes of run-length data cannot cover %llu pixels", available,
               static_cast<unsigned long long>(pixelCount));
        return false;
    }

    if (!rle && !layout.topFirst && whole) {
        adopt(out, std::move(whole), in, static_cast<std::size_t>(bytes), width, height, format);
    } else {
        Bytes buffer = allocate(bytes, name);
        if (!buffer)
            return false;
        if (rle) {
            if (!decodeTgaRle(in, data + size, layout, buffer.get(), name))
                return false;
        } else if (!layout.topFirst) {
            std::memcpy(buffer.get(), in, static_cast<std::size_t>(bytes));
        } else {
            for (int row = 0; row < height; ++row)
                std::memcpy(buffer.get() + layout.rowStart(static_cast<std::size_t>(row)),
                            in + static_cast<std::size_t>(row) * layout.rowBytes, layout.rowBytes);
        }
        const std::uint8_t* pixels = buffer.get();
        adopt(out, std::move(buffer), pixels, static_cast<std::size_t>(bytes), width, height, format);
    }
    if (grey)
        setGreySwizzle(out, false);
    return true;
}

} // namespace

bool decodeJPEG(const std::uint8_t* data, std::size_t size, const char* name, DecodedImage& out,
                std::size_t maxBytes)
{
    out.release();
    if (size == 0) {
        report(name, "empty file");
        return false;
    }
    std::unique_ptr<void, TjDestroyer> decoder(tjInitDecompress());
    if (!decoder) {
        report(name, "cannot start the JPEG decoder: %s", tjGetErrorStr2(nullptr));
        return false;
    }
    int width = 0;
    int height = 0;
    int subsampling = 0;
    if (tjDecompressHeader2(decoder.get(), const_cast<std::uint8_t*>(data), static_cast<unsigned long>(size), &width,
                            &height, &subsampling) != 0) {
        report(name, "cannot read JPEG header: %s", tjGetErrorStr2(decoder.get()));
        return false;
    }
    if (width <= 0 || height <= 0) {
        report(name, "unusable size %dx%d", width, height);
        return false;
    }
    const std::uint64_t bytes = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3;
    if (!fitsLimit(bytes, width, height, maxBytes, name))
        return false;
    Bytes pixels = allocate(bytes, name);
    if (!pixels)
        return false;
    // Bottom-up from the decoder itself, so no row is moved afterwards. A
    // file with an absurd number of progressive scans is refused, not ground through.
    if (tjDecompress2(decoder.get(), data, static_cast<unsigned long>(size), pixels.get(), width, 0, height,
                      TJPF_RGB, TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS) != 0) {
        report(name, "cannot decode JPEG: %s", tjGetErrorStr2(decoder.get()));
        return false;
    }
    const std::uint8_t* start = pixels.get();
    adopt(out, std::move(pixels), start, static_cast<std::size_t>(bytes), width, height, GL_RGB);
    return true;
}

bool decodeJPEG(const char* path, DecodedImage& out, std::size_t maxBytes)
{
    out.release();
    Bytes file;
    std::size_t size = 0;
    if (!readWholeFile(path, file, size))
        return false;
    return decodeJPEG(file.get(), size, path, out, maxBytes);
}

bool decodePNG(const std::uint8_t* data, std::size_t size, const char* name, DecodedImage& out,
               std::size_t maxBytes)
{
    out.release();
    if (size == 0) {
        report(name, "empty file");
        return false;
    }
    MemorySource source{data, size, 0};
    return decodePngFrom(&source, pngReadMemory, name, out, maxBytes);
}

bool decodePNG(const char* path, DecodedImage& out, std::size_t maxBytes)
{
    out.release();
    File file = openFile(path);
    if (!file || fileSize(file.get(), path) < 0)
        return false;
    return decodePngFrom(file.get(), pngReadFile, path, out, maxBytes);
}

bool decodeTGA(const std::uint8_t* data, std::size_t size, const char* name, DecodedImage& out,
               std::size_t maxBytes)
{
    out.release();
    return decodeTgaBytes(data, size, name, out, maxBytes, nullptr);
}

bool decodeTGA(const char* path, DecodedImage& out, std::size_t maxBytes)
{
    out.release();
    Bytes file;
    std::size_t size = 0;
    if (!readWholeFile(path, file, size))
        return false;
    const std::uint8_t* data = file.get();
    return decodeTgaBytes(data, size, path, out, maxBytes, std::move(file));
}

} // namespace vornak_engine
