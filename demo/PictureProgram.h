#pragma once

// What every picture scene shares: its program is the quad's vertex shader
// plus one fragment shader of its own, and its uniforms are looked up by
// name on every frame (nothing is cached, so a failed program just draws wrong).

#include "vornak/Matrix.h"
#include "vornak/ShaderProgram.h"
#include "vornak/Texture.h"

// Compiles "data/sprite.vs" with the given fragment shader into a new program.
vornak_engine::ShaderProgram* newPictureProgram(const char* fragmentShader);

// Set a uniform of the program, which must be current.
void setUniform(vornak_engine::ShaderProgram* program, const char* name, float value);
void setUniform(vornak_engine::ShaderProgram* program, const char* name, vornak_engine::Matrix& matrix);

// True when the picture, placed by the identity, meets the viewport texel for
// texel: each pixel centre then falls on a texel centre.
bool drawnPixelForPixel(vornak_engine::Texture* picture);

// While set, units 0 .. units-1 sample the nearest texel, whatever the textures'
// own filters say. At texel centres that is exactly what the linear filter
// gives, for about half the work in a software renderer. Call with 0 after
// drawing, so later draws sample as their textures say.
void sampleNearest(int units);
