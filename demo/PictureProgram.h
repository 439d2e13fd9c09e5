#pragma once

// What every picture scene shares: its program is the quad's vertex shader
// plus one fragment shader of its own. Its uniforms are set by name on every
// frame (nothing is cached, so a failed program just draws wrong).

#include "vornak/ShaderProgram.h"

// The quad's vertex shader, shared by every picture scene.
inline const char* const kSpriteShader = "data/sprite.vs";

// Compiles kSpriteShader with the given fragment shader into a new program.
vornak_engine::ShaderProgram* newPictureProgram(const char* fragmentShader);
// The same as a value; failures print and leave it unlinked (see isLinked()).
vornak_engine::ShaderProgram buildPictureProgram(const char* fragmentShader);

