#include "demo/PictureProgram.h"

#include <GL/glew.h>

using vornak_engine::ShaderProgram;

ShaderProgram* newPictureProgram(const char* fragmentShader)
{
    ShaderProgram* program = new ShaderProgram;
    program->addShader("data/sprite.vs", GL_VERTEX_SHADER);
    program->addShader(fragmentShader, GL_FRAGMENT_SHADER);
    program->compile();
    return program;
}

