#include "demo/Christmas.h"

#include "vornak/DecodeQueue.h"

#include "demo/CandyScene.h"
#include "demo/DataFolder.h"
#include "demo/CircleTrans.h"
#include "demo/Reload.h"
#include "demo/Reloadable.h"
#include "demo/ReligionScene.h"
#include "demo/SkipAdOverlay.h"
#include "demo/SpriteTest.h"
#include "demo/ToyScene.h"

#include "vornak/GL.h"

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

void Christmas::queuePictures(vornak_engine::DecodeQueue& queue)
{
    using vornak_engine::IMG_JPEG;
    using vornak_engine::IMG_PNG;
    // init()'s order: wipe, candy, title, toys, wipe, church, overlay.
    const std::pair<const char*, vornak_engine::ImgType> pictures[] = {
        {"christmas.jpg", IMG_JPEG}, {"easter.jpg", IMG_JPEG}, {"candy.jpg", IMG_JPEG},
        {"christmas.jpg", IMG_JPEG}, {"title.png", IMG_PNG},   {"toys.jpg", IMG_JPEG},
        {"christmas.jpg", IMG_JPEG}, {"easter.jpg", IMG_JPEG}, {"religion.jpg", IMG_JPEG},
        {"skipad.jpg", IMG_JPEG},
    };
    for (const auto& [name, type] : pictures)
        queue.add(dataFile(name).c_str(), type);
}

bool Christmas::prepareAhead()
{
    bool left = false;
    for (vornak_engine::Scene* scene : scenes) {
        if (auto* church = dynamic_cast<ReligionScene*>(scene))
            left = !church->computeLightPart() || left;
    }
    return left;
}
