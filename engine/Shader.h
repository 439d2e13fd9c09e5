#pragma once

// Needs: a current OpenGL 4.1 core context, and GLEW initialised with
// glewExperimental = GL_TRUE, before any call.
//
// One GLSL source file compiled into a GL shader object. A failed compile is
// printed ("Shader error", the source, the log) and never stops the program;
// the object is deleted with the Shader, so it cannot be copied. Built for
// OpenGL ES (WebGL2), the file is first rewritten by the rule in GlslEs.h.

namespace vornak_engine {

class Shader {
public:
    // type is GL_VERTEX_SHADER or GL_FRAGMENT_SHADER. Needs a current GL context.
    Shader(char* path, unsigned int type);
    Shader(const char* path, unsigned int type);
    ~Shader();
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    unsigned int getShaderId();

private:
    unsigned int shaderId = 0;
};

} // namespace vornak_engine
