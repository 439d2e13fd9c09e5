#pragma once

// SDL video, one window and its OpenGL 4.1 core context with GLEW loaded:
// full-screen on the desktop, a resizable window, or a hidden one that only
// carries the context for offscreen capture. Failures print one line and
// leave the object unusable (ok() false); nothing is left initialised.

#include <SDL.h>

enum class WindowKind { FullScreen, Resizable, Hidden };

class ShowWindow {
public:
    ShowWindow(WindowKind kind, int width, int height);
    ~ShowWindow();
    ShowWindow(const ShowWindow&) = delete;
    ShowWindow& operator=(const ShowWindow&) = delete;

    bool ok() const { return context_ != nullptr; }
    SDL_Window* window() const { return window_; }

    // In screen coordinates, as the demo is told.
    void size(int& width, int& height) const;
    // In pixels, what GL draws into.
    void drawableSize(int& width, int& height) const;
    void swap() { SDL_GL_SwapWindow(window_); }

private:
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
};
