#include "demo/ShowDemo.h"

#include "demo/Reload.h"

#include "vornak/GL.h"

#include <algorithm>

using vornak_engine::Texture;

ShowDemo::ShowDemo(int width, int height) : Demo(width, height)
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    // With the depth test on, the overlay (z 0.09) stays in front of the pictures (z 0.1).
    glEnable(GL_DEPTH_TEST);
}

void ShowDemo::add(ShowScene* scene)
{
    scenes.push_back(scene);
    showScenes_.push_back(scene);
}

void ShowDemo::clearScenes()
{
    scenes.clear();
    showScenes_.clear();
}

std::string ShowDemo::namesAt(double t) const
{
    std::string names;
    for (const ShowScene* scene : showScenes_) {
        if (drawsAt(*scene, t))
            names += (names.empty() ? "" : " + ") + scene->name();
    }
    return names.empty() ? "no scene" : names;
}

std::vector<double> ShowDemo::boundaries() const
{
    std::vector<double> times;
    for (const ShowScene* scene : showScenes_) {
        times.push_back(scene->start);
        times.push_back(scene->end);
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return times;
}

double ShowDemo::lastEnd() const
{
    double last = 0;
    for (const ShowScene* scene : showScenes_)
        last = std::max(last, scene->end);
    return last;
}

std::vector<Texture*> ShowDemo::picturesWaiting() const
{
    // By the scenes' starts; a tie keeps list order.
    std::vector<const ShowScene*> order(showScenes_.begin(), showScenes_.end());
    std::stable_sort(order.begin(), order.end(),
                     [](const ShowScene* a, const ShowScene* b) { return a->start < b->start; });
    std::vector<Texture*> waiting;
    for (const ShowScene* scene : order) {
        for (Texture* picture : scene->pictures()) {
            if (!resources_.uploaded(picture) && std::find(waiting.begin(), waiting.end(), picture) == waiting.end())
                waiting.push_back(picture);
        }
    }
    return waiting;
}

bool ShowDemo::readyAt(double t) const
{
    for (const ShowScene* scene : showScenes_) {
        if (!drawsAt(*scene, t))
            continue;
        for (Texture* picture : scene->pictures()) {
            if (!resources_.decoded(picture))
                return false;
        }
    }
    return true;
}

void ShowDemo::prepare(double t)
{
    for (ShowScene* scene : showScenes_) {
        if (drawsAt(*scene, t)) {
            for (Texture* picture : scene->pictures())
                resources_.upload(picture);
        }
    }
}

bool ShowDemo::workLater(double t)
{
    // How long before its scene a picture is waited for rather than left to its decode.
    constexpr double kNear = 1.0;
    const std::vector<Texture*> waiting = picturesWaiting();
    if (!waiting.empty()) {
        Texture* next = waiting.front();
        double due = lastEnd();
        for (const ShowScene* scene : showScenes_) {
            const auto pictures = scene->pictures();
            if (std::find(pictures.begin(), pictures.end(), next) != pictures.end())
                due = std::min(due, scene->start);
        }
        if (due - t < kNear || resources_.decoded(next))
            resources_.upload(next);
        return true;
    }
    bool left = false;
    for (ShowScene* scene : showScenes_)
        left = scene->workLater() || left;
    return left;
}

void ShowDemo::replayTo(double t, double fps)
{
    for (ShowScene* scene : showScenes_)
        scene->replayTo(t, fps);
}

void ShowDemo::reload(const std::vector<std::string>& changed)
{
    Reload reload(changed);
    resources_.reload(reload);
    for (ShowScene* scene : showScenes_)
        scene->reloaded(reload);
}
