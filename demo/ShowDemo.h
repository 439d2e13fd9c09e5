#pragma once

// A demo whose scenes are the show's (ShowScene) and share one set of
// Resources: what every show offers its shells through the scenes' hooks:
// names, replay, work for later, reloads, and pictures staged so that a frame
// waits only for its own.

#include "demo/Resources.h"
#include "demo/ShowScene.h"

#include "vornak/Demo.h"

#include <string>
#include <vector>

class ShowDemo : public vornak_engine::Demo {
public:
    // Needs a current GL context: sets the clear colour and the depth test
    // every scene relies on.
    ShowDemo(int width, int height);

    // Before init(): the scenes' pictures are then made without pixels and
    // come from the queue (which stays the caller's), each uploaded when a
    // frame first draws it or by workLater(). Without it init() uploads all.
    void stage(vornak_engine::DecodeQueue* queue) { resources_.stage(queue); }

    // The show's scenes, in list order.
    const std::vector<ShowScene*>& showScenes() const { return showScenes_; }
    // Whether the scene draws at t (strictly inside its window).
    static bool drawsAt(const vornak_engine::Scene& scene, double t) { return t > scene.start && t < scene.end; }
    // The names of the scenes drawing at t, joined by " + ", or "no scene".
    std::string namesAt(double t) const;
    // Every start and end, sorted, each once.
    std::vector<double> boundaries() const;
    // The latest end of any scene.
    double lastEnd() const;

    // Staged pictures not uploaded yet, in the order the show first draws them.
    std::vector<vornak_engine::Texture*> picturesWaiting() const;
    // Whether every picture of the scenes drawing at t would upload without waiting.
    bool readyAt(double t) const;

    // A little of what was left for later: one staged picture (when decoded,
    // or when its scene is less than a second from t), then the scenes' own
    // work. Call between frames; false once nothing is left.
    bool workLater(double t);
    // Every scene with state to where a run at fps has it before drawing t.
    void replayTo(double t, double fps);
    // Reloads the named files (everything when none are named).
    void reload(const std::vector<std::string>& changed = {});

    Resources& resources() { return resources_; }

protected:
    // For init(): appends the scene (list order is drawing order).
    void add(ShowScene* scene);
    // Empties the list (deleting nothing).
    void clearScenes();
    // Makes the scenes with this demo's Resources current, so they share.
    template <typename Make> void making(Make make)
    {
        Resources* before = Resources::current();
        Resources::setCurrent(&resources_);
        make();
        Resources::setCurrent(before);
    }
    // Uploads the pictures of the scenes drawing at t.
    void prepare(double t) override;

    ~ShowDemo() = default;

private:
    Resources resources_;
    std::vector<ShowScene*> showScenes_;
};
