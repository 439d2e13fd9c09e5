#include "demo/PictureProgram.h"

#include <GL/glew.h>

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

