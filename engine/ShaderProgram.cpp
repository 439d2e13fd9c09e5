#include "vornak/ShaderProgram.h"
#include "vornak/Log.h"

#include "vornak/Matrix.h"
#include "vornak/Shader.h"
#include "vornak/ShaderError.h"
#include "vornak/Texture.h"

#include "vornak/GL.h"
#include "vornak/internal/GlDialect.h"

#include <cstdio>

namespace vornak_engine {

namespace {

struct ProgramDeleter {
    void operator()(const unsigned int* name) const
    {
        glDeleteProgram(*name);
        delete name;
    }
};

} // namespace

ShaderProgram::ShaderProgram() : program(new unsigned int(glCreateProgram()), ProgramDeleter()) {}

// The shared name deletes the GL program when the last copy lets go.
ShaderProgram::~ShaderProgram() = default;

void ShaderProgram::addShader(char* path, unsigned int type)
{
    addShader(static_cast<const char*>(path), type);
}

void ShaderProgram::addShader(const char* path, unsigned int type)
{
    // Deleting an attached shader only marks it: GL keeps it while the program
    // holds it and frees it with the program.
    Shader shader(path, type);
    glAttachShader(getProgramID(), shader.getShaderId());
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader.getShaderId(), GL_COMPILE_STATUS, &compiled);
    shaderFailed = shaderFailed || compiled == GL_FALSE;
    files += (files.empty() ? "" : ", ") + std::string(path);
}

void ShaderProgram::compile()
{
    const unsigned int id = getProgramID();
    GLint status = GL_FALSE;
    glLinkProgram(id);
    glGetProgramiv(id, GL_LINK_STATUS, &status);
    if (status == GL_FALSE) {
        // A shader that failed has named its file; otherwise say which files these are.
        if (!shaderFailed)
            logFormat(LogLevel::Error, "%s: program does not link (\"Link error\" on standard output)",
                         files.empty() ? "(no shaders)" : files.c_str());
        logMessage(LogLevel::Info, "Link error");
        ShaderError::errorStr(id, PROGRAM_LOG);
    }
    // Validated even after a failed link: the log says why it cannot run.
    status = GL_FALSE;
    glValidateProgram(id);
    glGetProgramiv(id, GL_VALIDATE_STATUS, &status);
    if (status == GL_FALSE) {
        logMessage(LogLevel::Info, "Validate error");
        ShaderError::errorStr(id, PROGRAM_LOG);
    }
}

bool ShaderProgram::isLinked()
{
    const unsigned int id = getProgramID();
    if (id == 0)
        return false;
    GLint status = GL_FALSE;
    glGetProgramiv(id, GL_LINK_STATUS, &status);
    return status == GL_TRUE;
}

unsigned int ShaderProgram::getProgramID()
{
    return program ? *program : 0;
}

void ShaderProgram::use()
{
    glUseProgram(getProgramID());
    textureCount = 0;
}

void ShaderProgram::addTexture(char* name, unsigned int textureName)
{
    addTexture(static_cast<const char*>(name), textureName);
}

void ShaderProgram::addTexture(const char* name, unsigned int textureName)
{
    glActiveTexture(GL_TEXTURE0 + textureCount);
    glBindTexture(GL_TEXTURE_2D, textureName);
    const GLint location = glGetUniformLocation(getProgramID(), name);
    glUniform1i(location, static_cast<GLint>(textureCount));
    ++textureCount;
}

void ShaderProgram::addTexture(char* name, Texture* texture)
{
    addTexture(static_cast<const char*>(name), texture->getTexID());
}

void ShaderProgram::addTexture(const char* name, Texture* texture)
{
    addTexture(name, texture->getTexID());
}

void ShaderProgram::setUniform(const char* name, float value)
{
    const unsigned int id = getProgramID();
    gl::setProgramUniform(id, glGetUniformLocation(id, name), value);
}

void ShaderProgram::setUniform(const char* name, double value)
{
    setUniform(name, static_cast<float>(value));
}

void ShaderProgram::setUniform(const char* name, int value)
{
    const unsigned int id = getProgramID();
    gl::setProgramUniform(id, glGetUniformLocation(id, name), value);
}

void ShaderProgram::setUniform(const char* name, float x, float y)
{
    const unsigned int id = getProgramID();
    gl::setProgramUniform(id, glGetUniformLocation(id, name), x, y);
}

void ShaderProgram::setUniform(const char* name, float x, float y, float z)
{
    const unsigned int id = getProgramID();
    gl::setProgramUniform(id, glGetUniformLocation(id, name), x, y, z);
}

void ShaderProgram::setUniform(const char* name, float x, float y, float z, float w)
{
    const unsigned int id = getProgramID();
    gl::setProgramUniform(id, glGetUniformLocation(id, name), x, y, z, w);
}

void ShaderProgram::setUniform(const char* name, const Matrix& matrix)
{
    const unsigned int id = getProgramID();
    gl::setProgramUniformMatrix(id, glGetUniformLocation(id, name), matrix.m);
}

} // namespace vornak_engine
