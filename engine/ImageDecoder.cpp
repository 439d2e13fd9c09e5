#include "vornak/ImageDecoder.h"
#include "vornak/ImageDecoder_internal.h"
#include "vornak/Log.h"

#include "vornak/FileData.h"

#include "vornak/GL.h"
#include <png.h>
#include <turbojpeg.h>
// After stdio: jpeglib.h needs FILE and size_t declared.
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdarg>
#include <cstring>
#include <new>
#include <string>
#include <vector>

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

// One line naming the file (Log.h).
constexpr auto report = logFileError;

Bytes allocate(std::uint64_t bytes, const char* name)
{
    Bytes buffer(new (std::nothrow) std::uint8_t[bytes]);
    if (!buffer)
        report(name, "out of memory for %llu bytes", static_cast<unsigned long long>(bytes));
    return buffer;
}

// The whole file, or false after one line naming it.
bool readWholeFile(const char* path, std::vector<unsigned char>& bytes)
{
    std::string error;
    if (readFileData(path, bytes, error))
        return true;
    logMessage(LogLevel::Error, error.c_str());
    return false;
}

// One wording for a picture too large to decode, kept in the caller's buffer.
bool underLimit(std::uint64_t bytes, int width, int height, std::size_t maxBytes, char* error, std::size_t errorSize)
{
    if (bytes <= maxBytes)
        return true;
    std::snprintf(error, errorSize, "%dx%d picture needs %llu bytes, more than the %zu-byte limit", width, height,
                  static_cast<unsigned long long>(bytes), maxBytes);
    return false;
}

bool fitsLimit(std::uint64_t bytes, int width, int height, std::size_t maxBytes, const char* name)
{
    char error[160];
    if (underLimit(bytes, width, height, maxBytes, error, sizeof error))
        return true;
    report(name, "%s", error);
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

// The same bound on progressive scans as TurboJPEG's TJFLAG_LIMITSCANS, so a
// file of endless tiny scans is refused on either path.
constexpr int kMaxJpegScans = 500;

// Everything one libjpeg read takes lives here, outside the frame that holds
// the recovery point, as for PNG.
struct JpegJob {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    std::jmp_buf recovery;
    bool created = false;
    bool headerRead = false;
    Bytes pixels;
    Bytes row;
    char error[JMSG_LENGTH_MAX] = {};
    char warning[JMSG_LENGTH_MAX] = {};
    int width = 0;
    int height = 0;
    std::size_t bytes = 0;
    std::size_t maxBytes = 0;
    int pixelBytes = 3; // 4: RGBA with an opaque fourth byte (not for four-colour files)
    unsigned scaleDenom = 1; // DCT scaling: 1/1, 1/2, 1/4 or 1/8

    ~JpegJob()
    {
        if (created)
            jpeg_destroy_decompress(&info);
    }
};

JpegJob& jobOf(j_common_ptr info)
{
    return *static_cast<JpegJob*>(info->client_data);
}

[[noreturn]] void jpegError(j_common_ptr info)
{
    JpegJob& job = jobOf(info);
    info->err->format_message(info, job.error);
    std::longjmp(job.recovery, 1);
}

// Level -1 is a warning about damaged data that libjpeg decodes past; the
// first one is kept. Higher levels are trace messages.
void jpegMessage(j_common_ptr info, int level)
{
    JpegJob& job = jobOf(info);
    if (level < 0 && !job.warning[0])
        info->err->format_message(info, job.warning);
}

void jpegProgress(j_common_ptr info)
{
    const j_decompress_ptr decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxJpegScans) {
        JpegJob& job = jobOf(info);
        std::snprintf(job.error, sizeof job.error, "Progressive JPEG image has more than %d scans", kMaxJpegScans);
        std::longjmp(job.recovery, 1);
    }
}

// Four-colour pixels to RGB. Adobe's files store inverted inks (255 = none),
// which is also what libjpeg's YCCK conversion gives; plain files store ink.
void cmykToRgb(const std::uint8_t* cmyk, std::uint8_t* rgb, std::size_t count, bool inverted)
{
    for (std::size_t i = 0; i < count; ++i, cmyk += 4, rgb += 3) {
        const unsigned flip = inverted ? 0 : 255;
        const unsigned k = cmyk[3] ^ flip;
        for (int c = 0; c < 3; ++c)
            rgb[c] = static_cast<std::uint8_t>(((cmyk[c] ^ flip) * k + 127) / 255);
    }
}

// Runs under the recovery point: no object here may need a destructor, since
// libjpeg leaves this frame by longjmp on any error.
bool readJpegBody(JpegJob& job, const std::uint8_t* data, std::size_t size)
{
    j_decompress_ptr info = &job.info;
    jpeg_mem_src(info, data, static_cast<unsigned long>(size));
    jpeg_read_header(info, TRUE);
    job.headerRead = true;
    const bool fourColour = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    if (fourColour)
        job.pixelBytes = 3;
    info->out_color_space = fourColour ? JCS_CMYK : (job.pixelBytes == 4 ? JCS_EXT_RGBA : JCS_RGB);
    info->scale_num = 1;
    info->scale_denom = job.scaleDenom;
    jpeg_calc_output_dimensions(info);
    job.width = static_cast<int>(info->output_width);
    job.height = static_cast<int>(info->output_height);
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(info->output_width) * job.pixelBytes;
    const std::uint64_t bytes = rowBytes * info->output_height;
    if (!underLimit(bytes, job.width, job.height, job.maxBytes, job.error, sizeof job.error))
        return false;
    job.bytes = static_cast<std::size_t>(bytes);
    job.pixels.reset(new (std::nothrow) std::uint8_t[job.bytes]);
    job.row.reset(new (std::nothrow) std::uint8_t[info->output_width * 4]);
    if (!job.pixels || !job.row) {
        std::snprintf(job.error, sizeof job.error, "out of memory for %zu bytes", job.bytes);
        return false;
    }
    jpeg_start_decompress(info);
    while (info->output_scanline < info->output_height) {
        // The file's top row goes to the buffer's last row: GL gets the bottom row first.
        std::uint8_t* to = job.pixels.get() + (info->output_height - 1 - info->output_scanline) * rowBytes;
        JSAMPROW target = fourColour ? job.row.get() : to;
        jpeg_read_scanlines(info, &target, 1);
        if (fourColour)
            cmykToRgb(job.row.get(), to, info->output_width, info->saw_Adobe_marker);
    }
    jpeg_finish_decompress(info);
    return true;
}

bool readJpeg(JpegJob& job, const std::uint8_t* data, std::size_t size)
{
    if (setjmp(job.recovery))
        return false;
    return readJpegBody(job, data, size);
}

// libjpeg's own interface: for what TurboJPEG's header call refuses (unusual
// sampling, a warning before the frame) and for four-colour files, whose
// Adobe marker TurboJPEG does not show.
bool decodeWithLibjpeg(const std::uint8_t* data, std::size_t size, const char* name, DecodedImage& out,
                       std::size_t maxBytes, bool fourBytes, int scaleDenom)
{
    JpegJob job;
    job.maxBytes = maxBytes;
    job.pixelBytes = fourBytes ? 4 : 3;
    job.scaleDenom = static_cast<unsigned>(scaleDenom);
    job.info.err = jpeg_std_error(&job.errors);
    job.errors.error_exit = jpegError;
    job.errors.emit_message = jpegMessage;
    job.info.client_data = &job;
    jpeg_create_decompress(&job.info);
    job.created = true;
    job.progress.progress_monitor = jpegProgress;
    job.info.progress = &job.progress;
    if (!readJpeg(job, data, size)) {
        report(name, job.headerRead ? "cannot decode JPEG: %s" : "cannot read JPEG header: %s", job.error);
        return false;
    }
    if (job.warning[0])
        report(name, "libjpeg warning: %s", job.warning);
    const std::uint8_t* pixels = job.pixels.get();
    adopt(out, std::move(job.pixels), pixels, job.bytes, job.width, job.height, job.pixelBytes == 4 ? GL_RGBA : GL_RGB);
    return true;
}

// fourBytes: RGBA with an opaque fourth byte instead of packed RGB.
// scaleDenom: decoded at 1/scaleDenom of the size by DCT scaling (1, 2, 4 or 8).
bool decodeJpegBytes(const std::uint8_t* data, std::size_t size, const char* name, DecodedImage& out,
                     std::size_t maxBytes, bool fourBytes, int scaleDenom = 1)
{
    std::unique_ptr<void, TjDestroyer> decoder(tjInitDecompress());
    if (!decoder) {
        report(name, "cannot start the JPEG decoder: %s", tjGetErrorStr2(nullptr));
        return false;
    }
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourSpace = 0;
    if (tjDecompressHeader3(decoder.get(), data, static_cast<unsigned long>(size), &width, &height, &subsampling,
                            &colourSpace) != 0 ||
        colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK)
        return decodeWithLibjpeg(data, size, name, out, maxBytes, fourBytes, scaleDenom);
    if (width <= 0 || height <= 0) {
        report(name, "unusable size %dx%d", width, height);
        return false;
    }
    if (scaleDenom > 1) {
        const tjscalingfactor factor{1, scaleDenom};
        width = TJSCALED(width, factor);
        height = TJSCALED(height, factor);
    }
    const int pixelBytes = fourBytes ? 4 : 3;
    const std::uint64_t bytes = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * pixelBytes;
    if (!fitsLimit(bytes, width, height, maxBytes, name))
        return false;
    Bytes pixels = allocate(bytes, name);
    if (!pixels)
        return false;
    // Bottom-up from the decoder itself, so no row is moved afterwards. A
    // file with an absurd number of progressive scans is refused, not ground through.
    if (tjDecompress2(decoder.get(), data, static_cast<unsigned long>(size), pixels.get(), width, 0, height,
                      fourBytes ? TJPF_RGBA : TJPF_RGB, TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS) != 0) {
        // Damage that libjpeg decodes past is a warning: the whole picture is there.
        if (tjGetErrorCode(decoder.get()) != TJERR_WARNING) {
            report(name, "cannot decode JPEG: %s", tjGetErrorStr2(decoder.get()));
            return false;
        }
        report(name, "libjpeg warning: %s", tjGetErrorStr2(decoder.get()));
    }
    const std::uint8_t* start = pixels.get();
    adopt(out, std::move(pixels), start, static_cast<std::size_t>(bytes), width, height, fourBytes ? GL_RGBA : GL_RGB);
    return true;
}

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
    if (!underLimit(bytes, job.width, job.height, job.maxBytes, job.error, sizeof job.error))
        return false;
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

bool decodePngFrom(MemorySource& source, const char* name, DecodedImage& out, std::size_t maxBytes)
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
    png_set_read_fn(job.png, &source, pngReadMemory);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Mutated files almost never carry right checksums; let them reach the decoder.
    png_set_crc_action(job.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
    png_set_option(job.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
#endif
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
    bool rightFirst;
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

// Right-to-left files (descriptor bit 4) store each row's last pixel first.
void mirrorRows(std::uint8_t* buffer, const TgaLayout& layout)
{
    const std::size_t pixelBytes = static_cast<std::size_t>(layout.pixelBytes);
    std::uint8_t swap[4];
    for (int row = 0; row < layout.height; ++row) {
        std::uint8_t* left = buffer + static_cast<std::size_t>(row) * layout.rowBytes;
        std::uint8_t* right = left + layout.rowBytes - pixelBytes;
        for (; left < right; left += pixelBytes, right -= pixelBytes) {
            std::memcpy(swap, left, pixelBytes);
            std::memcpy(left, right, pixelBytes);
            std::memcpy(right, swap, pixelBytes);
        }
    }
}

bool decodeTgaBytes(const std::uint8_t* data, std::size_t size, const char* name, DecodedImage& out,
                    std::size_t maxBytes)
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

    const TgaLayout layout{width, height, depth / 8, (descriptor & 0x20) != 0, (descriptor & 0x10) != 0,
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
    if (layout.rightFirst)
        mirrorRows(buffer.get(), layout);
    const std::uint8_t* pixels = buffer.get();
    adopt(out, std::move(buffer), pixels, static_cast<std::size_t>(bytes), width, height, format);
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
    return decodeJpegBytes(data, size, name, out, maxBytes, false);
}

bool decodeJPEGRgba(const std::uint8_t* data, std::size_t size, const char* name, DecodedImage& out,
                    std::size_t maxBytes)
{
    out.release();
    if (size == 0) {
        report(name, "empty file");
        return false;
    }
    return decodeJpegBytes(data, size, name, out, maxBytes, true);
}

bool decodeJPEGScaled(const std::uint8_t* data, std::size_t size, const char* name, int scaleDenom,
                      DecodedImage& out, std::size_t maxBytes)
{
    out.release();
    if (size == 0) {
        report(name, "empty file");
        return false;
    }
    if (scaleDenom != 1 && scaleDenom != 2 && scaleDenom != 4 && scaleDenom != 8)
        scaleDenom = 1;
    return decodeJpegBytes(data, size, name, out, maxBytes, true, scaleDenom);
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
    return decodePngFrom(source, name, out, maxBytes);
}

bool decodeTGA(const std::uint8_t* data, std::size_t size, const char* name, DecodedImage& out,
               std::size_t maxBytes)
{
    out.release();
    return decodeTgaBytes(data, size, name, out, maxBytes);
}

namespace {

bool decodeFile(const char* path, DecodedImage& out, std::size_t maxBytes,
                bool (*decode)(const std::uint8_t*, std::size_t, const char*, DecodedImage&, std::size_t))
{
    out.release();
    std::vector<unsigned char> file;
    if (!readWholeFile(path, file))
        return false;
    return decode(file.data(), file.size(), path, out, maxBytes);
}

} // namespace

bool decodeJPEG(const char* path, DecodedImage& out, std::size_t maxBytes)
{
    return decodeFile(path, out, maxBytes, decodeJPEG);
}

bool decodeJPEGRgba(const char* path, DecodedImage& out, std::size_t maxBytes)
{
    return decodeFile(path, out, maxBytes, decodeJPEGRgba);
}

bool decodePNG(const char* path, DecodedImage& out, std::size_t maxBytes)
{
    return decodeFile(path, out, maxBytes, decodePNG);
}

bool decodeTGA(const char* path, DecodedImage& out, std::size_t maxBytes)
{
    return decodeFile(path, out, maxBytes, decodeTGA);
}

bool expandToRgba(const DecodedImage& in, const char* name, DecodedImage& out)
{
    out.release();
    if (in.empty() || in.width <= 0 || in.height <= 0)
        return false;
    int channels = 0;
    switch (in.format) {
    case GL_RED: channels = 1; break;
    case GL_RG: channels = 2; break;
    case GL_RGB: case GL_BGR: channels = 3; break;
    case GL_RGBA: case GL_BGRA: channels = 4; break;
    default:
        report(name, "unknown pixel format 0x%x", in.format);
        return false;
    }
    const std::size_t count = static_cast<std::size_t>(in.width) * static_cast<std::size_t>(in.height);
    if (in.size < count * static_cast<std::size_t>(channels)) {
        report(name, "%zu bytes of pixels for a %dx%d picture", in.size, in.width, in.height);
        return false;
    }
    Bytes storage = allocate(static_cast<std::uint64_t>(count) * 4, name);
    if (!storage)
        return false;
    // The grey cases follow the swizzle the reader set, so they stay right
    // whatever a reader chooses for grey.
    const bool swapped = in.format == GL_BGR || in.format == GL_BGRA;
    const std::uint8_t* src = in.pixels;
    std::uint8_t* dst = storage.get();
    for (std::size_t i = 0; i < count; ++i, src += channels, dst += 4) {
        std::uint8_t texel[4] = {0, 0, 0, 255};
        for (int c = 0; c < channels; ++c)
            texel[c] = src[c];
        if (swapped)
            std::swap(texel[0], texel[2]);
        if (in.swizzled) {
            std::uint8_t picked[4];
            for (int c = 0; c < 4; ++c) {
                const int from = in.swizzle[c];
                picked[c] = from == GL_RED ? texel[0] : from == GL_GREEN ? texel[1] : from == GL_BLUE ? texel[2]
                          : from == GL_ALPHA ? texel[3] : from == GL_ZERO ? 0 : 255;
            }
            std::memcpy(dst, picked, 4);
        } else {
            std::memcpy(dst, texel, 4);
        }
    }
    adopt(out, std::move(storage), nullptr, count * 4, in.width, in.height, GL_RGBA);
    out.pixels = out.storage.get();
    return true;
}

} // namespace vornak_engine
