// HEIC through libheif and WebP through libwebp: the desktop's readers for
// photos as phones and web pages save them. The browser build has neither
// (Platform.h), and this file is empty there.

#include "vornak/Platform.h"

#ifdef VORNAK_PHOTO_CODECS

#include "vornak/ImageDecoder_internal.h"
#include "vornak/PictureDecoder.h"

#include "vornak/GL.h"
#include "vornak/Log.h"

#include <libheif/heif.h>
#include <webp/decode.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace vornak_engine {

namespace {

// One line naming the file (Log.h).
constexpr auto report = logFileError;

bool adoptNew(DecodedImage& out, std::size_t bytes, int width, int height, int channels, const char* name)
{
    out.release();
    out.storage.reset(new (std::nothrow) std::uint8_t[bytes]);
    if (!out.storage) {
        report(name, "out of memory for %zu bytes", bytes);
        return false;
    }
    out.pixels = out.storage.get();
    out.size = bytes;
    out.width = width;
    out.height = height;
    out.format = channels == 4 ? GL_RGBA : GL_RGB;
    return true;
}

// ---- HEIC ----

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

struct Heif {
    std::unique_ptr<heif_context, ContextFree> context;
    std::unique_ptr<heif_image_handle, HandleRelease> primary;
};

// The file's primary picture, or false after one line.
bool openHeif(const std::uint8_t* data, std::size_t size, const char* name, Heif& heif)
{
    // Registers libheif's decoders once for the process; never undone, so
    // pictures decoding on other threads never see them go.
    static const bool started = heif_init(nullptr).code == heif_error_Ok;
    (void)started;
    if (size > static_cast<std::size_t>(INT_MAX)) {
        report(name, "cannot read HEIC: file of %zu bytes is too large", size);
        return false;
    }
    heif.context.reset(heif_context_alloc());
    if (!heif.context) {
        report(name, "cannot start the HEIC decoder");
        return false;
    }
    heif_error error = heif_context_read_from_memory_without_copy(heif.context.get(), data, size, nullptr);
    if (error.code != heif_error_Ok) {
        report(name, "cannot read HEIC: %s", error.message);
        return false;
    }
    heif_image_handle* handle = nullptr;
    error = heif_context_get_primary_image_handle(heif.context.get(), &handle);
    heif.primary.reset(handle);
    if (error.code != heif_error_Ok || !handle) {
        report(name, "cannot read HEIC: %s", error.message);
        return false;
    }
    return true;
}

// ---- WebP ----

const char* webpReason(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY: return "out of memory";
    case VP8_STATUS_INVALID_PARAM: return "invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR: return "damaged data";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "unsupported feature";
    case VP8_STATUS_NOT_ENOUGH_DATA: return "file ends early";
    default: return "decoder failed";
    }
}

} // namespace

bool readHEICSize(const std::uint8_t* data, std::size_t size, const char* name, int& width, int& height)
{
    Heif heif;
    if (!openHeif(data, size, name, heif))
        return false;
    width = heif_image_handle_get_width(heif.primary.get());
    height = heif_image_handle_get_height(heif.primary.get());
    if (width <= 0 || height <= 0) {
        report(name, "unusable size %dx%d", width, height);
        return false;
    }
    return true;
}

bool decodeHEIC(const std::uint8_t* data, std::size_t size, const char* name, const SizeLimit& limit,
                DecodedImage& out, std::size_t maxBytes)
{
    out.release();
    Heif heif;
    if (!openHeif(data, size, name, heif))
        return false;
    heif_image_handle* handle = heif.primary.get();
    // The size as shown (turned) and as coded; limits hold for the larger.
    const int width = heif_image_handle_get_width(handle), height = heif_image_handle_get_height(handle);
    const int codedWidth = heif_image_handle_get_ispe_width(handle);
    const int codedHeight = heif_image_handle_get_ispe_height(handle);
    if (width <= 0 || height <= 0) {
        report(name, "unusable size %dx%d", width, height);
        return false;
    }
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    const int channels = alpha ? 4 : 3;
    int toWidth = 0, toHeight = 0;
    fittedSize(width, height, limit, toWidth, toHeight);
    const bool reduce = toWidth != width || toHeight != height;
    // The coded planes (at most three samples a pixel, two bytes a sample past
    // 8 bits), the interleaved picture libheif makes of them, and ours.
    const std::uint64_t sampleBytes = heif_image_handle_get_luma_bits_per_pixel(handle) > 8 ? 2 : 1;
    const std::uint64_t coded = static_cast<std::uint64_t>(std::max(codedWidth, 0)) *
                                static_cast<std::uint64_t>(std::max(codedHeight, 0)) * 3 * sampleBytes;
    const std::uint64_t shown = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * channels;
    const std::uint64_t ours = static_cast<std::uint64_t>(toWidth) * static_cast<std::uint64_t>(toHeight) * channels;
    const int largestWidth = std::max(width, codedWidth), largestHeight = std::max(height, codedHeight);
    if (!pictureWithinLimits(name, largestWidth, largestHeight, coded + shown + (reduce ? ours : 0), maxBytes))
        return false;

    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (options)
        options->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    const heif_error error = heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                                               alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                               options.get());
    std::unique_ptr<heif_image, ImageRelease> image(decoded);
    if (error.code != heif_error_Ok || !image) {
        report(name, "cannot decode HEIC: %s", error.message);
        return false;
    }
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int imageWidth = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int imageHeight = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || imageWidth <= 0 || imageHeight <= 0 || stride < imageWidth * channels ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8) {
        report(name, "cannot decode HEIC: no 8-bit picture came out");
        return false;
    }
    // libheif may crop to a size other than the header's: fit what came out.
    fittedSize(imageWidth, imageHeight, limit, toWidth, toHeight);
    const std::size_t rowBytes = static_cast<std::size_t>(toWidth) * channels;
    if (!adoptNew(out, rowBytes * static_cast<std::size_t>(toHeight), toWidth, toHeight, channels, name))
        return false;
    // libheif's rows are top-first: walk them from the bottom.
    const std::uint8_t* bottom = plane + static_cast<std::ptrdiff_t>(imageHeight - 1) * stride;
    if (toWidth == imageWidth && toHeight == imageHeight) {
        for (int y = 0; y < imageHeight; ++y)
            std::memcpy(out.storage.get() + static_cast<std::size_t>(y) * rowBytes, bottom - std::ptrdiff_t(y) * stride,
                        rowBytes);
    } else {
        reduceRows(bottom, -static_cast<std::ptrdiff_t>(stride), imageWidth, imageHeight, channels, out.storage.get(),
                   static_cast<std::ptrdiff_t>(rowBytes), toWidth, toHeight);
    }
    return true;
}

bool readWebPSize(const std::uint8_t* data, std::size_t size, const char* name, int& width, int& height)
{
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(data, size, &features);
    if (status != VP8_STATUS_OK) {
        report(name, "cannot read WebP header: %s", webpReason(status));
        return false;
    }
    width = features.width;
    height = features.height;
    return true;
}

bool decodeWebP(const std::uint8_t* data, std::size_t size, const char* name, const SizeLimit& limit,
                DecodedImage& out, std::size_t maxBytes)
{
    out.release();
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) {
        report(name, "cannot start the WebP decoder");
        return false;
    }
    VP8StatusCode status = WebPGetFeatures(data, size, &config.input);
    if (status != VP8_STATUS_OK) {
        report(name, "cannot read WebP header: %s", webpReason(status));
        return false;
    }
    if (config.input.has_animation) {
        report(name, "animated WebP pictures are not supported");
        return false;
    }
    const int width = config.input.width, height = config.input.height;
    const int channels = config.input.has_alpha ? 4 : 3;
    int toWidth = 0, toHeight = 0;
    fittedSize(width, height, limit, toWidth, toHeight);
    // A lossless picture is decoded whole (four bytes a pixel) before it is scaled.
    const std::uint64_t whole = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4;
    const std::uint64_t ours = static_cast<std::uint64_t>(toWidth) * static_cast<std::uint64_t>(toHeight) * channels;
    if (!pictureWithinLimits(name, width, height, whole + ours, maxBytes))
        return false;
    const std::size_t rowBytes = static_cast<std::size_t>(toWidth) * channels;
    if (!adoptNew(out, rowBytes * static_cast<std::size_t>(toHeight), toWidth, toHeight, channels, name))
        return false;
    // libwebp's scaler averages the area each pixel covers when reducing, as
    // our own filter does; flip gives rows bottom-up.
    config.options.use_scaling = toWidth != width || toHeight != height;
    config.options.scaled_width = toWidth;
    config.options.scaled_height = toHeight;
    config.options.flip = 1;
    config.output.colorspace = channels == 4 ? MODE_RGBA : MODE_RGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = out.storage.get();
    config.output.u.RGBA.stride = static_cast<int>(rowBytes);
    config.output.u.RGBA.size = out.size;
    status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) {
        out.release();
        report(name, "cannot decode WebP: %s", webpReason(status));
        return false;
    }
    return true;
}

} // namespace vornak_engine

#endif // VORNAK_PHOTO_CODECS
