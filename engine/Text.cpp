#include "vornak/Text.h"

#include "vornak/GL.h"
#include "vornak/GlslEs.h"
#include "vornak/Log.h"

#include <cmath>
#include <string>
#include <vector>

namespace vornak_engine {

namespace {

const char* const kVertexShader = R"(#version 410 core
// A glyph's cell: pixels from the text's top-left, y down, placed in the
// viewport at "origin" (its pixels, y down too).
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texcoord;
uniform vec2 origin;
uniform vec2 view;
uniform float depth;
out vec2 uv;
void main()
{
    vec2 p = (origin + position) / view;
    gl_Position = vec4(p.x * 2.0 - 1.0, 1.0 - p.y * 2.0, depth, 1.0);
    uv = texcoord;
}
)";

// Premultiplied: the letters over their outline, the outline only outside them.
const char* const kFragmentShader = R"(#version 410 core
in vec2 uv;
uniform sampler2D atlas;
uniform vec3 colour;
uniform vec3 outline;
uniform float opacity;
out vec4 fragment;
void main()
{
    vec2 c = texture(atlas, uv).rg;
    float halo = c.g * opacity * (1.0 - c.r);
    fragment = vec4(colour * c.r + outline * halo, c.r + halo);
}
)";

GLuint compileStage(GLenum stage, const char* what, const char* source)
{
    std::string text = source;
#ifdef VORNAK_GLES
    std::string es, why;
    if (toGlslEs(what, text, stage, es, why))
        text = es;
    else
        logMessage(LogLevel::Error, why.c_str());
#endif
    const GLuint shader = glCreateShader(stage);
    const GLchar* p = text.c_str();
    glShaderSource(shader, 1, &p, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_FALSE) {
        char log[512] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        for (char& c : log)
            c = c == '\n' ? ' ' : c;
        logFormat(LogLevel::Error, "%s does not compile: %s", what, log);
    }
    return shader;
}

// Sets what an upload of tightly packed rows needs and puts it back after.
class UnpackState {
public:
    UnpackState()
    {
        glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &buffer_);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
        for (int i = 0; i < kCount; ++i) {
            glGetIntegerv(kNames[i], &saved_[i]);
            glPixelStorei(kNames[i], kNames[i] == GL_UNPACK_ALIGNMENT ? 1 : 0);
        }
    }
    ~UnpackState()
    {
        for (int i = 0; i < kCount; ++i)
            glPixelStorei(kNames[i], saved_[i]);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(buffer_));
    }
    UnpackState(const UnpackState&) = delete;
    UnpackState& operator=(const UnpackState&) = delete;

private:
    static constexpr int kCount = 4;
    static constexpr GLenum kNames[kCount] = {GL_UNPACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS,
                                              GL_UNPACK_SKIP_ROWS};
    GLint saved_[kCount] = {};
    GLint buffer_ = 0;
};

} // namespace

struct Text::Program {
    GLuint id = 0;
    GLint origin = -1, view = -1, depth = -1, atlas = -1, colour = -1, outline = -1, opacity = -1;
    ~Program() { glDeleteProgram(id); }
};

std::shared_ptr<Text::Program> Text::sharedProgram()
{
    static std::weak_ptr<Program> shared;
    if (auto program = shared.lock())
        return program;
    auto program = std::make_shared<Program>();
    const GLuint vs = compileStage(GL_VERTEX_SHADER, "Text's vertex shader", kVertexShader);
    const GLuint fs = compileStage(GL_FRAGMENT_SHADER, "Text's fragment shader", kFragmentShader);
    program->id = glCreateProgram();
    glAttachShader(program->id, vs);
    glAttachShader(program->id, fs);
    glLinkProgram(program->id);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint linked = GL_FALSE;
    glGetProgramiv(program->id, GL_LINK_STATUS, &linked);
    if (linked == GL_FALSE)
        logMessage(LogLevel::Error, "Text's program does not link: its words are not drawn");
    const GLuint id = program->id;
    program->origin = glGetUniformLocation(id, "origin");
    program->view = glGetUniformLocation(id, "view");
    program->depth = glGetUniformLocation(id, "depth");
    program->atlas = glGetUniformLocation(id, "atlas");
    program->colour = glGetUniformLocation(id, "colour");
    program->outline = glGetUniformLocation(id, "outline");
    program->opacity = glGetUniformLocation(id, "opacity");
    shared = program;
    return program;
}

TextStyle::TextStyle(float r, float g, float b) : colour{r, g, b}
{
    contrasting(colour, outline);
}

void TextStyle::contrasting(const float colour[3], float outline[3])
{
    const float luma = 0.2126f * colour[0] + 0.7152f * colour[1] + 0.0722f * colour[2];
    const float v = luma > 0.45f ? 0.0f : 1.0f;
    outline[0] = outline[1] = outline[2] = v;
}

Text::Text() : program_(sharedProgram())
{
    glGenTextures(1, &texture_);
    glGenVertexArrays(1, &vao_);
    glGenBuffers(1, &vbo_);
}

Text::Text(const TextLayout& layout) : Text()
{
    set(layout);
}

Text::~Text()
{
    glDeleteBuffers(1, &vbo_);
    glDeleteVertexArrays(1, &vao_);
    glDeleteTextures(1, &texture_);
}

void Text::set(const TextLayout& layout)
{
    vertices_ = 0;
    width_ = layout.width;
    height_ = layout.height;
    if (layout.quads.empty() || layout.atlas.empty())
        return;
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (layout.atlasWidth > largest || layout.atlasHeight > largest) {
        logFormat(LogLevel::Error, "Text: an atlas of %dx%d is more than this GL holds (%d); the words are not drawn",
                  layout.atlasWidth, layout.atlasHeight, largest);
        return;
    }

    GLint texture = 0, buffer = 0, array = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &buffer);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &array);

    glBindTexture(GL_TEXTURE_2D, texture_);
    {
        UnpackState unpack;
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RG8, layout.atlasWidth, layout.atlasHeight, 0, GL_RG, GL_UNSIGNED_BYTE,
                     layout.atlas.data());
    }
    // Cells are drawn texel for texel at whole pixels, where nearest is what
    // linear would give, for less work in a software renderer.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    // Two triangles a glyph: x, y on the text, u, v in the atlas (its rows top-down from v = 0).
    std::vector<GLfloat> data;
    data.reserve(layout.quads.size() * 24);
    const float su = 1.0f / static_cast<float>(layout.atlasWidth);
    const float sv = 1.0f / static_cast<float>(layout.atlasHeight);
    for (const GlyphQuad& q : layout.quads) {
        const float x0 = static_cast<float>(q.x), y0 = static_cast<float>(q.y);
        const float x1 = x0 + static_cast<float>(q.width), y1 = y0 + static_cast<float>(q.height);
        const float u0 = static_cast<float>(q.atlasX) * su, v0 = static_cast<float>(q.atlasY) * sv;
        const float u1 = static_cast<float>(q.atlasX + q.width) * su;
        const float v1 = static_cast<float>(q.atlasY + q.height) * sv;
        const GLfloat corners[6][4] = {{x0, y0, u0, v0}, {x1, y0, u1, v0}, {x1, y1, u1, v1},
                                       {x0, y0, u0, v0}, {x1, y1, u1, v1}, {x0, y1, u0, v1}};
        for (const auto& c : corners)
            data.insert(data.end(), c, c + 4);
    }
    glBindVertexArray(vao_);
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(GLfloat)), data.data(),
                 GL_STATIC_DRAW);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(GLfloat), nullptr);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(GLfloat),
                          reinterpret_cast<const void*>(2 * sizeof(GLfloat)));
    glEnableVertexAttribArray(1);
    vertices_ = static_cast<int>(layout.quads.size() * 6);

    glBindVertexArray(static_cast<GLuint>(array));
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(buffer));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
}

void Text::draw(float x, float y, const TextStyle& style)
{
    if (vertices_ == 0 || !program_ || program_->id == 0)
        return;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] <= 0 || viewport[3] <= 0)
        return;

    const GLboolean blend = glIsEnabled(GL_BLEND);
    GLint blendFunc[4] = {GL_ONE, GL_ZERO, GL_ONE, GL_ZERO};
    glGetIntegerv(GL_BLEND_SRC_RGB, &blendFunc[0]);
    glGetIntegerv(GL_BLEND_DST_RGB, &blendFunc[1]);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &blendFunc[2]);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &blendFunc[3]);
    GLboolean depthMask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);

    const Program& p = *program_;
    glUseProgram(p.id);
    glUniform2f(p.origin, std::round(x), std::round(y));
    glUniform2f(p.view, static_cast<float>(viewport[2]), static_cast<float>(viewport[3]));
    glUniform1f(p.depth, style.depth);
    glUniform3f(p.colour, style.colour[0], style.colour[1], style.colour[2]);
    glUniform3f(p.outline, style.outline[0], style.outline[1], style.outline[2]);
    glUniform1f(p.opacity, style.outlineOpacity);
    glUniform1i(p.atlas, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    // The glyphs' empty margins must not hide what is drawn behind them later.
    glDepthMask(GL_FALSE);
    glBindVertexArray(vao_);
    glDrawArrays(GL_TRIANGLES, 0, vertices_);

    glDepthMask(depthMask);
    glBlendFuncSeparate(static_cast<GLenum>(blendFunc[0]), static_cast<GLenum>(blendFunc[1]),
                        static_cast<GLenum>(blendFunc[2]), static_cast<GLenum>(blendFunc[3]));
    if (!blend)
        glDisable(GL_BLEND);
}

} // namespace vornak_engine
