// model: an OBJ model, lit and turning. Any OBJ file with triangles will do; it is
// centred and scaled to fit whatever its size.
//
//   model [--obj FILE] [--frames N] [--screenshot FILE] [--size WxH]

#include "common/ExampleWindow.h"

#include <vornak/FileData.h>
#include <vornak/Matrix.h>
#include <vornak/Mesh3D.h>
#include <vornak/ShaderProgram.h>

#include <GL/glew.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

using namespace vornak_engine;

int main(int argc, char** argv)
{
    std::string obj = VORNAK_EXAMPLES_DIR "/knot.obj";
    const ExampleOptions options(argc, argv, {{"--obj", "the Wavefront OBJ file to view", &obj}});

    // Read and assemble before any window opens: a bad file costs one line, no window.
    std::size_t size = 0;
    std::string error;
    const int fd = openRegularFile(obj.c_str(), size, error); // no directories or FIFOs
    if (fd < 0) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    close(fd);
    std::unique_ptr<Mesh3D> mesh = Mesh3D::withoutGL();
    mesh->loadOBJ(obj.c_str());
    mesh->buildMesh(); // prints one line when the file had faults it dropped
    if (mesh->indexCount == 0) {
        if (mesh->faultSummary().empty())
            std::fprintf(stderr, "%s: no triangles to draw\n", obj.c_str());
        return 1;
    }

    // Centre the model's box on the origin and scale its bounding sphere to radius 1.
    float low[3] = {1e30f, 1e30f, 1e30f}, high[3] = {-1e30f, -1e30f, -1e30f};
    for (std::size_t i = 0; i < mesh->vertices.size(); ++i) {
        low[i % 3] = std::min(low[i % 3], mesh->vertices[i]);
        high[i % 3] = std::max(high[i % 3], mesh->vertices[i]);
    }
    const float centre[3] = {(low[0] + high[0]) / 2, (low[1] + high[1]) / 2, (low[2] + high[2]) / 2};
    float radius = 0;
    for (std::size_t i = 0; i + 2 < mesh->vertices.size(); i += 3)
        radius = std::max(radius, std::hypot(mesh->vertices[i] - centre[0], mesh->vertices[i + 1] - centre[1],
                                             mesh->vertices[i + 2] - centre[2]));
    Matrix centring, fit;
    centring.translate(-centre[0], -centre[1], -centre[2]);
    fit.scale(1.0 / std::max(radius, 1e-6f), 1.0 / std::max(radius, 1e-6f), 1.0 / std::max(radius, 1e-6f));

    ExampleWindow window("Vornak model", options);
    mesh->createOpenGLBinding(); // the upload: needs the context the window made

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
    program.setUniform("base", 0.85f, 0.32f, 0.12f);

    glEnable(GL_DEPTH_TEST);
    glClearColor(0.05f, 0.06f, 0.09f, 1.0f);
    do {
        const double t = window.seconds();
        Matrix turn;
        turn.rotate(0.35 * t + 0.4, 0.6 * t, 0.0);
        program.setUniform("model", centring * fit * turn);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        program.use();
        mesh->draw();
    } while (window.present());
    mesh.reset(); // made before the window, so let its GL objects go while the context lives
    return 0;
}
