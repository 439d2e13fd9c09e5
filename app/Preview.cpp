#include "app/Preview.h"

#include "demo/CandyScene.h"
#include "demo/Christmas.h"
#include "demo/CircleTrans.h"
#include "demo/ReligionScene.h"
#include "demo/Reload.h"
#include "demo/SkipAdOverlay.h"
#include "demo/SpriteTest.h"
#include "demo/ToyScene.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace {

double showLength(Christmas& demo, Mix_Music* music)
{
    const double track = PreviewMusic(music).length();
    if (track > 0)
        return track;
    double last = 0;
    for (const vornak_engine::Scene* scene : demo.scenes)
        last = std::max(last, scene->end);
    return last;
}

const char* sceneName(vornak_engine::Scene* scene)
{
    if (dynamic_cast<SpriteTest*>(scene))
        return "title";
    if (dynamic_cast<CircleTrans*>(scene))
        return "wipe";
    if (dynamic_cast<ToyScene*>(scene))
        return "toys";
    if (dynamic_cast<CandyScene*>(scene))
        return "candy";
    if (dynamic_cast<ReligionScene*>(scene))
        return "church";
    if (dynamic_cast<SkipAdOverlay*>(scene))
        return "overlay";
    return "scene";
}

bool drawsAt(const vornak_engine::Scene* scene, double t)
{
    return t > scene->start && t < scene->end;
}

} // namespace

Preview::Preview(Christmas& demo, Mix_Music* music, double startAt, double wallNow, double audioOffset)
    : demo_(demo), music_(music, audioOffset), clock_(showLength(demo, music), wallNow)
{
    clock_.seek(startAt);
    syncMusic();
}

bool Preview::key(SDL_Keycode key, Uint16 modifiers, double wallNow)
{
    const bool shift = (modifiers & KMOD_SHIFT) != 0;
    const double now = clock_.time();
    const long shown = clock_.frame();
    switch (key) {
    case SDLK_ESCAPE:
        return false;
    case SDLK_SPACE:
        togglePause(wallNow);
        break;
    case SDLK_LEFT:
        seek(now - (shift ? 0.1 : 1.0));
        break;
    case SDLK_RIGHT:
        seek(now + (shift ? 0.1 : 1.0));
        break;
    case SDLK_HOME:
        seek(0);
        break;
    case SDLK_PAGEDOWN: {
        // To the first frame after the next boundary: the boundary instant itself draws no scene.
        for (double b : boundaries()) {
            if (PreviewClock::frameAfter(b) > shown) {
                seek(PreviewClock::timeOf(PreviewClock::frameAfter(b)));
                break;
            }
        }
        break;
    }
    case SDLK_PAGEUP: {
        double target = 0;
        for (double b : boundaries()) {
            if (PreviewClock::frameAfter(b) < shown)
                target = PreviewClock::timeOf(PreviewClock::frameAfter(b));
        }
        seek(target);
        break;
    }
    case SDLK_LEFTBRACKET:
        setSpeed(clock_.speed() / 2, wallNow);
        break;
    case SDLK_RIGHTBRACKET:
        setSpeed(clock_.speed() * 2, wallNow);
        break;
    case SDLK_l:
        toggleLoop();
        break;
    case SDLK_r:
        reload();
        break;
    default:
        break;
    }
    return true;
}

void Preview::seek(double t)
{
    // Paused stays paused: a seek is for looking at one frame as often as for playing on.
    clock_.seek(t);
    syncMusic();
}

void Preview::togglePause(double wallNow)
{
    // At the end, play means play again from the start.
    if (clock_.paused() && clock_.atEnd())
        clock_.seek(0);
    clock_.setPaused(!clock_.paused(), wallNow);
    syncMusic();
}

void Preview::setSpeed(double speed, double wallNow)
{
    clock_.setSpeed(speed, wallNow);
    syncMusic();
}

void Preview::toggleLoop()
{
    if (clock_.loop()) {
        clock_.setLoop(std::nullopt);
        return;
    }
    // The innermost window under the cursor: the full-screen scene rather than the overlay.
    const double shown = PreviewClock::timeOf(clock_.frame());
    const vornak_engine::Scene* best = nullptr;
    for (const vornak_engine::Scene* scene : demo_.scenes) {
        if (drawsAt(scene, shown) && (!best || scene->end - scene->start < best->end - best->start))
            best = scene;
    }
    if (!best)
        return;
    clock_.setLoop(TimeWindow{best->start, best->end});
    syncMusic();
}

void Preview::reload(const std::vector<std::string>& changed)
{
    Reload reload(changed);
    demo_.reload(reload);
}

void Preview::syncMusic()
{
    if (!clock_.paused() && clock_.speed() == 1.0 && !clock_.atEnd())
        music_.playFrom(clock_.time());
    else
        music_.pause();
}

void Preview::frame(double wallNow)
{
    const bool wasPaused = clock_.paused();
    if (clock_.tick(wallNow, music_.position()) || clock_.paused() != wasPaused)
        syncMusic();
    draw();
}

void Preview::draw()
{
    // The show leaves a frame with no scene uncleared; the preview shows it black.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const double t = PreviewClock::timeOf(clock_.frame());
    demo_.replayTo(t, PreviewClock::kFps);
    demo_.show(t);
}

std::vector<double> Preview::boundaries() const
{
    std::vector<double> times;
    for (const vornak_engine::Scene* scene : demo_.scenes) {
        times.push_back(scene->start);
        times.push_back(scene->end);
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return times;
}

std::string Preview::scenesAt(double t) const
{
    std::string names;
    for (vornak_engine::Scene* scene : demo_.scenes) {
        if (drawsAt(scene, t))
            names += (names.empty() ? "" : " + ") + std::string(sceneName(scene));
    }
    return names.empty() ? "no scene" : names;
}

std::string Preview::status() const
{
    const long frame = clock_.frame();
    char text[160];
    std::snprintf(text, sizeof text, "%.3f s, frame %ld", PreviewClock::timeOf(frame), frame);
    std::ostringstream out;
    out << text << " | " << scenesAt(PreviewClock::timeOf(frame)) << " | "
        << (clock_.atEnd() ? "end" : clock_.paused() ? "paused" : "playing");
    std::snprintf(text, sizeof text, " %gx", clock_.speed());
    out << text;
    if (clock_.loop()) {
        std::snprintf(text, sizeof text, " | loop %g-%g s", clock_.loop()->from, clock_.loop()->to);
        out << text;
    }
    return out.str();
}
