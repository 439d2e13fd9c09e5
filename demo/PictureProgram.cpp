#include "demo/PictureProgram.h"

#include "demo/DataFolder.h"

#include <GL/glew.h>

using vornak_engine::Matrix;
using vornak_engine::ShaderProgram;

ShaderProgram* newPictureProgram(const char* fragmentShader)
{
    ShaderProgram* program = new ShaderProgram;
    program->addShader(dataFile("sprite.vs").c_str(), GL_VERTEX_SHADER);
    program->addShader(dataFile(fragmentShader).c_str(), GL_FRAGMENT_SHADER);
    program->compile();
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
