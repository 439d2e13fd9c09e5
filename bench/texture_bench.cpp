// Texture loading against the bare libraries and against stb_image, on a
// 1920x1080 JPEG and PNG written at start-up. The pure decode step is timed
// without GL; the full Texture load inside a hidden GL window. At the end the
// overhead over the bare library is printed as a ratio.

#include "vornak/ImageDecoder.h"
#include "vornak/Texture.h"

#include <GL/glew.h>
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <png.h>
#include <turbojpeg.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include <cstdio>
#include <malloc.h>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using vornak_engine::DecodedImage;
using vornak_engine::Texture;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
const std::string kJpeg = "/tmp/vornak_bench_1080.jpg";
const std::string kPng = "/tmp/vornak_bench_1080.png";
bool haveGL = false;

// Smooth gradients with a little noise: compresses like a photograph, not like a flat fill.
std::vector<unsigned char> picture()
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
    unsigned seed = 12345;
    std::size_t i = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = static_cast<int>((seed >> 24) & 15) - 8;
            const int base[3] = {x * 255 / kWidth, y * 255 / kHeight, ((x + y) / 7) % 256};
            for (int c = 0; c < 3; ++c) {
                const int v = base[c] + noise;
                rgb[i++] = static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v));
            }
        }
    }
    return rgb;
}

bool writeFiles()
{
    const std::vector<unsigned char> rgb = picture();
    tjhandle encoder = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    if (tjCompress2(encoder, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &jpeg, &jpegSize, TJSAMP_420, 90, 0) != 0)
        return false;
    std::FILE* f = std::fopen(kJpeg.c_str(), "wb");
    if (!f)
        return false;
    std::fwrite(jpeg, 1, jpegSize, f);
    std::fclose(f);
    tjFree(jpeg);
    tjDestroy(encoder);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kWidth;
    image.height = kHeight;
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, kPng.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

std::vector<unsigned char> readAll(const std::string& path)
{
    std::vector<unsigned char> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    bytes.resize(static_cast<std::size_t>(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
        bytes.clear();
    std::fclose(f);
    return bytes;
}

// The libraries used directly, the least any reader must do: one read, one decode, rows bottom-up.
struct Bare {
    std::unique_ptr<unsigned char[]> pixels;
    int width = 0;
    int height = 0;
    GLenum format = GL_RGB;
};

Bare bareJpeg(const std::string& path)
{
    const std::vector<unsigned char> file = readAll(path);
    Bare out;
    tjhandle decoder = tjInitDecompress();
    int subsampling = 0;
    tjDecompressHeader2(decoder, const_cast<unsigned char*>(file.data()), file.size(), &out.width, &out.height,
                        &subsampling);
    out.pixels.reset(new unsigned char[static_cast<std::size_t>(out.width) * out.height * 3]);
    tjDecompress2(decoder, file.data(), file.size(), out.pixels.get(), out.width, 0, out.height, TJPF_RGB,
                  TJFLAG_BOTTOMUP);
    tjDestroy(decoder);
    return out;
}

Bare barePng(const std::string& path)
{
    Bare out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_read_info(png, info);
    out.width = static_cast<int>(png_get_image_width(png, info));
    out.height = static_cast<int>(png_get_image_height(png, info));
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    out.format = png_get_channels(png, info) == 4 ? GL_RGBA : GL_RGB;
    out.pixels.reset(new unsigned char[rowBytes * static_cast<std::size_t>(out.height)]);
    std::vector<png_bytep> rows(static_cast<std::size_t>(out.height));
    for (int i = 0; i < out.height; ++i)
        rows[static_cast<std::size_t>(out.height - 1 - i)] = out.pixels.get() + static_cast<std::size_t>(i) * rowBytes;
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return out;
}

unsigned char* stbLoad(const std::string& path, int* w, int* h)
{
    int channels = 0;
    stbi_set_flip_vertically_on_load(1); // the same bottom-up job
    unsigned char* pixels = stbi_load(path.c_str(), w, h, &channels, 3);
    if (!pixels) {
        std::fprintf(stderr, "texture_bench: stb_image: %s: %s\n", path.c_str(), stbi_failure_reason());
        std::exit(1);
    }
    return pixels;
}

void setPicturesCounter(benchmark::State& state)
{
    state.counters["MPix/s"] = benchmark::Counter(static_cast<double>(kWidth) * kHeight / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

// The three readers of one picture kind, as the benchmarks name them.
enum class Reader { Bare, Ours, Stb };
const char* const kReaderNames[] = {"Bare", "Ours", "Stb"};

struct Kind {
    const char* name;
    const std::string* path;
    vornak_engine::ImgType type;
};
const Kind kKinds[] = {{"Jpeg", &kJpeg, vornak_engine::IMG_JPEG}, {"Png", &kPng, vornak_engine::IMG_PNG}};

// ---- decode only ----

void decode(benchmark::State& state, Reader reader, Kind kind)
{
    const bool jpeg = kind.type == vornak_engine::IMG_JPEG;
    for (auto _ : state) {
        if (reader == Reader::Bare) {
            Bare b = jpeg ? bareJpeg(*kind.path) : barePng(*kind.path);
            benchmark::DoNotOptimize(b.pixels.get());
        } else if (reader == Reader::Ours) {
            DecodedImage image;
            if (jpeg)
                vornak_engine::decodeJPEG(kind.path->c_str(), image);
            else
                vornak_engine::decodePNG(kind.path->c_str(), image);
            benchmark::DoNotOptimize(image.pixels);
        } else {
            int w = 0, h = 0;
            unsigned char* p = stbLoad(*kind.path, &w, &h);
            benchmark::DoNotOptimize(p);
            stbi_image_free(p);
        }
    }
    setPicturesCounter(state);
}

// ---- full load into GL ----

GLuint uploadBare(const unsigned char* pixels, int w, int h, GLenum format)
{
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, format, GL_UNSIGNED_BYTE, pixels);
    return tex;
}

// Finishes GL's copy and drops the texture so memory stays flat across iterations.
void finish(GLuint tex)
{
    glFinish();
    glDeleteTextures(1, &tex);
}

template <typename Load> void withGL(benchmark::State& state, Load load)
{
    if (!haveGL) {
        state.SkipWithError("no GL context");
        return;
    }
    for (auto _ : state)
        finish(load());
    setPicturesCounter(state);
}

void load(benchmark::State& state, Reader reader, Kind kind)
{
    const bool jpeg = kind.type == vornak_engine::IMG_JPEG;
    withGL(state, [&] {
        if (reader == Reader::Ours)
            return Texture(kind.path->c_str(), kind.type).getTexID();
        if (reader == Reader::Bare) {
            Bare b = jpeg ? bareJpeg(*kind.path) : barePng(*kind.path);
            return uploadBare(b.pixels.get(), b.width, b.height, b.format);
        }
        int w = 0, h = 0;
        unsigned char* p = stbLoad(*kind.path, &w, &h);
        const GLuint tex = uploadBare(p, w, h, GL_RGB);
        stbi_image_free(p);
        return tex;
    });
}

// Named stepReaderKind, e.g. decodeOursJpeg, as the ratio report looks them up.
void registerAll()
{
    for (const char* step : {"decode", "load"}) {
        for (const Kind& kind : kKinds) {
            for (Reader reader : {Reader::Bare, Reader::Ours, Reader::Stb}) {
                const std::string name = step + std::string(kReaderNames[static_cast<int>(reader)]) + kind.name;
                benchmark::RegisterBenchmark(name.c_str(), std::string(step) == "decode" ? decode : load, reader,
                                             kind)
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
}

// The console table plus our CPU time over the bare library's, and stb's over ours
// (CPU time: the machine is shared, and wall time counts waiting for a core).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // With --benchmark_repetitions the median stands for the benchmark.
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[name] = run.GetAdjustedCPUTime();
            else if (run.run_type == Run::RT_Iteration)
                times[name] = run.GetAdjustedCPUTime();
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const auto& [name, time] : medians)
            times[name] = time;
        for (const char* step : {"decode", "load"}) {
            for (const char* kind : {"Jpeg", "Png"}) {
                const std::string s = step, k = kind;
                const double ours = times[s + "Ours" + k];
                const double bare = times[s + "Bare" + k];
                const double stb = times[s + "Stb" + k];
                if (ours > 0 && bare > 0 && stb > 0)
                    std::printf("%-6s %-4s ours/bare = %.3f   stb/ours = %.2f\n", step, kind, ours / bare, stb / ours);
            }
        }
    }

private:
    std::map<std::string, double> times;
    std::map<std::string, double> medians;
};

void openGL()
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_Window* window = SDL_CreateWindow("texture_bench", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window || !SDL_GL_CreateContext(window))
        return;
    glewExperimental = GL_TRUE;
    haveGL = glewInit() == GLEW_OK;
    glGetError();
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    registerAll();
    // Keep freed picture buffers in the heap: otherwise each reader's time
    // depends on whether glibc happens to map fresh pages for it, which
    // swings with the order the benchmarks run in.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    if (!writeFiles()) {
        std::fprintf(stderr, "texture_bench: cannot write the test pictures to /tmp\n");
        return 1;
    }
    openGL();
    if (!haveGL)
        std::fprintf(stderr, "texture_bench: no GL context; the load benchmarks are skipped\n");
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::remove(kJpeg.c_str());
    std::remove(kPng.c_str());
    return 0;
}
