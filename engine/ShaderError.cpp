#include "vornak/ShaderError.h"
#include "vornak/Log.h"

#include "vornak/GL.h"

#include <cstdio>
#include <vector>

namespace vornak_engine {

ShaderError::ShaderError() = default;

ShaderError::~ShaderError() = default;

void ShaderError::errorStr(unsigned int id, ERROR_TYPE type)
{
    GLint length = 0;
    if (type == PROGRAM_LOG)
        glGetProgramiv(id, GL_INFO_LOG_LENGTH, &length);
    else
        glGetShaderiv(id, GL_INFO_LOG_LENGTH, &length);
    // An empty log still prints its line, so the block keeps its shape.
    std::vector<char> log(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    if (length > 0) {
        if (type == PROGRAM_LOG)
            glGetProgramInfoLog(id, length, nullptr, log.data());
        else
            glGetShaderInfoLog(id, length, nullptr, log.data());
    }
    logMessage(LogLevel::Info, log.data());
}

} // namespace vornak_engine
