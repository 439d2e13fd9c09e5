#pragma once

// Needs: no GL context of its own; show() needs whatever its scenes need.
//
// The timeline: an ordered list of scenes, each asked to draw on every frame
// whose time lies strictly inside its window. It neither sorts, caches nor
// deletes scenes; a concrete demo fills the list in init().

#include "vornak/Scene.h"

#include <vector>

namespace vornak_engine {

class Demo {
public:
    Demo(int width, int height);

    // Called once before the first show(); appends the demo's scenes.
    virtual void init() = 0;

    // Draws one frame at demo time t: every active scene, in list order.
    void show(double t);

    int width;
    int height;
    std::vector<Scene*> scenes;

protected:
    // Called by show() before any scene draws, with the frame's time: a demo
    // that stages its resources makes those of the frame's scenes ready here.
    virtual void prepare(double t) { (void)t; }

    // The shell never deletes the demo; the list frees only its own storage.
    ~Demo() = default;
};

} // namespace vornak_engine
