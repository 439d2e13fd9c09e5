#pragma once

// Needs: a current OpenGL 4.1 core context, and GLEW initialised with
// glewExperimental = GL_TRUE, before any call.
//
// A linked GL program plus the next free texture unit, so a scene binds its
// pictures to named samplers without numbering units. Copies share the one GL
// program, which goes when the last copy does; each copy counts units alone.

#include <memory>
#include <string>

namespace vornak_engine {

class Matrix;
class Texture;

class ShaderProgram {
public:
    // Needs a current GL context.
    ShaderProgram();
    ~ShaderProgram();
    ShaderProgram(const ShaderProgram&) = default;
    ShaderProgram& operator=(const ShaderProgram&) = default;
    ShaderProgram(ShaderProgram&&) = default;
    ShaderProgram& operator=(ShaderProgram&&) = default;

    // Compiles the file and attaches it; failures print and the program goes on.
    void addShader(char* path, unsigned int type);
    void addShader(const char* path, unsigned int type);
    // Links and validates, printing "Link error"/"Validate error" with the log.
    // A link failure that no shader's own failure explains also gets one line
    // on standard error naming the program's files.
    void compile();
    // Whether the last link succeeded: false before compile() and after any
    // failed compile or link. Asks GL; changes nothing.
    bool isLinked();

    // 0 only for a moved-from object.
    unsigned int getProgramID();
    // Makes the program current and restarts texture units at 0.
    void use();
    // Binds the texture to the next unit and points sampler `name` at it.
    // Call use() first: the uniform goes to the current program.
    void addTexture(char* name, unsigned int textureName);
    void addTexture(const char* name, unsigned int textureName);
    void addTexture(char* name, Texture* texture);
    void addTexture(const char* name, Texture* texture);

    // Set uniform `name` of this program, current or not (glProgramUniform; on
    // OpenGL ES, which lacks it, the program is used and the caller's put back). The
    // location is looked up on every call; a name the program lacks is ignored, as
    // GL ignores location -1. The GLSL type must match: float, int (and samplers),
    // vec2, vec3, vec4, mat4. A double is narrowed to float.
    void setUniform(const char* name, float value);
    void setUniform(const char* name, double value);
    void setUniform(const char* name, int value);
    void setUniform(const char* name, float x, float y);
    void setUniform(const char* name, float x, float y, float z);
    void setUniform(const char* name, float x, float y, float z, float w);
    void setUniform(const char* name, const Matrix& matrix);

private:
    std::shared_ptr<const unsigned int> program;
    unsigned int textureCount = 0;
    // For the link failure's line: the files added, and whether one of them failed already.
    std::string files;
    bool shaderFailed = false;
};

} // namespace vornak_engine
