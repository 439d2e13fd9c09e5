#include "demo/PictureProgram.h"

#include "demo/DataFolder.h"

#include "vornak/GL.h"

#include <algorithm>

using vornak_engine::ShaderProgram;

std::string spriteShader()
{
    return dataFile("sprite.vs");
}

ShaderProgram* newPictureProgram(const char* fragmentShader)
{
    return new ShaderProgram(buildPictureProgram(fragmentShader));
}

ShaderProgram buildPictureProgram(const char* fragmentShader)
{
    ShaderProgram program;
    program.addShader(spriteShader().c_str(), GL_VERTEX_SHADER);
    program.addShader(fragmentShader, GL_FRAGMENT_SHADER);
    program.compile();
    return program;
}

bool drawnPixelForPixel(vornak_engine::Texture* picture)
{
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    return picture->getWidth() == viewport[2] && picture->getHeight() == viewport[3];
}

void sampleNearest(int units)
{
    // One sampler object serves every unit; it is made on first use, on the GL thread.
    static GLuint nearest = 0;
    static int bound = 0;
    if (units > 0 && nearest == 0) {
        glGenSamplers(1, &nearest);
        glSamplerParameteri(nearest, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glSamplerParameteri(nearest, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glSamplerParameteri(nearest, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glSamplerParameteri(nearest, GL_TEXTURE_WRAP_T, GL_REPEAT);
    }
    for (int unit = 0; unit < std::max(units, bound); ++unit)
        glBindSampler(static_cast<GLuint>(unit), unit < units ? nearest : 0);
    bound = units;
}
