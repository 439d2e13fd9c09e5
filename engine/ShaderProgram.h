#pragma once

// A linked GL program plus the next free texture unit, so a scene binds its
// pictures to named samplers without numbering units. Copies share the one GL
// program, which goes when the last copy does; each copy counts units alone.

#include <memory>

namespace vornak_engine {

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

private:
    std::shared_ptr<const unsigned int> program;
    unsigned int textureCount = 0;
};

} // namespace vornak_engine
