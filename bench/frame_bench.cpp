// Frame cost of every scene of the show at 1920x1080, against a bare textured
// full-screen quad (a trivial shader, one linearly filtered 1080p picture, no
// clear, no depth test) timed in the same run. Frames go into an off-screen
// framebuffer and each one is finished (glFinish) before the next, the way a
// swap waits for a software renderer. Rounds alternate the quad and the scenes,
// so a busy machine slows both sides of each ratio alike. Then a scene with two
// lines of words over it (a Caption) against the same scene without, in turns.
//
//   frame_bench [--rounds N] [--frames N] [--dump DIR] [--compare DIR]
//
// --dump writes the frame of each scene as DIR/frame-<t>.ppm; --compare reads
// such frames and prints the largest difference per channel of today's frames.

#include "demo/CandyScene.h"
#include "demo/Caption.h"
#include "demo/Christmas.h"

#include "vornak/Sprite.h"
#include "vornak/Texture.h"

#include <GL/glew.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct Case {
    const char* name;
    double t;
    double limit; // largest allowed ratio to the bare quad
};

// The times the frames are judged at: one per scene, the overlay from 9 s on.
const Case kCases[] = {
    {"title", 1, 1.7},          {"wipe moving", 3.8, 1.7}, {"finished wipe + overlay", 9, 1.5},
    {"toys", 11, 1.5},          {"candy", 14.5, 1.5},      {"church window", 19, 2.0},
    {"second wipe", 21, 1.5},
};

const char* const kQuadVertex = R"(#version 410 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texcoord;
out vec2 uv;
void main() { gl_Position = vec4(position, 0.5, 1.0); uv = texcoord; })";

const char* const kQuadFragment = R"(#version 410 core
in vec2 uv;
uniform sampler2D img;
out vec4 color;
void main() { color = texture(img, uv); })";

GLuint compileProgram()
{
    const GLuint program = glCreateProgram();
    for (auto [type, source] : {std::pair<GLenum, const char*>{GL_VERTEX_SHADER, kQuadVertex},
                                {GL_FRAGMENT_SHADER, kQuadFragment}}) {
        const GLuint shader = glCreateShader(type);
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        glAttachShader(program, shader);
    }
    glLinkProgram(program);
    return program;
}

bool openContext()
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "frame_bench: SDL video: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_Window* window = SDL_CreateWindow("frame_bench", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window || !SDL_GL_CreateContext(window)) {
        std::fprintf(stderr, "frame_bench: no GL 4.1 core context: %s\n", SDL_GetError());
        return false;
    }
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        std::fprintf(stderr, "frame_bench: glewInit failed\n");
        return false;
    }
    glGetError();
    return true;
}

void makeFramebuffer()
{
    GLuint fbo = 0, colour = 0, depth = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kWidth, kHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, kWidth, kHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    glViewport(0, 0, kWidth, kHeight);
}

std::vector<unsigned char> readFrame()
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

std::string framePath(const std::string& dir, double t)
{
    char name[64];
    std::snprintf(name, sizeof name, "/frame-%g.ppm", t);
    return dir + name;
}

// Rows as GL reads them, bottom first; both sides of a comparison agree on that.
bool writeFrame(const std::string& path, const std::vector<unsigned char>& rgb)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    std::fprintf(file, "P6\n%d %d\n255\n", kWidth, kHeight);
    const bool ok = std::fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
    return std::fclose(file) == 0 && ok;
}

bool readFrame(const std::string& path, std::vector<unsigned char>& rgb)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    int w = 0, h = 0, max = 0;
    rgb.assign(static_cast<std::size_t>(kWidth) * kHeight * 3, 0);
    const bool ok = std::fscanf(file, "P6 %d %d %d", &w, &h, &max) == 3 && std::fgetc(file) != EOF && w == kWidth &&
                    h == kHeight && std::fread(rgb.data(), 1, rgb.size(), file) == rgb.size();
    std::fclose(file);
    return ok;
}

double seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

template <typename Draw> double msPerFrame(int frames, Draw draw)
{
    glFinish();
    const double start = seconds();
    for (int i = 0; i < frames; ++i) {
        draw();
        glFinish();
    }
    return (seconds() - start) * 1000.0 / frames;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

CandyScene* findCandy(Christmas& show)
{
    for (vornak_engine::Scene* scene : show.scenes)
        if (auto* candy = dynamic_cast<CandyScene*>(scene))
            return candy;
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 7;
    int frames = 12;
    std::string dumpDir, compareDir;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--rounds" && hasValue)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--frames" && hasValue)
            frames = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--dump" && hasValue)
            dumpDir = argv[++i];
        else if (arg == "--compare" && hasValue)
            compareDir = argv[++i];
        else {
            std::fprintf(stderr, "usage: frame_bench [--rounds N] [--frames N] [--dump DIR] [--compare DIR]\n");
            return 2;
        }
    }
    // The show reads data/ relative to the working directory.
    if (chdir(VORNAK_SOURCE_DIR) != 0) {
        std::perror(VORNAK_SOURCE_DIR);
        return 1;
    }
    if (!openContext())
        return 1;
    makeFramebuffer();
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    Christmas show(kWidth, kHeight);
    show.init();
    CandyScene* candy = findCandy(show);

    // One show() per time, in the show's own order, so the candy zoom has
    // grown exactly once when its frame is taken.
    int worst = 0;
    for (const Case& c : kCases) {
        show.show(c.t);
        const std::vector<unsigned char> frame = readFrame();
        if (!dumpDir.empty() && !writeFrame(framePath(dumpDir, c.t), frame))
            std::fprintf(stderr, "%s: cannot write\n", framePath(dumpDir, c.t).c_str());
        if (!compareDir.empty()) {
            std::vector<unsigned char> reference;
            if (!readFrame(framePath(compareDir, c.t), reference)) {
                std::fprintf(stderr, "%s: cannot read a %dx%d frame\n", framePath(compareDir, c.t).c_str(), kWidth,
                             kHeight);
                return 1;
            }
            int largest = 0;
            std::size_t off = 0;
            for (std::size_t i = 0; i < frame.size(); ++i) {
                const int d = std::abs(frame[i] - reference[i]);
                largest = std::max(largest, d);
                off += d > 2;
            }
            worst = std::max(worst, largest);
            std::printf("frame at t=%-5g %-24s largest difference %3d, %zu values off by more than 2\n", c.t, c.name,
                        largest, off);
        }
    }
    if (!compareDir.empty())
        std::printf("target: frames within 2 per channel of the reference | %d | <= 2 | %s\n", worst,
                    worst <= 2 ? "PASS" : "FAIL");

    // The bare quad: the engine's quad and texture, a shader that only samples.
    vornak_engine::Sprite quad;
    vornak_engine::Texture picture("data/toys.jpg", vornak_engine::IMG_JPEG);
    const GLuint bare = compileProgram();
    auto drawBare = [&] {
        glDisable(GL_DEPTH_TEST);
        glUseProgram(bare);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, picture.getTexID());
        glUniform1i(glGetUniformLocation(bare, "img"), 0);
        quad.draw();
        glEnable(GL_DEPTH_TEST);
    };

    const vornak_engine::Matrix candyStart = candy ? candy->matrix : vornak_engine::Matrix();
    const std::size_t n = std::size(kCases);
    std::vector<std::vector<double>> ratios(n), costs(n + 1);
    msPerFrame(2, drawBare); // first use compiles the shaders
    for (const Case& c : kCases)
        msPerFrame(2, [&] { show.show(c.t); });
    for (int r = 0; r < rounds; ++r) {
        const double base = msPerFrame(frames, drawBare);
        costs[n].push_back(base);
        for (std::size_t i = 0; i < n; ++i) {
            if (candy)
                candy->matrix = candyStart;
            const double ms = msPerFrame(frames, [&] { show.show(kCases[i].t); });
            costs[i].push_back(ms);
            ratios[i].push_back(ms / base);
        }
    }

    // Words over the toys, against the toys alone. The caption is laid out by
    // its first frame, as in the show; the frames timed only draw it.
    constexpr double kWordsAt = 11;
    constexpr double kWordsLimit = 1.10;
    Caption words("Happy holidays\nfrom all of us");
    const auto toys = [&] { show.show(kWordsAt); };
    const auto toysWithWords = [&] {
        show.show(kWordsAt);
        words.draw();
    };
    msPerFrame(2, toysWithWords);
    // Frame by frame in turns, each pair's order swapped every time: on a busy
    // machine the load changes more slowly than a pair of frames.
    std::vector<double> plain, worded, wordRatios;
    for (int i = 0; i < rounds * frames; ++i) {
        const bool plainFirst = i % 2 == 0;
        const double first = msPerFrame(1, plainFirst ? std::function<void()>(toys) : toysWithWords);
        const double second = msPerFrame(1, plainFirst ? std::function<void()>(toysWithWords) : toys);
        plain.push_back(plainFirst ? first : second);
        worded.push_back(plainFirst ? second : first);
        wordRatios.push_back(worded.back() / plain.back());
    }

    std::printf("\n%-28s %10s %8s\n", "frame (1920x1080)", "ms/frame", "x quad");
    std::printf("%-28s %10.2f %8.2f\n", "bare textured quad", median(costs[n]), 1.0);
    for (std::size_t i = 0; i < n; ++i) {
        char what[64];
        std::snprintf(what, sizeof what, "%s (t=%g)", kCases[i].name, kCases[i].t);
        std::printf("%-28s %10.2f %8.2f\n", what, median(costs[i]), median(ratios[i]));
    }
    std::printf("\n%-28s %10.2f\n%-28s %10.2f\n", "toys (t=11)", median(plain), "toys + two lines of words",
                median(worded));
    std::printf("\n");
    for (std::size_t i = 0; i < n; ++i) {
        const double ratio = median(ratios[i]);
        const bool met = ratio <= kCases[i].limit;
        std::printf("target: frame cost, %s (t=%g) / bare quad | %.2fx | <= %.1fx | %s\n", kCases[i].name, kCases[i].t,
                    ratio, kCases[i].limit, met ? "PASS" : "FAIL");
    }
    const double wordsRatio = median(wordRatios);
    std::printf("target: frame cost, toys + two lines of words / toys (t=%g) | %.3fx | <= %.2fx | %s\n", kWordsAt,
                wordsRatio, kWordsLimit, wordsRatio <= kWordsLimit ? "PASS" : "FAIL");
    return 0;
}
