#include "support/GLTest.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

SDL_GLContext context = nullptr;

void openContext()
{
    if (context)
        return;
    const auto fail = [](const char* what, const char* reason) {
        std::fprintf(stderr, "GL fixture: %s: %s\n", what, reason);
        std::exit(1);
    };
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        fail("SDL video", SDL_GetError());
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_Window* window = SDL_CreateWindow("vornak-gl-tests", 0, 0, GLTest::kWidth, GLTest::kHeight,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window)
        fail("no window", SDL_GetError());
    if (!(context = SDL_GL_CreateContext(window)))
        fail("no GL 4.1 core context", SDL_GetError());
    glewExperimental = GL_TRUE;
    if (const GLenum status = glewInit(); status != GLEW_OK)
        fail("glewInit", reinterpret_cast<const char*>(glewGetErrorString(status)));
    glGetError();
}

std::vector<std::uint8_t> readBack(int x, int y, int width, int height)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

} // namespace

void GLTest::SetUpTestSuite()
{
    openContext();
}

void GLTest::SetUp()
{
    openContext();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, kWidth, kHeight);
    glUseProgram(0);
    glBindVertexArray(0);
    glActiveTexture(GL_TEXTURE0);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    while (glGetError() != GL_NO_ERROR) {
    }
}

Rgba GLTest::pixel(int x, int y)
{
    const std::vector<std::uint8_t> p = readBack(x, y, 1, 1);
    return {p[0], p[1], p[2], p[3]};
}

Rgba GLTest::pixelAt(double fx, double fy)
{
    return pixel(std::clamp(static_cast<int>(fx * kWidth), 0, kWidth - 1),
                 std::clamp(static_cast<int>(fy * kHeight), 0, kHeight - 1));
}

std::vector<std::uint8_t> GLTest::frame()
{
    return readBack(0, 0, kWidth, kHeight);
}

std::vector<std::uint8_t> GLTest::textureImage(GLuint tex, int* width, int* height)
{
    glBindTexture(GL_TEXTURE_2D, tex);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    for (auto [out, value] : {std::pair{width, w}, std::pair{height, h}})
        if (out)
            *out = value;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!bytes.empty())
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

::testing::AssertionResult near(const Rgba& actual, const Rgba& expected, int tolerance)
{
    for (int i = 0; i < 4; ++i)
        if (std::abs(actual[i] - expected[i]) > tolerance)
            return ::testing::AssertionFailure() << "got " << ::testing::PrintToString(actual) << ", expected "
                                                 << ::testing::PrintToString(expected) << " within " << tolerance;
    return ::testing::AssertionSuccess();
}
