#include "ExampleWindow.h"

#include <GL/glew.h>
#include <SDL.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

[[noreturn]] void usage(const char* program, const std::vector<ExampleOption>& extras, const char* problem)
{
    std::FILE* to = problem ? stderr : stdout;
    if (problem)
        std::fprintf(stderr, "%s: %s\n", program, problem);
    std::fprintf(to, "usage: %s [options]\n", program);
    for (const ExampleOption& extra : extras) {
        if (extra.flag)
            std::fprintf(to, "  %-20s %s\n", extra.name, extra.help);
        else
            std::fprintf(to, "  %-20s %s (default %s)\n", (std::string(extra.name) + " " + extra.what).c_str(),
                         extra.help, extra.value->c_str());
    }
    std::fprintf(to, "  %-20s %s\n  %-20s %s\n  %-20s %s\n", "--frames N", "draw N frames, then exit",
                 "--screenshot FILE", "save the last frame as a PNG", "--size WxH", "window size (960x540)");
    std::exit(problem ? 2 : 0);
}

bool number(const char* text, int& out)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end || value < 1 || value > 100000)
        return false;
    out = static_cast<int>(value);
    return true;
}

// Rows come from GL bottom-up; the file wants them top-down. Written to a temporary
// name and renamed, so the file is whole or not there.
bool savePNG(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb)
{
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = info && !setjmp(png_jmpbuf(png));
    if (ok) {
        png_init_io(png, file);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = height - 1; y >= 0; --y)
            png_write_row(png, &rgb[static_cast<std::size_t>(y) * width * 3]);
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    ok = std::fclose(file) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    std::remove(temporary.c_str());
    return false;
}

} // namespace

ExampleOptions::ExampleOptions(int argc, char** argv, const std::vector<ExampleOption>& extras)
{
    const char* program = argc > 0 ? argv[0] : "example";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
            usage(program, extras, nullptr);
        const auto flag = std::find_if(extras.begin(), extras.end(),
                                       [&](const ExampleOption& o) { return o.flag && arg == o.name; });
        if (flag != extras.end()) {
            *flag->flag = true;
            continue;
        }
        if (i + 1 >= argc)
            usage(program, extras, ("unknown option or missing value: " + arg).c_str());
        const char* value = argv[++i];
        if (arg == "--frames") {
            if (!number(value, frames))
                usage(program, extras, "--frames wants a whole number from 1 to 100000");
        } else if (arg == "--screenshot") {
            screenshot = value;
            char cwd[4096];
            // Examples may change directory (registry does); keep the path the user meant.
            if (screenshot[0] != '/' && getcwd(cwd, sizeof cwd))
                screenshot = std::string(cwd) + "/" + screenshot;
        } else if (arg == "--size") {
            char x = 0;
            if (std::sscanf(value, "%d%c%d", &width, &x, &height) != 3 || x != 'x' || width < 16 || height < 16 ||
                width > 8192 || height > 8192)
                usage(program, extras, "--size wants WxH, such as 960x540");
        } else {
            auto extra = std::find_if(extras.begin(), extras.end(),
                                      [&](const ExampleOption& o) { return !o.flag && arg == o.name; });
            if (extra == extras.end())
                usage(program, extras, ("unknown option: " + arg).c_str());
            *extra->value = value;
        }
    }
    if (!screenshot.empty() && frames == 0)
        frames = 1;
}

ExampleWindow::ExampleWindow(const char* title, const ExampleOptions& options) : options(options)
{
    const char* failed = nullptr;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        failed = "cannot initialise SDL video";
    } else {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, options.width,
                                  options.height, SDL_WINDOW_OPENGL);
        context = window ? SDL_GL_CreateContext(window) : nullptr;
        failed = !window ? "cannot create the window" : !context ? "cannot create an OpenGL 4.1 core context" : nullptr;
    }
    if (failed) {
        std::fprintf(stderr, "%s: %s: %s\n", title, failed, SDL_GetError());
        std::exit(1);
    }
    // Core contexts need this for GLEW to load every entry point.
    glewExperimental = GL_TRUE;
    const GLenum status = glewInit();
    if (status != GLEW_OK) {
        std::fprintf(stderr, "%s: cannot initialise GLEW: %s\n", title,
                     reinterpret_cast<const char*>(glewGetErrorString(status)));
        std::exit(1);
    }
    glGetError(); // glewInit may leave an error behind on core contexts
    SDL_GL_SetSwapInterval(1);
    SDL_GL_GetDrawableSize(window, &this->options.width, &this->options.height);
    glViewport(0, 0, this->options.width, this->options.height);
    startTicks = SDL_GetTicks64();
}

ExampleWindow::~ExampleWindow()
{
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
}

double ExampleWindow::seconds() const
{
    if (options.frames > 0)
        return shown / 60.0;
    return static_cast<double>(SDL_GetTicks64() - startTicks) / 1000.0;
}

bool ExampleWindow::present()
{
    const bool last = options.frames > 0 && shown + 1 >= options.frames;
    if (last && !options.screenshot.empty()) {
        std::vector<unsigned char> rgb(static_cast<std::size_t>(width()) * height() * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, width(), height(), GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        if (!savePNG(options.screenshot, width(), height(), rgb))
            std::fprintf(stderr, "%s: cannot write the screenshot: %s\n", options.screenshot.c_str(),
                         std::strerror(errno));
    }
    SDL_GL_SwapWindow(window);
    ++shown;
    SDL_Event event;
    bool quit = false;
    while (SDL_PollEvent(&event))
        quit = quit || event.type == SDL_QUIT ||
               (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE);
    return !quit && !last;
}
