#include "demo/PlannedShow.h"

#include "demo/CandyScene.h"
#include "demo/CircleTrans.h"
#include "demo/ReligionScene.h"
#include "demo/SkipAdOverlay.h"
#include "demo/SpriteTest.h"
#include "demo/ToyScene.h"

namespace {

ShowScene* makeScene(const ScenePlan& plan)
{
    switch (plan.kind) {
    case SceneKind::Title:
        return new SpriteTest(plan.values);
    case SceneKind::Wipe:
        return new CircleTrans(plan.values);
    case SceneKind::Still:
        return new ToyScene(plan.values);
    case SceneKind::Zoom:
        return new CandyScene(plan.values);
    case SceneKind::Reveal:
        return new ReligionScene(plan.values);
    case SceneKind::Overlay:
        return new SkipAdOverlay(plan.values);
    }
    return new ToyScene(plan.values);
}

} // namespace

PlannedShow::PlannedShow(int width, int height, ShowPlan plan) : ShowDemo(width, height), plan_(std::move(plan)) {}

PlannedShow::~PlannedShow() = default;

void PlannedShow::init()
{
    making([this] {
        for (const ScenePlan& scene : plan_.scenes) {
            owned_.emplace_back(makeScene(scene));
            add(owned_.back().get());
        }
    });
}

void PlannedShow::remake(ShowPlan plan)
{
    clearScenes();
    owned_.clear();
    plan_ = std::move(plan);
    init();
}
