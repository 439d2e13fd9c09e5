#pragma once

// Needs: a current OpenGL 4.1 core context, and GLEW initialised with
// glewExperimental = GL_TRUE, before any call.
//
// The full-screen quad: positions -1..1 at attribute 0, texture coordinates
// 0..1 at attribute 1, one triangle fan in a vertex array. Scenes move it only
// through their own "pmatrix"; it owns its GL objects, so it cannot be copied.

namespace vornak_engine {

class Sprite {
public:
    // Needs a current GL context; leaves the vertex array bound.
    Sprite();
    ~Sprite();
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    // Leaves the quad's vertex array bound.
    void draw();

private:
    unsigned int vao = 0;
    unsigned int vbo[2] = {0, 0};
};

} // namespace vornak_engine
