#pragma once

// Needs: for halfFloatTargets(), a current GL context (and on desktop GLEW
// initialised).
//
// The GL API as the engine's platform has it: desktop OpenGL 4.1 core through
// GLEW, or the OpenGL ES 3.0 headers where VORNAK_GLES is set (WebGL2). Include
// this instead of <GL/glew.h> and a program builds for both.

#include "vornak/Platform.h"

#ifdef VORNAK_GLES
#include <GLES3/gl3.h>
// Desktop names the pure picture code uses to label pixel layouts; ES never
// receives them (the upload expands such pixels to RGBA first).
#ifndef GL_BGR
#define GL_BGR 0x80E0
#endif
#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif
#else
#include <GL/glew.h>
#endif

namespace vornak_engine {

// Whether a half-float (GL_RGBA16F) texture can be drawn into: always on
// desktop GL; on ES only with EXT_color_buffer_float (or its half-float
// sibling). Asked of GL once and remembered.
bool halfFloatTargets();

} // namespace vornak_engine
