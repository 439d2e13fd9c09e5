#pragma once

// Needs: no GL context of its own; show() needs whatever the scene draws with.
//
// Something that draws itself at a demo time, shown only strictly inside
// its (start, end) window. It knows nothing of other scenes or of the clock.

namespace vornak_engine {

class Scene {
public:
    Scene();

    // Draws for the absolute demo time t in seconds (not relative to start).
    virtual void show(double t) = 0;

    double start = 0.0;
    double end = 0.0;

protected:
    // Nothing deletes a scene through this base: scenes live as long as the process.
    ~Scene() = default;
};

} // namespace vornak_engine
