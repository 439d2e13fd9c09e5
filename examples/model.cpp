// model: an OBJ model as modelling programs export it (polygons, with or without
// normals, .mtl colours and pictures), lit and turning, centred and scaled to fit.
//
//   model [--obj FILE] [--angle DEG] [--info] [--frames N] [--screenshot FILE] [--size WxH]

#include "common/ExampleWindow.h"

#include <vornak/FileData.h>
#include <vornak/Matrix.h>
#include <vornak/Model.h>
#include <vornak/ShaderProgram.h>

#include <GL/glew.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace vornak_engine;

int main(int argc, char** argv)
{
    std::string obj = VORNAK_EXAMPLES_DIR "/knot.obj";
    std::string angle;
    bool info = false;
    const ExampleOptions options(argc, argv,
                                 {{"--obj", "the Wavefront OBJ file to view", &obj},
                                  {"--angle", "a fixed turn in degrees instead of the animation", &angle, nullptr, "DEG"},
                                  {"--info", "print the model's size and exit, with no window", nullptr, &info}});
    double degrees = 0.0;
    if (!angle.empty()) {
        char* end = nullptr;
        degrees = std::strtod(angle.c_str(), &end);
        if (*end || !std::isfinite(degrees)) {
            std::fprintf(stderr, "%s: --angle wants a number of degrees, not %s\n", argv[0], angle.c_str());
            return 2;
        }
    }

    // Read and assemble before any window opens: a bad file costs one line, no window.
    std::size_t size = 0;
    std::string error;
    const int fd = openRegularFile(obj.c_str(), size, error); // no directories or FIFOs
    if (fd < 0) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    close(fd);
    std::unique_ptr<Model> model = Model::withoutGL();
    model->defaultMaterial.colour[0] = 0.85f; // copper, for files with no materials
    model->defaultMaterial.colour[1] = 0.32f;
    model->defaultMaterial.colour[2] = 0.12f;
    model->load(obj.c_str()); // one line for each file it could not use
    if (model->indices.empty()) {
        if (model->faultSummary().empty())
            std::fprintf(stderr, "%s: no triangles to draw\n", obj.c_str());
        return 1;
    }
    if (info) {
        std::printf("%s\n", model->info().c_str());
        return 0;
    }

    // Centre the model's box on the origin and scale its bounding sphere to radius 1.
    const float centre[3] = {(model->low[0] + model->high[0]) / 2, (model->low[1] + model->high[1]) / 2,
                             (model->low[2] + model->high[2]) / 2};
    float radius = 0;
    for (std::size_t i = 0; i + 2 < model->vertexData.size(); i += 8)
        radius = std::max(radius, std::hypot(model->vertexData[i] - centre[0], model->vertexData[i + 1] - centre[1],
                                             model->vertexData[i + 2] - centre[2]));
    Matrix centring, fit;
    centring.translate(-centre[0], -centre[1], -centre[2]);
    fit.scale(1.0 / std::max(radius, 1e-6f), 1.0 / std::max(radius, 1e-6f), 1.0 / std::max(radius, 1e-6f));

    ExampleWindow window("Vornak model", options);
    model->createOpenGLBinding(); // the upload and the pictures: need the context the window made

    ShaderProgram program;
    program.addShader(VORNAK_EXAMPLES_DIR "/shaders/model.vs", GL_VERTEX_SHADER);
    program.addShader(VORNAK_EXAMPLES_DIR "/shaders/model.fs", GL_FRAGMENT_SHADER);
    program.compile();

    // The camera 3.6 units out, a little above, looking at the origin. A fresh Matrix
    // is zero, which is what perspective() expects. A * B applies A first.
    double eye[3] = {0.0, 0.9, 3.49}, origin[3] = {0.0, 0.0, 0.0}, up[3] = {0.0, 1.0, 0.0};
    Matrix view, projection;
    view.lookAt(eye, origin, up);
    projection.perspective(35.0, window.aspect(), 0.1, 100.0);
    program.setUniform("viewProjection", view * projection);
    program.setUniform("eye", 0.0f, 0.9f, 3.49f);

    glEnable(GL_DEPTH_TEST);
    glClearColor(0.05f, 0.06f, 0.09f, 1.0f);
    do {
        const double t = window.seconds();
        Matrix turn;
        if (angle.empty())
            turn.rotate(0.35 * t + 0.4, 0.6 * t, 0.0);
        else
            turn.rotate(0.4, degrees * M_PI / 180.0, 0.0);
        program.setUniform("model", centring * fit * turn);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        program.use();
        model->draw(program.getProgramID());
    } while (window.present());
    model.reset(); // made before the window, so let its GL objects go while the context lives
    return 0;
}
