#pragma once

// Needs: no GL context: pure text, used by Shader when the engine is built for
// OpenGL ES (and testable anywhere).
//
// The rule that lets one set of "#version 410 core" shader files run on
// OpenGL ES 3.0 / WebGL2 as well:
//   1. the first line must be "#version 410 core" (or 330, 400: any desktop
//      core version up to 410); it becomes "#version 300 es";
//   2. default precisions follow it: highp for float, int and every sampler
//      type ES 3.00 has (it declares none for most of them, and only lowp for
//      sampler2D and samplerCube), so every device computes as the desktop does;
//   3. a "#line 2" keeps the compiler's line numbers those of the file;
//   4. nothing else changes. Constructs GLSL ES 3.00 has no form for are
//      refused, naming the line: "#extension", doubles, "noperspective",
//      "subroutine", samplers other than 2D, 3D, cube and 2D array (1D,
//      rectangle, buffer, multisample and cube-array ones), a layout
//      location on a vertex output or fragment input, and initialised uniforms.
// It does not rewrite anything else: what it lets through that ES still
// refuses (an int where a float is wanted, say) fails in ES's own compiler.

#include <string>

namespace vornak_engine {

// source: the text of the file at path; stage: GL_VERTEX_SHADER or
// GL_FRAGMENT_SHADER. True with out set to the ES text; false with error set to
// "PATH:N: reason" (N the file's line).
bool toGlslEs(const char* path, const std::string& source, unsigned int stage, std::string& out,
              std::string& error);

} // namespace vornak_engine
