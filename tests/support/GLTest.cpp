#include "support/GLTest.h"

#include <SDL.h>

#include <cstdlib>
#include <sstream>

namespace {

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;

void openContext()
{
    if (context)
        return;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        ADD_FAILURE() << "SDL video: " << SDL_GetError();
        std::exit(1);
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    window = SDL_CreateWindow("vornak-gl-tests", 0, 0, GLTest::kWidth, GLTest::kHeight,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        std::fprintf(stderr, "GL fixture: no window: %s\n", SDL_GetError());
        std::exit(1);
    }
    context = SDL_GL_CreateContext(window);
    if (!context) {
        std::fprintf(stderr, "GL fixture: no GL 4.1 core context: %s\n", SDL_GetError());
        std::exit(1);
    }
    glewExperimental = GL_TRUE;
    const GLenum status = glewInit();
    if (status != GLEW_OK) {
        std::fprintf(stderr, "GL fixture: glewInit: %s\n", glewGetErrorString(status));
        std::exit(1);
    }
    glGetError();
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
    std::uint8_t p[4] = {0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
}

Rgba GLTest::pixelAt(double fx, double fy)
{
    int x = static_cast<int>(fx * kWidth);
    int y = static_cast<int>(fy * kHeight);
    x = x < 0 ? 0 : (x >= kWidth ? kWidth - 1 : x);
    y = y < 0 ? 0 : (y >= kHeight ? kHeight - 1 : y);
    return pixel(x, y);
}

std::vector<std::uint8_t> GLTest::frame()
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::vector<std::uint8_t> GLTest::textureImage(GLuint tex, int* width, int* height)
{
    glBindTexture(GL_TEXTURE_2D, tex);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    if (width)
        *width = w;
    if (height)
        *height = h;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!bytes.empty())
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

::testing::AssertionResult near(const Rgba& actual, const Rgba& expected, int tolerance)
{
    for (int i = 0; i < 4; ++i) {
        if (std::abs(actual[i] - expected[i]) > tolerance) {
            return ::testing::AssertionFailure()
                   << "got (" << actual[0] << ", " << actual[1] << ", " << actual[2] << ", " << actual[3]
                   << "), expected (" << expected[0] << ", " << expected[1] << ", " << expected[2] << ", "
                   << expected[3] << ") within " << tolerance;
        }
    }
    return ::testing::AssertionSuccess();
}
