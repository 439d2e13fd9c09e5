#pragma once

// Small shader programs for GL tests: the sprite vertex stage the scenes use
// (positions at 0, texture coordinates at 1, "pmatrix") and two fragment stages.

#include "vornak/ShaderProgram.h"
#include "support/TempDir.h"

#include <GL/glew.h>

#include <string>

namespace draw {

inline const char* const kSpriteVS = R"(#version 410 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texcoord;
uniform mat4 pmatrix;
out vec2 uv;
void main() { uv = texcoord; gl_Position = pmatrix * vec4(position, 0.0, 1.0); }
)";

// Samples "tex"; with "showAlpha" set, writes the alpha as grey, since the window may not store alpha.
inline const char* const kTextureFS = R"(#version 410 core
in vec2 uv;
uniform sampler2D tex;
uniform int showAlpha;
out vec4 colour;
void main() { vec4 c = texture(tex, uv); colour = showAlpha != 0 ? vec4(c.aaa, 1.0) : vec4(c.rgb, 1.0); }
)";

inline vornak_engine::ShaderProgram makeProgram(const TempDir& dir, const std::string& vs, const std::string& fs)
{
    static int serial = 0;
    const std::string name = "p" + std::to_string(serial++);
    vornak_engine::ShaderProgram program;
    program.addShader(dir.write(name + ".vs", vs).c_str(), GL_VERTEX_SHADER);
    program.addShader(dir.write(name + ".fs", fs).c_str(), GL_FRAGMENT_SHADER);
    program.compile();
    return program;
}

// Makes the program current with an identity "pmatrix".
inline void useWithIdentity(vornak_engine::ShaderProgram& program)
{
    const GLfloat identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    program.use();
    glUniformMatrix4fv(glGetUniformLocation(program.getProgramID(), "pmatrix"), 1, GL_FALSE, identity);
}

} // namespace draw
