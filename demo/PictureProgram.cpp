#include "demo/PictureProgram.h"

#include <GL/glew.h>

using vornak_engine::Matrix;
using vornak_engine::ShaderProgram;

ShaderProgram* newPictureProgram(const char* fragmentShader)
{
    return new ShaderProgram(buildPictureProgram(fragmentShader));
}

ShaderProgram buildPictureProgram(const char* fragmentShader)
{
    ShaderProgram program;
    program.addShader(kSpriteShader, GL_VERTEX_SHADER);
    program.addShader(fragmentShader, GL_FRAGMENT_SHADER);
    program.compile();
    return program;
}

void setUniform(ShaderProgram* program, const char* name, float value)
{
    glUniform1f(glGetUniformLocation(program->getProgramID(), name), value);
}

void setUniform(ShaderProgram* program, const char* name, Matrix& matrix)
{
    glUniformMatrix4fv(glGetUniformLocation(program->getProgramID(), name), 1, GL_FALSE, matrix.matrix());
}
