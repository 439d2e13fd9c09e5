#pragma once

// Needs: a current OpenGL 4.1 core context (GLEW initialised) or, built for
// the web, a WebGL2 one, for every call but the accessors.
//
// A laid-out text (Font.h) on the GPU: its atlas as one texture and its glyphs
// as one vertex buffer, uploaded once; draw() then costs one draw call. The
// letters lie on a soft outline of a contrasting colour, so they read on any
// picture, light or dark. It does not lay out: a new size or new words mean a
// new layout and set().
//
// GL state draw() changes and leaves behind: its own program current, its
// vertex array bound, GL_TEXTURE0 active with its atlas bound to GL_TEXTURE_2D.
// It blends (premultiplied) with depth writes off, then puts the blend enable,
// the blend functions and the depth write mask back as they were; the depth
// test stays as the caller set it, against the text's depth; the blend
// equation is taken to be GL's default (add). set() changes nothing it does not
// put back: the texture, buffer and vertex array bindings, the unpack settings
// and GL_PIXEL_UNPACK_BUFFER are as they were when it returns.

#include "vornak/Font.h"

#include <memory>

namespace vornak_engine {

struct TextStyle {
    float colour[3] = {1, 1, 1};
    // The outline's colour: by default the letters' opposite, dark behind light
    // letters and light behind dark ones (see contrasting()).
    float outline[3] = {0, 0, 0};
    float outlineOpacity = 0.85f;
    // Normalised device depth, as a picture's "zscore": draws in front of
    // pictures at greater depths when the depth test is on.
    float depth = 0;

    TextStyle() = default;
    // Letters of this colour on the contrasting outline.
    TextStyle(float r, float g, float b);
    // Black for a light colour, white for a dark one.
    static void contrasting(const float colour[3], float outline[3]);
};

class Text {
public:
    // Needs a current GL context. An empty layout draws nothing.
    Text();
    explicit Text(const TextLayout& layout);
    ~Text();
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;

    // Uploads a new layout in place of the old one. An atlas larger than GL
    // can hold gives one line and draws nothing.
    void set(const TextLayout& layout);

    // Draws the text's box with its top-left at (x, y): pixels of the current
    // viewport from its top-left corner, rounded to whole pixels so the atlas
    // meets the screen texel for texel.
    void draw(float x, float y, const TextStyle& style = TextStyle());

    // The layout's box, in pixels; 0 x 0 when empty.
    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return vertices_ == 0; }

private:
    struct Program;
    // One program for every Text, made on first use, gone with the last Text.
    static std::shared_ptr<Program> sharedProgram();

    std::shared_ptr<Program> program_;
    unsigned int texture_ = 0;
    unsigned int vao_ = 0;
    unsigned int vbo_ = 0;
    int vertices_ = 0;
    int width_ = 0;
    int height_ = 0;
};

} // namespace vornak_engine
