// registry: shader programs and pictures named in a Config file, drawn in turn,
// two seconds each.
//
//   registry [--config FILE] [--frames N] [--screenshot FILE] [--size WxH]
//
// The file's paths are relative to the working directory, so the example moves to
// the file's own directory first; then the file can name its neighbours.

#include "common/ExampleWindow.h"

#include <vornak/Config.h>
#include <vornak/Matrix.h>
#include <vornak/ShaderProgram.h>
#include <vornak/Sprite.h>

#include <GL/glew.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>

using namespace vornak_engine;

// Which program draws which picture; both are names in the file.
struct Slide {
    const char* shader;
    const char* texture;
};
const Slide kSlides[] = {{"plain", "christmas"}, {"sepia", "toys"}, {"ripple", "candy"}};

int main(int argc, char** argv)
{
    std::string path = VORNAK_EXAMPLES_DIR "/slides.cfg";
    const ExampleOptions options(argc, argv, {{"--config", "the registry file", &path}});
    const std::string::size_type slash = path.find_last_of('/');
    if (slash != std::string::npos && chdir(path.substr(0, slash + 1).c_str()) != 0) {
        std::perror(path.c_str());
        return 1;
    }
    ExampleWindow window("Vornak registry", options);

    // Bad lines and unreadable files are reported as "file:line: reason" and skipped.
    Config config(path.substr(slash + 1).c_str());
    if (!config.getMusic().empty())
        std::printf("music named in the registry: %s\n", config.getMusic().c_str());

    Matrix identity;
    identity.translate(0.0, 0.0, 0.0);
    Sprite quad;
    do {
        const double t = window.seconds();
        const Slide& slide = kSlides[static_cast<int>(t / 2.0) % 3];
        try {
            // A copy shares the registry's GL program.
            ShaderProgram program = config.getShader(slide.shader);
            program.use();
            program.addTexture("picture", config.getTexture(slide.texture));
            program.setUniform("pmatrix", identity);
            program.setUniform("time", t - 2.0 * static_cast<int>(t / 2.0));
            program.setUniform("aspect", window.aspect(), 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            quad.draw();
        } catch (const std::out_of_range&) {
            std::fprintf(stderr, "%s: no shader '%s' or picture '%s'\n", path.c_str(), slide.shader, slide.texture);
            return 1;
        }
    } while (window.present());
    return 0;
}
