#include "vornak/Shader.h"

#include "vornak/ShaderError.h"

#include <GL/glew.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vornak_engine {

namespace {

// The file's text, NUL-terminated; an unreadable file gives an empty source
// after one line on standard error, so the compiler still reports it.
std::vector<char> readSource(const char* path)
{
    std::vector<char> text(1, '\0');
    std::FILE* file = std::fopen(path, "r");
    if (!file) {
        std::fprintf(stderr, "%s: cannot open: %s\n", path, std::strerror(errno));
        return text;
    }
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        length = std::ftell(file);
    if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fprintf(stderr, "%s: cannot read: %s\n", path, std::strerror(errno ? errno : EIO));
        std::fclose(file);
        return text;
    }
    text.assign(static_cast<std::size_t>(length) + 1, '\0');
    const std::size_t got = std::fread(text.data(), 1, static_cast<std::size_t>(length), file);
    if (got != static_cast<std::size_t>(length)) {
        if (std::ferror(file))
            std::fprintf(stderr, "%s: cannot read: %s\n", path, std::strerror(errno ? errno : EIO));
        text.resize(got + 1);
        text[got] = '\0';
    }
    std::fclose(file);
    return text;
}

} // namespace

Shader::Shader(char* path, unsigned int type) : Shader(static_cast<const char*>(path), type) {}

Shader::Shader(const char* path, unsigned int type)
{
    std::vector<char> source = readSource(path);
    shaderId = glCreateShader(type);
    const GLchar* text = source.data();
    const GLint length = static_cast<GLint>(source.size() - 1);
    glShaderSource(shaderId, 1, &text, &length);
    glCompileShader(shaderId);
    GLint status = GL_FALSE;
    glGetShaderiv(shaderId, GL_COMPILE_STATUS, &status);
    if (status == GL_FALSE) {
        std::puts("Shader error");
        std::puts(text);
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
