#include "vornak/Shader.h"
#include "vornak/Log.h"

#include "vornak/FileData.h"
#include "vornak/ShaderError.h"

#include "vornak/GL.h"
#include "vornak/internal/GlDialect.h"

#include <cstdio>
#include <string>
#include <vector>

namespace vornak_engine {

namespace {

// The file's text, NUL-terminated; an unreadable file gives an empty source
// after one line on standard error, so the compiler still reports it.
std::vector<char> readSource(const char* path, bool& read)
{
    std::vector<unsigned char> bytes;
    std::string error;
    read = readFileData(path, bytes, error);
    if (!read)
        logMessage(LogLevel::Error, error.c_str());
    std::vector<char> text(bytes.begin(), bytes.end());
    text.push_back('\0');
    return text;
}

} // namespace

Shader::Shader(char* path, unsigned int type) : Shader(static_cast<const char*>(path), type) {}

Shader::Shader(const char* path, unsigned int type)
{
    bool read = false;
    std::vector<char> source = readSource(path, read);
    // On ES the file's GLSL ES form; a file the rule refuses fails in the compiler
    // as well, with the usual block, after our line naming the file and the reason.
    gl::sourceForCompiler(path, type, read, source);
    shaderId = glCreateShader(type);
    const GLchar* text = source.data();
    const GLint length = static_cast<GLint>(source.size() - 1);
    glShaderSource(shaderId, 1, &text, &length);
    glCompileShader(shaderId);
    GLint status = GL_FALSE;
    glGetShaderiv(shaderId, GL_COMPILE_STATUS, &status);
    if (status == GL_FALSE) {
        // The block on standard output does not say which file it is about; an
        // unreadable file has had its line already.
        if (read)
            logFormat(LogLevel::Error, "%s: does not compile (\"Shader error\" on standard output)", path);
        logMessage(LogLevel::Info, "Shader error");
        logMessage(LogLevel::Info, text);
        ShaderError::errorStr(shaderId, SHADER_LOG);
    }
}

Shader::~Shader()
{
    glDeleteShader(shaderId);
}

unsigned int Shader::getShaderId()
{
    return shaderId;
}

} // namespace vornak_engine
