#pragma once

// Needs: a current OpenGL 4.1 core context, and GLEW initialised with
// glewExperimental = GL_TRUE, before any call.
//
// Prints the GL info log of a shader or a program to standard output, one
// puts. It neither checks status nor keeps anything; callers decide when to print.

namespace vornak_engine {

enum ERROR_TYPE { SHADER_LOG = 0, PROGRAM_LOG = 1 };

class ShaderError {
public:
    ShaderError();
    ~ShaderError();

    static void errorStr(unsigned int id, ERROR_TYPE type);
};

} // namespace vornak_engine
