#include "demo/ShowPlan.h"

#include <algorithm>

std::vector<ShowPlan::Picture> ShowPlan::picturesByFirstUse() const
{
    std::vector<const ScenePlan*> order;
    for (const ScenePlan& scene : scenes)
        order.push_back(&scene);
    std::stable_sort(order.begin(), order.end(),
                     [](const ScenePlan* a, const ScenePlan* b) { return a->values.start < b->values.start; });
    std::vector<Picture> pictures;
    for (const ScenePlan* scene : order) {
        const Fit fit = scene->values.fit;
        for (const std::string& picture : scene->values.pictures) {
            if (std::find_if(pictures.begin(), pictures.end(),
                             [&](const Picture& p) { return p.path == picture && p.fit == fit; }) == pictures.end())
                pictures.push_back({picture, fit, scene->values.start, scene->values.byContent});
        }
    }
    return pictures;
}

std::vector<std::string> ShowPlan::picturesInOrder() const
{
    std::vector<std::string> pictures;
    for (const Picture& picture : picturesByFirstUse()) {
        if (std::find(pictures.begin(), pictures.end(), picture.path) == pictures.end())
            pictures.push_back(picture.path);
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

std::vector<std::string> builtInFilesOf(const ScenePlan& scene)
{
    const bool own = !scene.values.shader.empty();
    std::vector<std::string> files = {"sprite.vs"};
    switch (scene.kind) {
    case SceneKind::Title:
        if (!own)
            files.push_back("doubletex.fs");
        break;
    case SceneKind::Wipe:
        // The finished wipe draws its second picture alone, with the plain shader.
        if (!own)
            files.push_back("circle.fs");
        files.push_back("default.fs");
        break;
    case SceneKind::Reveal:
        // The light is drawn from the picture by a shader of its own, whatever draws the picture.
        if (!own)
            files.push_back("religion.fs");
        files.push_back("religion-light.fs");
        break;
    case SceneKind::Still:
    case SceneKind::Zoom:
    case SceneKind::Overlay:
        if (!own)
            files.push_back("default.fs");
        break;
    }
    // Words without a font of the show's own are drawn in the shipped one, which travels with its licence.
    if (!scene.values.text.empty() && scene.values.caption.font.empty()) {
        files.push_back("DejaVuSans-Bold.ttf");
        files.push_back("DejaVuSans-Bold.LICENSE");
    }
    return files;
}
