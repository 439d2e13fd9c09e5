// vornak-webpicture: any picture the desktop engine reads (JPEG, PNG, TGA,
// HEIC, WebP), turned upright as the show draws it, written as a JPEG, so the
// browser build needs only its JPEG and PNG decoders.
//   vornak-webpicture IN OUT.jpg [--size WxH [--cover]] [--quality N]
// The output is written under a temporary name and renamed when complete.
#include <vornak/ImageDecoder.h>
#include <vornak/PictureDecoder.h>

#include <CLI/CLI.hpp>
#include <turbojpeg.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <regex>
#include <string>

namespace {

struct TjFree {
    void operator()(unsigned char* p) const { tjFree(p); }
};
struct TjDestroy {
    void operator()(void* handle) const { tjDestroy(handle); }
};

bool parseSize(const std::string& text, vornak_engine::SizeLimit& limit)
{
    std::smatch m;
    static const std::regex pattern("([1-9][0-9]{0,4})x([1-9][0-9]{0,4})");
    if (!std::regex_match(text, m, pattern))
        return false;
    limit.width = std::stoi(m[1]);
    limit.height = std::stoi(m[2]);
    return true;
}

// One line naming OUT and the reason; false.
bool failed(const std::string& out, const char* what, const char* reason)
{
    std::fprintf(stderr, "%s: %s: %s\n", out.c_str(), what, reason);
    return false;
}

bool writeJpeg(const vornak_engine::DecodedImage& rgba, int quality, const std::string& out)
{
    std::unique_ptr<void, TjDestroy> encoder(tjInitCompress());
    if (!encoder)
        return failed(out, "cannot start the JPEG encoder", tjGetErrorStr2(nullptr));
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    // The pixels are bottom-up, as the engine decodes them; the fourth byte is dropped.
    const int status = tjCompress2(encoder.get(), rgba.pixels, rgba.width, 0, rgba.height, TJPF_RGBA, &bytes, &size,
                                   TJSAMP_420, quality, TJFLAG_BOTTOMUP);
    std::unique_ptr<unsigned char, TjFree> owned(bytes);
    if (status != 0)
        return failed(out, "cannot encode JPEG", tjGetErrorStr2(encoder.get()));
    const std::string partial = out + ".partial";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file)
        return failed(out, "cannot write", std::strerror(errno));
    const bool written = std::fwrite(bytes, 1, size, file) == size;
    const int writeError = errno;
    if (std::fclose(file) != 0 || !written) {
        std::remove(partial.c_str());
        return failed(out, "cannot write", std::strerror(written ? errno : writeError));
    }
    if (std::rename(partial.c_str(), out.c_str()) != 0) {
        const int renameError = errno;
        std::remove(partial.c_str());
        return failed(out, "cannot write", std::strerror(renameError));
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app("Writes any picture vornak reads on the desktop (JPEG, PNG, TGA, HEIC, WebP; the kind told by "
                 "its content) as a JPEG, turned upright by its EXIF orientation, for the browser build. "
                 "Transparency is dropped.",
                 "vornak-webpicture");
    app.set_version_flag("--version", "vornak-webpicture " VORNAK_VERSION);
    std::string in, out, size;
    int quality = 90;
    bool cover = false;
    app.add_option("IN", in, "The picture to convert")->required();
    app.add_option("OUT", out, "The JPEG to write (replaced only once complete)")->required();
    app.add_option("--size", size, "At most the size the picture is drawn at in a WxH box (default: as it is)")
        ->type_name("WxH")
        ->check(CLI::Validator(
            [](std::string& text) {
                vornak_engine::SizeLimit limit;
                return parseSize(text, limit) ? std::string() : "expected WxH, e.g. 1920x1080: " + text;
            },
            ""));
    app.add_flag("--cover", cover, "With --size: the picture covers the box (default: it fits inside)");
    app.add_option("--quality", quality, "JPEG quality (default 90)")->type_name("N")->check(CLI::Range(1, 100).description(""));
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "vornak-webpicture: %s (see vornak-webpicture --help)\n", e.what());
        return 2;
    }
    vornak_engine::SizeLimit limit;
    if (!size.empty())
        parseSize(size, limit);
    limit.fit = cover ? vornak_engine::Fit::Cover : vornak_engine::Fit::Contain;

    // The engine's readers say what went wrong, in one line naming IN.
    vornak_engine::DecodedImage picture, rgba;
    if (!vornak_engine::decodePicture(in.c_str(), vornak_engine::IMG_AUTO, limit, picture) ||
        !vornak_engine::expandToRgba(picture, in.c_str(), rgba))
        return 1;
    picture.release();
    return writeJpeg(rgba, quality, out) ? 0 : 1;
}
