#include "app/ShowWindow.h"

#include <GL/glew.h>

#include <cstdio>

ShowWindow::ShowWindow(WindowKind kind, int width, int height)
{
    Uint32 flags = SDL_WINDOW_OPENGL;
    int w = width, h = height;
    switch (kind) {
    case WindowKind::FullScreen:
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        w = h = 0;
        break;
    case WindowKind::Resizable:
        flags |= SDL_WINDOW_RESIZABLE;
        break;
    case WindowKind::Hidden:
        flags |= SDL_WINDOW_HIDDEN;
        break;
    }
    window_ = SDL_CreateWindow("Vornak", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, w, h, flags);
    if (!window_) {
        std::fprintf(stderr, "vornak: cannot create the window: %s\n", SDL_GetError());
        return;
    }

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);

    SDL_GLContext context = SDL_GL_CreateContext(window_);
    if (!context) {
        std::fprintf(stderr, "vornak: cannot create an OpenGL 4.1 core context: %s\n", SDL_GetError());
        return;
    }

    // Core profiles need the experimental path for GLEW to load everything.
    glewExperimental = GL_TRUE;
    const GLenum glewStatus = glewInit();
    if (glewStatus != GLEW_OK) {
        // GLEW loads through GLX; SDL falls back to an EGL driver when there is no X display.
        const char* reason = glewStatus == GLEW_ERROR_NO_GLX_DISPLAY
                                 ? "no GLX display"
                                 : reinterpret_cast<const char*>(glewGetErrorString(glewStatus));
        std::fprintf(stderr, "vornak: cannot load OpenGL entry points: %s (SDL video driver %s)\n", reason,
                     SDL_GetCurrentVideoDriver());
        SDL_GL_DeleteContext(context);
        return;
    }
    glGetError(); // glewInit's probing of core contexts leaves GL_INVALID_ENUM behind
    context_ = context;
}

ShowWindow::~ShowWindow()
{
    if (context_)
        SDL_GL_DeleteContext(context_);
    if (window_)
        SDL_DestroyWindow(window_);
}

void ShowWindow::size(int& width, int& height) const
{
    SDL_GetWindowSize(window_, &width, &height);
}

void ShowWindow::drawableSize(int& width, int& height) const
{
    SDL_GL_GetDrawableSize(window_, &width, &height);
}
