#pragma once

// What every picture scene shares: its program is the quad's vertex shader
// plus one fragment shader of its own. Its uniforms are set by name on every
// frame (nothing is cached, so a failed program just draws wrong).

#include "vornak/ShaderProgram.h"
#include "vornak/Texture.h"

#include <string>

// The quad's vertex shader, shared by every picture scene: "sprite.vs" in the data folder.
std::string spriteShader();

// Compiles spriteShader() with the given fragment shader file into a new program.
vornak_engine::ShaderProgram* newPictureProgram(const char* fragmentShader);
// The same as a value; failures print and leave it unlinked (see isLinked()).
vornak_engine::ShaderProgram buildPictureProgram(const char* fragmentShader);

// True when the picture, placed by the identity, meets the viewport texel for
// texel: each pixel centre then falls on a texel centre.
bool drawnPixelForPixel(vornak_engine::Texture* picture);

// While set, units 0 .. units-1 sample the nearest texel, whatever the textures'
// own filters say. At texel centres that is exactly what the linear filter
// gives, for about half the work in a software renderer. Call with 0 after
// drawing, so later draws sample as their textures say.
void sampleNearest(int units);
