// quad: one picture on screen, the smallest whole program on the engine.
//
//   quad [--picture FILE] [--frames N] [--screenshot FILE] [--size WxH]
//
// The engine needs a current OpenGL 4.1 core context with GLEW initialised before
// its first call; ExampleWindow (examples/common) does that with SDL. In a web
// browser the same file runs on WebGL2, with ExampleWindowWeb.cpp as its window.

#include "common/ExampleWindow.h"

#include <vornak/Matrix.h>
#include <vornak/ShaderProgram.h>
#include <vornak/Sprite.h>
#include <vornak/GL.h>
#include <vornak/Texture.h>

#include <string>

using namespace vornak_engine;

int main(int argc, char** argv)
{
    std::string picture = VORNAK_EXAMPLES_DIR "/../data/christmas.jpg";
    const ExampleOptions options(argc, argv, {{"--picture", "a JPEG, PNG or TGA file to show", &picture}});
    ExampleWindow window("Vornak quad", options);

    // A program from two source files; a failed compile prints its log and goes on.
    ShaderProgram program;
    program.addShader(VORNAK_EXAMPLES_DIR "/shaders/picture.vs", GL_VERTEX_SHADER);
    program.addShader(VORNAK_EXAMPLES_DIR "/shaders/picture.fs", GL_FRAGMENT_SHADER);
    program.compile();

    // The reader prints why a file cannot be used; the texture then has no size.
    Texture texture(picture.c_str(), imageTypeOf(picture));
    if (texture.getWidth() == 0)
        return 1;

    // Sprite covers the whole window (-1..1); scale it to keep the picture's shape.
    const float pictureAspect = static_cast<float>(texture.getWidth()) / static_cast<float>(texture.getHeight());
    Matrix fit;
    if (pictureAspect > window.aspect())
        fit.scale(1.0, window.aspect() / pictureAspect, 1.0);
    else
        fit.scale(pictureAspect / window.aspect(), 1.0, 1.0);
    Sprite quad;

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    do {
        glClear(GL_COLOR_BUFFER_BIT);
        program.use();                            // restarts texture units at 0
        program.addTexture("picture", &texture);  // unit 0, sampler "picture"
        program.setUniform("pmatrix", fit);
        quad.draw();
    } while (window.present());
    return 0;
}
