#include "demo/Christmas.h"

#include "demo/CandyScene.h"
#include "demo/CircleTrans.h"
#include "demo/Reload.h"
#include "demo/Reloadable.h"
#include "demo/ReligionScene.h"
#include "demo/SkipAdOverlay.h"
#include "demo/SpriteTest.h"
#include "demo/ToyScene.h"

#include <GL/glew.h>

Christmas::Christmas(int width, int height) : Demo(width, height)
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    // With the depth test on, the overlay (z 0.09) stays in front of the pictures (z 0.1).
    glEnable(GL_DEPTH_TEST);
}

void Christmas::init()
{
    // List order is drawing order: the overlay must come last, after every clearing scene.
    scenes.push_back(new CircleTrans(2.6, 10, 5));
    scenes.push_back(new CandyScene);
    scenes.push_back(new SpriteTest);
    scenes.push_back(new ToyScene);
    scenes.push_back(new CircleTrans(20.3, 22, 22));
    scenes.push_back(new ReligionScene);
    scenes.push_back(new SkipAdOverlay);
}

void Christmas::reload(Reload& reload)
{
    for (vornak_engine::Scene* scene : scenes) {
        if (auto* reloadable = dynamic_cast<Reloadable*>(scene))
            reloadable->reload(reload);
    }
}

void Christmas::replayTo(double t, double fps)
{
    // Only the candy zoom remembers earlier frames.
    for (vornak_engine::Scene* scene : scenes) {
        if (auto* candy = dynamic_cast<CandyScene*>(scene))
            candy->replayTo(t, fps);
    }
}
