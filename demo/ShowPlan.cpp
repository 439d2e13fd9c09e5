#include "demo/ShowPlan.h"

#include <algorithm>

std::vector<std::pair<std::string, double>> ShowPlan::picturesByFirstUse() const
{
    std::vector<const ScenePlan*> order;
    for (const ScenePlan& scene : scenes)
        order.push_back(&scene);
    std::stable_sort(order.begin(), order.end(),
                     [](const ScenePlan* a, const ScenePlan* b) { return a->values.start < b->values.start; });
    std::vector<std::pair<std::string, double>> pictures;
    for (const ScenePlan* scene : order) {
        for (const std::string& picture : scene->values.pictures) {
            if (std::find_if(pictures.begin(), pictures.end(), [&](const auto& p) { return p.first == picture; }) ==
                pictures.end())
                pictures.emplace_back(picture, scene->values.start);
        }
    }
    return pictures;
}

std::vector<std::string> ShowPlan::picturesInOrder() const
{
    std::vector<std::string> pictures;
    for (const auto& [picture, first] : picturesByFirstUse())
        pictures.push_back(picture);
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
