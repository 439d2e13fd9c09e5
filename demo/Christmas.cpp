#include "demo/Christmas.h"

#include "demo/CandyScene.h"
#include "demo/CircleTrans.h"
#include "demo/ReligionScene.h"
#include "demo/SkipAdOverlay.h"
#include "demo/SpriteTest.h"
#include "demo/ToyScene.h"

Christmas::Christmas(int width, int height) : ShowDemo(width, height) {}

void Christmas::init()
{
    // List order is drawing order: the overlay must come last, after every clearing scene.
    making([this] {
        add(new CircleTrans(2.6, 10, 5));
        add(new CandyScene);
        add(new SpriteTest);
        add(new ToyScene);
        add(new CircleTrans(20.3, 22, 22));
        add(new ReligionScene);
        add(new SkipAdOverlay);
    });
}
