#pragma once

// What every picture scene shares: its program is the quad's vertex shader
// plus one fragment shader of its own, and its uniforms are looked up by
// name on every frame (nothing is cached, so a failed program just draws wrong).

#include "vornak/Matrix.h"
#include "vornak/ShaderProgram.h"

// Compiles the data folder's "sprite.vs" with the named fragment shader of the
// same folder (e.g. "default.fs") into a new program.
vornak_engine::ShaderProgram* newPictureProgram(const char* fragmentShader);

// Set a uniform of the program, which must be current.
void setUniform(vornak_engine::ShaderProgram* program, const char* name, float value);
void setUniform(vornak_engine::ShaderProgram* program, const char* name, vornak_engine::Matrix& matrix);
