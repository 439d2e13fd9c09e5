#include "demo/ShowPlan.h"

#include <algorithm>

std::vector<std::string> ShowPlan::picturesInOrder() const
{
    std::vector<const ScenePlan*> order;
    for (const ScenePlan& scene : scenes)
        order.push_back(&scene);
    std::stable_sort(order.begin(), order.end(),
                     [](const ScenePlan* a, const ScenePlan* b) { return a->values.start < b->values.start; });
    std::vector<std::string> pictures;
    for (const ScenePlan* scene : order) {
        for (const std::string& picture : scene->values.pictures) {
            if (std::find(pictures.begin(), pictures.end(), picture) == pictures.end())
                pictures.push_back(picture);
        }
    }
    return pictures;
}

const char* kindName(SceneKind kind)
{
    switch (kind) {
    case SceneKind::Title:
        return "title";
    case SceneKind::Wipe:
        return "wipe";
    case SceneKind::Still:
        return "still";
    case SceneKind::Zoom:
        return "zoom";
    case SceneKind::Reveal:
        return "reveal";
    case SceneKind::Overlay:
        return "overlay";
    }
    return "still";
}
